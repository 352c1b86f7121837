// Write-all by changed positions only: the plan made at the click from the last whole reading,
// and the steps it lets pass without a command.
#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "phonebook/phonebook.h"
#include "unit/status.h"
#include "unit/transfer.h"

namespace vrkt {

namespace {

std::string Count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool Transfer::CanWriteChangedOnly() const {
  return reading_.complete && reading_.capacity > 0 && reading_.capacity == p_.op.SimCapacity &&
         !ReadRunning();
}

SimSlots Transfer::ReadSlots() const {
  if (!reading_.complete || reading_.capacity <= 0) return {};
  SimSlots slots(static_cast<size_t>(reading_.capacity));
  for (const ListedEntry& e : reading_.entries)
    if (e.index >= 1 && e.index <= reading_.capacity)
      slots[static_cast<size_t>(e.index - 1)] = UnitEntry{e.name, e.number};
  return slots;
}

int Transfer::positions_written() const { return written_count_; }

int Transfer::positions_planned() const { return plan_active_ ? planned_ : p_.op.SimCapacity; }

void Transfer::PlanChangedWrite() {
  plan_active_ = false;
  written_count_ = 0;
  already_right_ = 0;
  planned_ = 0;
  plan_kept_.clear();
  plan_layout_.clear();
  plan_basis_.clear();
  const CheckBox& box = p_.form.OnlyChanged;
  if (!(changed_only_ || (box.checked() && box.enabled())) || !CanWriteChangedOnly()) return;
  // The entries a write of every position puts on the SIM, in its order: what the steps below
  // would send, the values as they were at the click.
  std::vector<UnitEntry> entries;
  const auto order = WriteOrder();
  for (size_t i = 0; i < order.size(); ++i) {
    const std::string& value = reserved_at_click_[i];
    if (!value.empty() && IsWireSafeValue(value))
      entries.push_back(UnitEntry{std::string(order[i].entry), value});
  }
  for (int r = 1; r < phonebook_.LineCount(); ++r) {
    const std::string name = phonebook_.Name(r);
    const std::string phone = phonebook_.Phone(r);
    if (name.empty() || phone.empty() || !IsWireSafeName(name) || !IsWireSafeValue(phone)) continue;
    entries.push_back(UnitEntry{name, phone});
  }
  plan_basis_ = ReadSlots();
  const int capacity = p_.op.SimCapacity;
  // The unit's version entry is its firmware's, and an entry the reading could not make out
  // stays as the unit has it: the write neither reuses nor empties their positions. The plan
  // keeps the very position the steps pass over: with two VER entries, the one listed last.
  plan_kept_ = kept_positions_;
  if (version_position_ > 0) plan_kept_.insert(version_position_);
  plan_layout_ = FullWriteLayout(entries, capacity, plan_kept_, plan_basis_);
  planned_ = static_cast<int>(ChangedPositions(plan_layout_, plan_basis_, plan_kept_).size());
  plan_active_ = true;
  p_.LogNote("write changed positions only: " + std::to_string(planned_) + " of " +
             std::to_string(capacity) + " differ");
}

bool Transfer::PositionIsRight(int position, const SimSlot& entry) const {
  if (position < 1 || position > static_cast<int>(plan_layout_.size())) return false;
  const auto i = static_cast<size_t>(position - 1);
  // Where the window's entries no longer agree with the plan, the position is written.
  return plan_layout_[i] == entry && plan_basis_[i] == entry;
}

bool Transfer::SkipUnchangedStep() {
  OperationState& op = p_.op;
  const int step = op.WriteStep;
  std::optional<UnitEntry> entry;
  if (step <= kWriteStepCount) {
    const std::string& value = reserved_at_click_[static_cast<size_t>(step - 1)];
    if (value.empty()) return true;             // "AT" only
    if (!IsWireSafeValue(value)) return false;  // the step reports it
    entry = UnitEntry{std::string(WriteOrder()[static_cast<size_t>(step - 1)].entry), value};
  } else if (const int r = step - kWriteStepCount; r < phonebook_.LineCount()) {
    const std::string name = phonebook_.Name(r);
    const std::string phone = phonebook_.Phone(r);
    if (name.empty() || phone.empty()) return true;
    if (!IsWireSafeName(name) || !IsWireSafeValue(phone)) return false;
    entry = UnitEntry{name, phone};
  }
  if (!PositionIsRight(op.NextSimPosition, entry)) return false;
  if (entry) written_.push_back(*entry);
  ++already_right_;
  ++op.NextSimPosition;
  return true;
}

void Transfer::CountWrite() {
  if (tally_.writes++ == 0) tally_.already_right = positions_already_right();
  tally_.written += positions_written();
}

std::string Transfer::ChangedTally() const {
  return Count(written_count_, "position written", "positions written") + ", " +
         std::to_string(already_right_) + " already right";
}

std::string Transfer::ChangedSoFar(bool pending_refused) const {
  std::string out = "Of the " + Count(planned_, "SIM position", "SIM positions") +
                    " that differed, " + std::to_string(written_count_) +
                    (written_count_ == 1 ? " was" : " were") + " written";
  if (pending_position_ > 0 && !pending_refused)
    out += " (position " + std::to_string(pending_position_) + " may have been as well)";
  out += "; " + std::to_string(already_right_) + " already held their entries.";
  if (written_count_ + already_right_ < p_.op.SimCapacity - static_cast<int>(plan_kept_.size()))
    out += "\nThe SIM now holds a mix of new and old entries: write again.";
  return out;
}

}  // namespace vrkt
