#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "files/entry_compare.h"

// Which SIM positions a write has to touch at all. A write-all puts its entries on the SIM from
// position 1 in write order and empties every position after the last one; a SIM that already
// holds some of them needs only the others. These functions say what a write-all leaves on the
// SIM and which positions of a SIM as it was read differ from that.
namespace vrkt {

// What one SIM position holds: an entry, or nothing.
using SimSlot = std::optional<UnitEntry>;
// Positions 1..capacity at indices 0..capacity-1.
using SimSlots = std::vector<SimSlot>;

// What a write-all of `entries` (in write order) leaves on a SIM of `capacity` positions: each
// entry at the next free position from 1 on, every position after the last entry empty.
// Position `kept` (the unit's version entry; 0 for none) is neither used nor emptied: it holds
// whatever `kept_entry` says. Entries that do not fit are left out.
SimSlots FullWriteLayout(const std::vector<UnitEntry>& entries, int capacity, int kept = 0,
                         const SimSlot& kept_entry = std::nullopt);

// Positions (1-based, ascending) where `unit` differs from `layout`: a different entry, an entry
// to be written where the unit has none, or an entry to be emptied. `kept` is never one of them.
// A `unit` shorter than `layout` counts as empty beyond its end.
std::vector<int> ChangedPositions(const SimSlots& layout, const SimSlots& unit, int kept = 0);

// The same with several positions kept (the version entry's, and those whose entry the reading
// could not make out): each holds what `unit` has there.
SimSlots FullWriteLayout(const std::vector<UnitEntry>& entries, int capacity,
                         const std::set<int>& kept, const SimSlots& unit);
std::vector<int> ChangedPositions(const SimSlots& layout, const SimSlots& unit,
                                  const std::set<int>& kept);

// The first position that holds an entry of this name (the unit's "VER"), 0 when none does.
int PositionOf(const SimSlots& slots, const std::string& name);

}  // namespace vrkt
