#include "link/transfer.h"

#include <string_view>

#include "app/program.h"
#include "base/text.h"
#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "params/mapping.h"

namespace vrkt {

namespace {

// The reserved entries take the first 28 steps of write-all; the phone book rows follow.
constexpr int kReservedSteps = 28;
// Rows named one by one in a message; the rest are counted.
constexpr size_t kMaxRowsNamed = 10;

std::string Positions(int from, int to) {
  if (from == to) return "position " + std::to_string(from);
  return "positions " + std::to_string(from) + " to " + std::to_string(to);
}

std::string JoinLines(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size() && i < kMaxRowsNamed; ++i) out += "\n  " + items[i];
  if (items.size() > kMaxRowsNamed)
    out += "\n  and " + std::to_string(items.size() - kMaxRowsNamed) + " more";
  return out;
}

}  // namespace

Transfer::Transfer(Program& program) : p_(program) {
  p_.form.TransferDeadline.on_timer = [this] { TransferDeadlineTimer(); };
}

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

// --- Deadline -------------------------------------------------------------------------------

void Transfer::ArmDeadline() {
  Timer& t = p_.form.TransferDeadline;
  if (t.is_enabled())
    t.Restart();
  else
    t.SetOn(true);
}

void Transfer::DisarmDeadline() { p_.form.TransferDeadline.SetOn(false); }

void Transfer::TransferDeadlineTimer() {
  DisarmDeadline();
  const std::string why = "the unit gave no answer within " +
                          std::to_string(kReplyDeadlineMs / 1000) + " seconds";
  if (p_.op.WriteAllRunning) {
    StopWrite(why, false);
  } else if (read_phase_ != ReadPhase::kIdle) {
    StopRead(why);
  }
}

// --- Write-all ------------------------------------------------------------------------------

void Transfer::WriteSimEntry(const std::string& name, const std::string& value) {
  OperationState& op = p_.op;
  if (name.empty() || value.empty()) {
    pending_position_ = 0;
    pending_entry_.clear();
    p_.Send("AT\r\n");
    p_.LogNote("---");
    return;
  }
  p_.LogNote("SIM" + std::to_string(op.NextSimPosition) + " " + name + "=" + value);
  pending_position_ = op.NextSimPosition;
  pending_entry_ = name + "=" + value;
  p_.Send(SimWriteCommand(op.NextSimPosition, value, name));
  ++op.NextSimPosition;
}

void Transfer::SaveGDIClick() {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  if (op.WriteAllRunning) return;
  // The read's last "OK" is still to come and would drive the write one step ahead of the unit.
  if (read_phase_ != ReadPhase::kIdle) {
    p_.dialogs().ShowMessage(
        "Nothing was written: the unit is still being read. Write once the read has finished.");
    return;
  }
  // Without a read the SIM's size is unknown and nothing could be written; saying so beats a
  // sequence that ends at once and looks like a success.
  if (op.SimCapacity <= 0) {
    p_.dialogs().ShowMessage(
        "Nothing was written: the size of the unit's SIM phone book is not known yet.\n"
        "Read the unit first (Stop or Load), then write.");
    return;
  }
  // Lists without a selection would be encoded as minus ones and empty fields that the unit
  // cannot use.
  if (!AllListsSelected(f) || (p_.variant.IsDvg() && f.Rate.text().empty())) {
    p_.dialogs().ShowMessage(
        "Nothing was written: the settings are not complete (some lists have no value).\n"
        "Read the unit or load a parameter file first, or choose a value in every list.");
    return;
  }
  CheckRowsForWire();
  refused_entries_.clear();
  pending_position_ = 0;
  pending_entry_.clear();
  confirmed_position_ = 0;

  DisableForTransfer();
  try {
    EncodeEntryValues(f, p_.held);
    f.Prubeh.SetMax(op.SimCapacity + 10);
    f.Prubeh.SetVisible(true);
    p_.Send("AT\r\n");
  } catch (...) {
    // The port could not be opened (or the encode failed): the runner shows why, and the window
    // must not stay disabled behind it.
    f.Prubeh.SetVisible(false);
    EnableAfterTransfer();
    throw;
  }
  op.WriteAllRunning = true;
  op.WriteStep = 0;
  op.NextSimPosition = 1;
  ArmDeadline();
}

