#include "unit/changed_positions.h"

#include <algorithm>

namespace vrkt {

SimSlots FullWriteLayout(const std::vector<UnitEntry>& entries, int capacity,
                         const std::set<int>& kept, const SimSlots& unit) {
  SimSlots slots(static_cast<size_t>(std::max(capacity, 0)));
  size_t next = 0;
  for (int position = 1; position <= capacity; ++position) {
    const auto i = static_cast<size_t>(position - 1);
    if (kept.count(position) > 0) {
      if (i < unit.size()) slots[i] = unit[i];
    } else if (next < entries.size()) {
      slots[i] = entries[next++];
    }
  }
  return slots;
}

SimSlots FullWriteLayout(const std::vector<UnitEntry>& entries, int capacity, int kept,
                         const SimSlot& kept_entry) {
  SimSlots unit;
  std::set<int> positions;
  if (kept > 0 && kept <= capacity) {
    unit.resize(static_cast<size_t>(kept));
    unit[static_cast<size_t>(kept - 1)] = kept_entry;
    positions.insert(kept);
  }
  return FullWriteLayout(entries, capacity, positions, unit);
}

std::vector<int> ChangedPositions(const SimSlots& layout, const SimSlots& unit,
                                  const std::set<int>& kept) {
  std::vector<int> changed;
  for (size_t i = 0; i < layout.size(); ++i) {
    const int position = static_cast<int>(i) + 1;
    if (kept.count(position) > 0) continue;
    const SimSlot none;
    const SimSlot& now = i < unit.size() ? unit[i] : none;
    if (now != layout[i]) changed.push_back(position);
  }
  return changed;
}

std::vector<int> ChangedPositions(const SimSlots& layout, const SimSlots& unit, int kept) {
  std::set<int> positions;
  if (kept > 0) positions.insert(kept);
  return ChangedPositions(layout, unit, positions);
}

int PositionOf(const SimSlots& slots, const std::string& name) {
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots[i] && slots[i]->name == name) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace vrkt
