#include <string_view>

#include "base/text.h"
#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "params/mapping.h"
#include "phonebook/phonebook.h"
#include "unit/status.h"
#include "unit/transfer.h"
#include "unit/write_check.h"

namespace vrkt {

namespace {

// The reserved entries take the first 28 steps of write-all; the phone book rows follow.
constexpr int kReservedSteps = 28;

std::string Positions(int from, int to) {
  if (from == to) return "position " + std::to_string(from);
  return "positions " + std::to_string(from) + " to " + std::to_string(to);
}

}  // namespace

std::vector<std::string> Transfer::ReservedValues(const Form1& form, const HeldValues& held) const {
  std::vector<std::string> values;
  for (const WriteStep& step : WriteOrder())
    values.push_back(WriteValue(step, form, held, p_.variant));
  return values;
}

Transfer::Transfer(UnitContext unit, StatusQueries& status, PhoneBookEditor& phonebook)
    : p_(unit), status_(status), phonebook_(phonebook) {}

// --- Window ---------------------------------------------------------------------------------

void Transfer::DisableForTransfer() {
  Form1& f = p_.form;
  for (Control* c : {static_cast<Control*>(&f.GroupBox4), static_cast<Control*>(&f.GroupBox5),
                     static_cast<Control*>(&f.signal), static_cast<Control*>(&f.Emergency),
                     static_cast<Control*>(&f.PhoneBook), static_cast<Control*>(&f.support)})
    c->SetEnabled(false);
}

void Transfer::EnableAfterTransfer() {
  Form1& f = p_.form;
  for (Control* c : {static_cast<Control*>(&f.GroupBox4), static_cast<Control*>(&f.GroupBox5),
                     static_cast<Control*>(&f.signal), static_cast<Control*>(&f.Emergency),
                     static_cast<Control*>(&f.PhoneBook), static_cast<Control*>(&f.support)})
    c->SetEnabled(true);
}

// --- Write-all ------------------------------------------------------------------------------

void Transfer::WriteSimEntry(const std::string& name, const std::string& value) {
  OperationState& op = p_.op;
  if (name.empty() || value.empty()) {
    pending_position_ = 0;
    pending_entry_.clear();
    SendWriteCommand("AT\r\n");
    p_.LogNote("---");
    return;
  }
  p_.LogNote("SIM" + std::to_string(op.NextSimPosition) + " " + name + "=" + value);
  written_.push_back(UnitEntry{name, value});
  pending_position_ = op.NextSimPosition;
  pending_entry_ = name + "=" + value;
  SendWriteCommand(SimWriteCommand(op.NextSimPosition, value, name));
  ++op.NextSimPosition;
}

void Transfer::SendWriteCommand(const std::string& command) {
  last_write_command_ = command;
  write_resent_ = false;
  p_.link.Send(command, [this](const CommandResult& r) { OnWriteAnswer(r); });
}

bool Transfer::WriteRunning() const { return p_.op.WriteAllRunning; }

void Transfer::RefuseWrite(const std::string& message, const std::string& reason,
                           SequenceOutcome::Kind kind) {
  write_outcome_ = SequenceOutcome{kind, message, reason.empty() ? message : reason};
  p_.dialogs().ShowMessage(message);
}

void Transfer::SaveGDIClick() {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  if (op.WriteAllRunning) return;
  // The read's last answer is still to come, and the window is not filled yet.
  if (ReadRunning()) {
    RefuseWrite(
        "Nothing was written: the unit is still being read. Write once the read has finished.");
    return;
  }
  // Without a read the SIM's size is unknown and nothing could be written; saying so beats a
  // sequence that ends at once and looks like a success.
  if (op.SimCapacity <= 0) {
    RefuseWrite(
        "Nothing was written: the size of the unit's SIM phone book is not known yet.\n"
        "Read the unit first (Stop or Load), then write.");
    return;
  }
  // Lists without a selection would be encoded as minus ones and empty fields that the unit
  // cannot use.
  const std::vector<std::string> missing = ListsWithoutValue(f, p_.variant);
  if (!missing.empty()) {
    const std::string lists = ListedLines(missing);
    RefuseWrite("Nothing was written: these settings have no value:" + lists +
                    "\nRead the unit or load a parameter file first, or choose a value in every "
                    "list.",
                "Nothing was written: these settings have no value:" + lists);
    return;
  }
  EncodeEntryValues(f, p_.held);
  // Everything is checked before the first byte: an entry the SIM refuses half-way would leave
  // it with part of the new settings and part of the old.
  const WritePlan plan = CheckBeforeWriting(f, p_.held, p_.variant, op.sim_limits);
  if (!plan.problems.empty()) {
    const std::string text = "Nothing was written: the unit's SIM cannot store these entries:" +
                             ListedLines(plan.problems) + "\nChange them, then write again.";
    RefuseWrite(text, text, SequenceOutcome::kRejected);
    return;
  }
  skipped_rows_ = plan.skipped;
  reserved_at_click_ = ReservedValues(f, p_.held);
  PlanChangedWrite();
  written_.clear();
  unsafe_reports_.clear();
  refused_entries_.clear();
  pending_position_ = 0;
  pending_entry_.clear();
  confirmed_position_ = 0;

  write_outcome_ = SequenceOutcome{};
  DisableForTransfer();
  try {
    f.Prubeh.SetMax(plan_active_ ? std::max(planned_, 1) : op.SimCapacity + 10);
    f.Prubeh.SetVisible(true);
    op.WriteAllRunning = true;
    op.WriteStep = 0;
    op.NextSimPosition = 1;
    // Waits its turn behind a poll or a button's command that is still out.
    p_.link.Begin(LinkUser::kWrite, [this] { SendWriteCommand("AT\r\n"); });
  } catch (...) {
    // The port could not be opened: the runner shows why, and the window must not stay
    // disabled behind it.
    op.WriteAllRunning = false;
    f.Prubeh.SetVisible(false);
    EnableAfterTransfer();
    throw;
  }
}

void Transfer::OnWriteAnswer(const CommandResult& r) {
  if (!p_.op.WriteAllRunning) return;
  if (r.ok()) {
    WriteAllStep();
    return;
  }
  if (r.kind == CommandResult::kDamaged && !write_resent_) {
    // Noise took the answer: the position may or may not hold its entry. Writing it once more
    // does no harm either way, and the read-back after the write tells what the SIM holds.
    p_.LogNote("answer to " + r.command + " unreadable: sent once more");
    write_resent_ = true;
    p_.link.Send(last_write_command_, [this](const CommandResult& again) { OnWriteAnswer(again); });
    return;
  }
  std::string why = DescribeFailure(r, p_.link.reply_deadline_ms());
  if (r.kind == CommandResult::kRefused) {
    if (pending_position_ > 0) why += " to SIM position " + std::to_string(pending_position_);
    if (!pending_entry_.empty()) why += " (" + Printable(pending_entry_) + ")";
  }
  // A refused or unsent command has certainly not changed its position; one that had gone out
  // when the line dropped may have.
  const bool pending_not_written =
      r.kind == CommandResult::kRefused || (r.kind == CommandResult::kNotSent && !r.went_out);
  StopWrite(why, OutcomeOf(r), pending_not_written);
}

void Transfer::WriteAllStep() {
  OperationState& op = p_.op;
  if (!op.WriteAllRunning) return;
  // This "OK" answers the previous command: its position is now stored or emptied.
  if (pending_position_ > 0) {
    confirmed_position_ = pending_position_;
    ++written_count_;
  }
  pending_position_ = 0;
  pending_entry_.clear();

  if (plan_active_) {
    // Steps whose position already holds its entry, and steps that would send only "AT", go by
    // without a command; the pace is kept before each command that is sent.
    for (;;) {
      ++op.WriteStep;
      SkipKeptPositions();
      if (op.NextSimPosition > op.SimCapacity) {
        p_.form.Prubeh.SetPosition(written_count_);
        FinishWrite();
        return;
      }
      if (!SkipUnchangedStep()) break;
    }
    p_.form.Prubeh.SetPosition(written_count_);
    p_.Pause(pace_ms_);
    try {
      RunWriteStep();
    } catch (const std::exception& e) {
      StopWrite(e.what(), SequenceOutcome::kPortLost, true);
    }
    return;
  }

  ++op.WriteStep;
  p_.form.Prubeh.SetPosition(op.WriteStep);
  SkipKeptPositions();
  if (op.NextSimPosition > op.SimCapacity) {
    FinishWrite();
    return;
  }
  p_.Pause(pace_ms_);
  try {
    RunWriteStep();
  } catch (const std::exception& e) {
    // The command could not be sent (the port failed): nothing will answer it.
    StopWrite(e.what(), SequenceOutcome::kPortLost, true);
  }
}

void Transfer::RunWriteStep() {
  const int step = p_.op.WriteStep;
  if (step <= kReservedSteps) {
    WriteReservedStep(step);
    return;
  }
  const int r = step - kReservedSteps;
  if (r < phonebook_.LineCount()) {
    WriteBookLine(r);
  } else {
    DeleteNextPosition();
  }
}

void Transfer::WriteReservedStep(int step) {
  const WriteStep& entry = WriteOrder()[step - 1];
  std::string name(entry.entry);
  std::string value = reserved_at_click_[static_cast<size_t>(step - 1)];
  if (!value.empty() && !IsWireSafeValue(value)) {
    // Only the field filters stand between a typed text and the wire; a value that slipped past
    // them is not sent.
    refused_entries_.push_back(name + "=" + Printable(value));
    value.clear();
  }
  WriteSimEntry(name, value);
}

void Transfer::WriteBookLine(int r) {
  const std::string name = phonebook_.Name(r);
  const std::string phone = phonebook_.Phone(r);
  // Checked again as the command is built: the grid may have changed since the write began.
  if (!name.empty() && !phone.empty() && !(IsWireSafeName(name) && IsWireSafeValue(phone))) {
    p_.LogNote("row " + std::to_string(r) + " skipped: it cannot be sent to the SIM");
    unsafe_reports_.push_back("row " + std::to_string(r) + ": " + Printable(name) + "=" +
                              Printable(phone));
    WriteSimEntry({}, {});
    return;
  }
  WriteSimEntry(name, phone);
}

void Transfer::SkipKeptPositions() {
  // An entry the last read could not read stays as the unit has it: its position is neither
  // reused nor deleted.
  // The unit's firmware version stays where the unit keeps it too: nothing is written over it
  // and it is not deleted.
  OperationState& op = p_.op;
  for (;;) {
    const int at = op.NextSimPosition;
    if (version_position_ > 0 && at == version_position_) {
      // It holds what it should: the unit's own entry.
    } else if (kept_positions_.count(at) > 0) {
      p_.LogNote("SIM" + std::to_string(at) + " kept: its entry could not be read");
    } else {
      return;
    }
    if (confirmed_position_ == at - 1) confirmed_position_ = at;
    ++op.NextSimPosition;
  }
}

void Transfer::DeleteNextPosition() {
  OperationState& op = p_.op;
  std::string note = "[";
  note += p_.clock().TimeOfDay();
  note += "]   delete SIM";
  note += std::to_string(op.NextSimPosition);
  p_.LogNote(note);
  pending_position_ = op.NextSimPosition;
  pending_entry_.clear();
  SendWriteCommand(SimDeleteCommand(op.NextSimPosition));
  ++op.NextSimPosition;
}

std::string Transfer::LeftoverReport(bool sim_full) const {
  const OperationState& op = p_.op;
  const int step = op.WriteStep;
  std::string out;
  // Entries that the sequence had not reached when the SIM was full. A write that stopped on its
  // own says which positions it reached instead.
  int rows_left = 0;
  const int lines = sim_full ? phonebook_.LineCount() : 0;
  for (int r = std::max(1, step - kReservedSteps); r < lines; ++r) {
    if (phonebook_.Name(r).empty() || phonebook_.Phone(r).empty()) continue;
    ++rows_left;
  }
  if (sim_full && step <= kReservedSteps) {
    out += "\nThe SIM (" + std::to_string(op.SimCapacity) +
           " positions) filled up before all settings were written.";
  }
  if (rows_left > 0) {
    out += "\n";
    out += std::to_string(rows_left);
    out += rows_left == 1 ? " phone book row" : " phone book rows";
    out += " did not fit on the SIM (";
    out += std::to_string(op.SimCapacity);
    out +=
        rows_left == 1 ? " positions) and was not written." : " positions) and were not written.";
  }
  if (!unsafe_reports_.empty()) {
    out +=
        "\nThese phone book rows were not written because they hold characters that cannot "
        "be sent to the SIM (a phone may hold only 0-9 + * #; a name no control characters, "
        "\";\", \",\" or double quotes):" +
        ListedLines(unsafe_reports_);
  }
  if (!refused_entries_.empty()) {
    out +=
        "\nThese settings were not written because their values hold characters that cannot "
        "be sent to the SIM:" +
        ListedLines(refused_entries_);
  }
  if (!skipped_rows_.empty()) {
    const size_t n = skipped_rows_.size();
    out += "\n" + std::to_string(n) + (n == 1 ? " phone book row was" : " phone book rows were") +
           " left out because a name or a number is empty:" + ListedLines(skipped_rows_);
  }
  return out;
}

void Transfer::FinishWrite() {
  Form1& f = p_.form;
  p_.op.WriteAllRunning = false;
  CountWrite();
  p_.link.End(LinkUser::kWrite);
  f.Prubeh.SetVisible(false);
  EnableAfterTransfer();
  const std::string leftovers = LeftoverReport(/*sim_full=*/true);
  // The Service and Ports pages stay open while the write runs; what was changed there since the
  // click is not on the unit.
  std::string changed_note;
  HeldValues now = p_.held;
  EncodeEntryValues(f, now);
  if (ReservedValues(f, now) != reserved_at_click_) {
    p_.LogNote("settings changed in the window while writing");
    changed_note =
        "\nSettings changed in the window while the unit was being written are not on the unit: "
        "write again to store them.";
  }
  write_outcome_.kind = SequenceOutcome::kDone;
  if (!leftovers.empty()) {
    p_.LogNote("write finished with entries not written");
    write_outcome_.message =
        "Writing to the unit finished, but not everything was written." + leftovers;
    write_outcome_.reason = write_outcome_.message;
  }
  // The unit is read back and compared with what was written, so that a write the unit did not
  // keep is never taken for a good one.
  if (verify_after_write_) {
    BeginVerify(leftovers + changed_note);
  } else if (!leftovers.empty() || !changed_note.empty()) {
    p_.dialogs().ShowMessage(leftovers.empty() ? changed_note.substr(1)
                                               : write_outcome_.message + changed_note);
  }
}

std::string Transfer::WrittenSoFar(bool pending_refused) const {
  if (plan_active_) return ChangedSoFar(pending_refused);
  const int capacity = p_.op.SimCapacity;
  const int done = confirmed_position_;
  std::string out;
  if (done == 0) {
    out = "No SIM position was written.";
  } else {
    out = "SIM ";
    out += Positions(1, done);
    out += done == 1 ? " was written." : " were written.";
  }
  if (done < capacity) {
    out += " P";
    out += Positions(done + 1, capacity).substr(1);
    out += done + 1 == capacity ? " was not written" : " were not written";
    if (pending_position_ == done + 1 && !pending_refused)
      out += " (position " + std::to_string(done + 1) + " may have been)";
    out += ".";
  }
  if (done > 0 && done < capacity)
    out += "\nThe SIM now holds new entries up to position " + std::to_string(done) +
           " and its old entries after it.";
  return out;
}

void Transfer::StopWrite(const std::string& why, SequenceOutcome::Kind kind, bool pending_refused) {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  p_.LogNote("write stopped: " + why);
  const std::string written = WrittenSoFar(pending_refused);
  op.WriteAllRunning = false;
  CountWrite();
  pending_position_ = 0;
  p_.link.End(LinkUser::kWrite);
  f.Prubeh.SetVisible(false);
  EnableAfterTransfer();
  write_outcome_.kind = kind;
  // A refusal comes again on the next try; only a unit that stopped answering is worth retrying.
  const std::string advice =
      kind == SequenceOutcome::kRefused
          ? "\nThe unit will refuse that entry again as it stands: change "
            "it, then write again."
          : (confirmed_position_ > 0 ? " Write again once the unit answers." : "");
  write_outcome_.message = "Writing to the unit stopped: " + why + ".\n" + written + advice +
                           LeftoverReport(/*sim_full=*/false);
  write_outcome_.reason = write_outcome_.message;
  p_.dialogs().ShowMessage(write_outcome_.message);
}

}  // namespace vrkt