void Transfer::CheckRowsForWire() {
  unsafe_lines_.clear();
  unsafe_reports_.clear();
  const int lines = p_.phonebook.LineCount();
  for (int r = 1; r < lines; ++r) {
    std::string name = p_.phonebook.Name(r);
    std::string phone = p_.phonebook.Phone(r);
    if (name.empty() || phone.empty()) continue;
    if (IsWireSafeName(name) && IsWireSafeValue(phone)) continue;
    unsafe_lines_.push_back(r);
    unsafe_reports_.push_back("row " + std::to_string(r) + ": " + Printable(name) + "=" +
                              Printable(phone));
  }
}

void Transfer::WriteAllStep() {
  OperationState& op = p_.op;
  if (!op.WriteAllRunning) return;
  // This "OK" answers the previous command: its position is now stored or emptied.
  if (pending_position_ > 0) confirmed_position_ = pending_position_;
  pending_position_ = 0;
  pending_entry_.clear();

  ++op.WriteStep;
  p_.form.Prubeh.SetPosition(op.WriteStep);
  if (op.NextSimPosition > op.SimCapacity) {
    FinishWrite();
    return;
  }
  p_.Pause(200);
  try {
    RunWriteStep();
  } catch (const std::exception& e) {
    // The command could not be sent (the port failed): nothing will answer it.
    StopWrite(e.what(), true);
    return;
  }
  ArmDeadline();
}

void Transfer::RunWriteStep() {
  const int step = p_.op.WriteStep;
  if (step <= kReservedSteps) {
    WriteReservedStep(step);
    return;
  }
  const int r = step - kReservedSteps;
  if (r < p_.phonebook.LineCount()) {
    WriteBookLine(r);
  } else {
    DeleteNextPosition();
  }
}

void Transfer::WriteReservedStep(int step) {
  const WriteStep& entry = WriteOrder()[step - 1];
  std::string name(entry.entry);
  std::string value = WriteValue(entry, p_.form, p_.held, p_.variant);
  if (!value.empty() && !IsWireSafeValue(value)) {
    // Only the field filters stand between a typed text and the wire; a value that slipped past
    // them is not sent.
    refused_entries_.push_back(name + "=" + Printable(value));
    value.clear();
  }
  WriteSimEntry(name, value);
}

void Transfer::WriteBookLine(int r) {
  for (int line : unsafe_lines_) {
    if (line == r) {
      p_.LogNote("row " + std::to_string(r) + " skipped: it cannot be sent to the SIM");
      WriteSimEntry({}, {});
      return;
    }
  }
  WriteSimEntry(p_.phonebook.Name(r), p_.phonebook.Phone(r));
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
  p_.Send(SimDeleteCommand(op.NextSimPosition));
  ++op.NextSimPosition;
}

std::string Transfer::LeftoverReport(bool sim_full) const {
  const OperationState& op = p_.op;
  const int step = op.WriteStep;
  std::string out;
  // Entries that the sequence had not reached when the SIM was full. A write that stopped on its
  // own says which positions it reached instead.
  int rows_left = 0;
  const int lines = sim_full ? p_.phonebook.LineCount() : 0;
  for (int r = std::max(1, step - kReservedSteps); r < lines; ++r) {
    if (p_.phonebook.Name(r).empty() || p_.phonebook.Phone(r).empty()) continue;
    bool unsafe = false;
    for (int line : unsafe_lines_) unsafe = unsafe || line == r;
    if (!unsafe) ++rows_left;
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
    out += rows_left == 1 ? " positions) and was not written." : " positions) and were not written.";
  }
  if (!unsafe_reports_.empty()) {
    out += "\nThese phone book rows were not written because they hold characters that cannot "
           "be sent to the SIM (a phone may hold only 0-9 + * #; a name no control characters, "
           "\";\", \",\" or double quotes):" +
           JoinLines(unsafe_reports_);
  }
  if (!refused_entries_.empty()) {
    out += "\nThese settings were not written because their values hold characters that cannot "
           "be sent to the SIM:" +
           JoinLines(refused_entries_);
  }
  return out;
}

