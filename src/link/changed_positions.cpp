#include "link/changed_positions.h"

#include <algorithm>

namespace vrkt {

SimSlots FullWriteLayout(const std::vector<UnitEntry>& entries, int capacity, int kept,
                         const SimSlot& kept_entry) {
  SimSlots slots(static_cast<size_t>(std::max(capacity, 0)));
  size_t next = 0;
  for (int position = 1; position <= capacity; ++position) {
    SimSlot& slot = slots[static_cast<size_t>(position - 1)];
    if (position == kept) {
      slot = kept_entry;
    } else if (next < entries.size()) {
      slot = entries[next++];
    }
  }
  return slots;
}

std::vector<int> ChangedPositions(const SimSlots& layout, const SimSlots& unit, int kept) {
  std::vector<int> changed;
  for (size_t i = 0; i < layout.size(); ++i) {
    const int position = static_cast<int>(i) + 1;
    if (position == kept) continue;
    const SimSlot none;
    const SimSlot& now = i < unit.size() ? unit[i] : none;
    if (now != layout[i]) changed.push_back(position);
  }
  return changed;
}

int PositionOf(const SimSlots& slots, const std::string& name) {
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots[i] && slots[i]->name == name) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace vrkt