void Transfer::FinishWrite() {
  Form1& f = p_.form;
  p_.op.WriteAllRunning = false;
  DisarmDeadline();
  f.Prubeh.SetVisible(false);
  EnableAfterTransfer();
  const std::string leftovers = LeftoverReport(/*sim_full=*/true);
  if (!leftovers.empty()) {
    p_.LogNote("write finished with entries not written");
    p_.dialogs().ShowMessage("Writing to the unit finished, but not everything was written." +
                             leftovers);
  }
}

std::string Transfer::WrittenSoFar(bool pending_refused) const {
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
           " and its old entries after it. Write again once the unit answers.";
  return out;
}

void Transfer::StopWrite(const std::string& why, bool pending_refused) {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  p_.LogNote("write stopped: " + why);
  const std::string written = WrittenSoFar(pending_refused);
  op.WriteAllRunning = false;
  pending_position_ = 0;
  DisarmDeadline();
  f.Prubeh.SetVisible(false);
  EnableAfterTransfer();
  p_.dialogs().ShowMessage("Writing to the unit stopped: " + why + ".\n" + written +
                           LeftoverReport(/*sim_full=*/false));
}

// --- Read-all -------------------------------------------------------------------------------

void Transfer::LoadGDIClick() {
  Form1& f = p_.form;
  // A second read on top of a running one would interleave both entry listings on the wire and
  // fill the grid with every ordinary entry twice.
  if (read_phase_ != ReadPhase::kIdle) {
    p_.dialogs().ShowMessage(
        "The unit is still being read. Load again once the read has finished.");
    return;
  }
  p_.Send("AT+COPS?\r\n");
  f.Prubeh.SetPosition(0);
  if (ModelFilled(f)) f.SaveGDI.SetEnabled(true);
  p_.phonebook.Clear();
  p_.op.BookReplaceOnNext = true;
  BeginRead(ReadPhase::kOperator);
}

void Transfer::StopReadStarted() {
  // A write in progress keeps the deadline for itself; its own deadline catches an "OK" that the
  // operator query takes from it.
  if (p_.op.WriteAllRunning) return;
  BeginRead(ReadPhase::kStopEcho);
}

void Transfer::BeginRead(ReadPhase phase) {
  if (read_phase_ == ReadPhase::kIdle) entries_read_ = 0;
  read_phase_ = phase;
  ArmDeadline();
}

void Transfer::EndRead() {
  read_phase_ = ReadPhase::kIdle;
  if (!p_.op.WriteAllRunning) DisarmDeadline();
}

void Transfer::StopRead(const std::string& why) {
  std::string waiting_for;
  switch (read_phase_) {
    case ReadPhase::kStopEcho: waiting_for = "the unit's first answer after it stopped"; break;
    case ReadPhase::kOperator: waiting_for = "the operator"; break;
    case ReadPhase::kRange: waiting_for = "the size of the SIM phone book"; break;
    case ReadPhase::kRangeOk:
    case ReadPhase::kEntries: waiting_for = "the SIM phone book entries"; break;
    case ReadPhase::kIdle: return;
  }
  // A pending operator query would otherwise take the "OK" of the next action.
  p_.op.QueryOperatorOnOk = false;
  const int read = entries_read_;
  EndRead();
  p_.LogNote("read stopped: " + why);
  std::string msg = "Reading from the unit stopped: " + why + " while waiting for " +
                    waiting_for + ".\n";
  if (read == 0) {
    msg += "No entry was read; the window still shows the values it had before.";
  } else {
    msg += std::to_string(read) + (read == 1 ? " entry was" : " entries were") +
           " read. The rest of the window still shows the values it had before, so it may not "
           "match the unit.";
  }
  p_.dialogs().ShowMessage(msg);
}

void Transfer::ObserveLine(const std::string& line) {
  const bool write = p_.op.WriteAllRunning;
  if (!write && read_phase_ == ReadPhase::kIdle) return;

  // Entry lines and listed messages may quote "ERROR" as text; they are no answer.
  if (Contains(line, "ERROR") && !Contains(line, "+CPBR") && !Contains(line, "+CMGL")) {
    // "not found": the SIM holds no entry in the range asked for, which ends a read normally.
    if (!write && read_phase_ == ReadPhase::kEntries && line == "+CME ERROR: 22") {
      EndRead();
      return;
    }
    const std::string why = "the unit answered \"" + Printable(line) + "\"";
    if (write) {
      std::string what = pending_position_ > 0
                             ? " to SIM position " + std::to_string(pending_position_)
                             : std::string();
      if (!pending_entry_.empty()) what += " (" + Printable(pending_entry_) + ")";
      StopWrite(why + what, true);
    } else {
      StopRead(why);
    }
    return;
  }
  if (write) return;  // its "OK"s come through WriteAllStep

  switch (read_phase_) {
    case ReadPhase::kStopEcho:
      // Only the "OK" that the dispatcher hands to the operator query moves the read on; one
      // that the loader takes first does not.
      if (line == "OK" && p_.op.QueryOperatorOnOk &&
          !(p_.op.LoaderWaitingOk && !p_.op.AsendWaitingEvent))
        BeginRead(ReadPhase::kOperator);
      break;
    case ReadPhase::kOperator:
      if (Contains(line, "+COPS") && !Contains(line, "+CPBR")) {
        // The dispatcher asks for the range only while the unit is stopped.
        if (p_.port().PortNumber() != 0 && p_.form.RunGDI.visible())
          BeginRead(ReadPhase::kRange);
        else
          EndRead();
      }
      break;
    case ReadPhase::kRange:
      if (Contains(line, "+CPBR: (1-")) {
        auto n = TryParseInt(TrimBlanks(Before(CutThrough(line, "-"), ")")));
        if (n && *n > 10 && p_.port().PortNumber() != 0)
          BeginRead(ReadPhase::kRangeOk);
        else
          EndRead();
      }
      break;
    case ReadPhase::kRangeOk:
      if (line == "OK") BeginRead(ReadPhase::kEntries);
      break;
    case ReadPhase::kEntries:
      if (line == "OK") EndRead();
      break;
    case ReadPhase::kIdle:
      break;
  }
}

void Transfer::SortEntry(const std::string& line) {
  if (read_phase_ == ReadPhase::kEntries || read_phase_ == ReadPhase::kRangeOk) {
    ++entries_read_;
    ArmDeadline();
  }
  SimEntryText e = ParseSimEntryLine(line);
  PlaceEntry(e.name, e.number);
}

void Transfer::PlaceEntry(const std::string& name, const std::string& number) {
  Form1& f = p_.form;
  switch (vrkt::RouteEntry(f, p_.held, p_.variant, name, number)) {
    case EntryRoute::kVersion:
      f.StatusBar1.SetPanel(4, (p_.variant.IsVrkt() ? " VRKT Ver: " : " DVG1C Ver: ") + number);
      if (p_.variant.Is4G) f.StatusBar1.SetPanel(4, " VRKT4G Ver: " + number);
      return;
    case EntryRoute::kOrdinary:
      if (p_.op.BookReplaceOnNext) {
        p_.phonebook.ReplaceWithRow(name, number);
        p_.op.BookReplaceOnNext = false;
      } else {
        p_.phonebook.AppendRow(name, number);
      }
      return;
    default:
      return;
  }
}

}  // namespace vrkt
