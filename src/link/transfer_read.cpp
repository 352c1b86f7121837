// Read-all: the operator, the size of the SIM phone book and the listing of its entries, each
// asked for once the previous answer is complete.
#include <exception>

#include "app/program.h"
#include "base/text.h"
#include "link/module_errors.h"
#include "link/transfer.h"
#include "params/mapping.h"

namespace vrkt {

namespace {

constexpr char kOperatorQuery[] = "AT+COPS?\r\n";
constexpr char kRangeQuery[] = "AT+CPBR=?\r\n";

// The module's way of saying that the range it was asked to list holds no entry.
bool IsNotFound(const std::string& line) {
  return IsModuleError(line, ModuleErrorFamily::kCme, 22);
}

// Some modules end a listing that reaches past their last used position with "invalid index".
bool IsInvalidIndex(const std::string& line) {
  return IsModuleError(line, ModuleErrorFamily::kCme, 21);
}

// The index a damaged entry line still shows, 0 when even that is unreadable.
int IndexOfDamagedLine(const std::string& line) {
  size_t colon = line.find(':');
  if (colon == std::string::npos) return 0;
  size_t i = colon + 1;
  while (i < line.size() && line[i] == ' ') ++i;
  int index = 0;
  size_t digits = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 6; ++i, ++digits)
    index = index * 10 + (line[i] - '0');
  if (digits == 0 || i >= line.size() || line[i] != ',') return 0;
  return index;
}

// Whether a line could be a listing entry, however damaged: noise adds bytes above 127.
bool MayBeEntryLine(const std::string& line) {
  std::string plain;
  for (char c : line)
    if (static_cast<unsigned char>(c) < 128) plain.push_back(c);
  return Contains(plain, "CPBR");
}

}  // namespace

bool Transfer::ReadRunning() const { return p_.link.Has(LinkUser::kRead); }

void Transfer::LoadGDIClick() {
  Form1& f = p_.form;
  // A second read on top of a running one would list the SIM twice.
  if (ReadRunning()) {
    p_.dialogs().ShowMessage(
        "The unit is still being read. Load again once the read has finished.");
    return;
  }
  BeginRead(/*from_load=*/true);
  f.Prubeh.SetPosition(0);
  if (ModelFilled(f)) f.SaveGDI.SetEnabled(true);
  p_.op.BookReplaceOnNext = true;
}

void Transfer::StartStopRead() {
  // One read at a time: a read that already runs or waits brings in what this one would.
  if (ReadRunning()) return;
  BeginRead(/*from_load=*/false);
}

void Transfer::BeginRead(bool from_load) {
  p_.link.Begin(LinkUser::kRead, [this, from_load] {
    ResetRead(from_load);
    try {
      if (from_load) {
        read_stage_ = ReadStage::kOperator;
        p_.link.Send(kOperatorQuery, [this](const CommandResult& r) { OnOperatorAnswer(r); });
      } else {
        read_stage_ = ReadStage::kStopEcho;
        p_.op.QueryOperatorOnOk = true;
        p_.link.Send("ATE0\r\n", [this](const CommandResult& r) { OnStopEcho(r); });
      }
    } catch (...) {
      read_stage_ = ReadStage::kIdle;
      p_.op.QueryOperatorOnOk = false;
      throw;
    }
  });
}

void Transfer::ResetRead(bool from_load) {
  read_from_load_ = from_load;
  verifying_ = false;
  quiet_check_ = false;
  sim_lock_.clear();
  asking_pin_state_ = false;
  operator_seen_ = false;
  end_after_answer_ = false;
  range_seen_ = 0;
  lines_listed_ = 0;
  listed_.clear();
  damage_.clear();
  reading_ = SimReading{};
  read_outcome_ = SequenceOutcome{};
}

std::string Transfer::ReadFailure(const CommandResult& r) const {
  return DescribeFailure(r, p_.link.reply_deadline_ms());
}

void Transfer::FailRead(const CommandResult& r) {
  // A SIM that waits for its PIN refuses the phone book; some modules say so, others answer a
  // bare "ERROR". The module is asked then, so that the message can say what to do.
  if (r.kind == CommandResult::kRefused) {
    if (IsModuleError(r.line, ModuleErrorFamily::kCme, 11)) sim_lock_ = "SIM PIN";
    if (IsModuleError(r.line, ModuleErrorFamily::kCme, 12)) sim_lock_ = "SIM PUK";
    if (sim_lock_.empty() && r.line == "ERROR") {
      failed_ = r;
      try {
        p_.link.Send("AT+CPIN?\r\n", [this](const CommandResult& a) {
          if (read_stage_ == ReadStage::kIdle) return;
          (void)a;  // whatever the answer, the read fails for the first reason
          StopRead(ReadFailure(failed_), OutcomeOf(failed_));
        });
        asking_pin_state_ = true;
        return;
      } catch (const std::exception&) {
        // The port failed as well: the first reason is reason enough.
      }
    }
  }
  StopRead(ReadFailure(r), OutcomeOf(r));
}

void Transfer::OnStopEcho(const CommandResult& r) {
  if (read_stage_ != ReadStage::kStopEcho) return;
  p_.op.QueryOperatorOnOk = false;
  if (!r.ok()) {
    FailRead(r);
    return;
  }
  p_.Pause(200);
  read_stage_ = ReadStage::kOperator;
  SendReadCommand(kOperatorQuery, [this](const CommandResult& a) { OnOperatorAnswer(a); });
}

void Transfer::SendReadCommand(const std::string& command, CommandLink::Done done) {
  try {
    p_.link.Send(command, std::move(done));
  } catch (const std::exception& e) {
    StopRead(e.what(), SequenceOutcome::kPortLost);
  }
}

bool Transfer::TakeReadLine(const std::string& line, bool /*noisy*/) {
  if (!p_.link.InFlight() || p_.link.user_in_flight() != LinkUser::kRead) return false;
  const std::string& asked = p_.link.command_in_flight();
  if (asking_pin_state_ && asked == "AT+CPIN?" && StartsWith(line, "+CPIN:")) {
    std::string state = TrimBlanks(CutThrough(line, ":"));
    if (state == "SIM PIN" || state == "SIM PUK") sim_lock_ = state;
    return true;
  }
  switch (read_stage_) {
    case ReadStage::kOperator:
      if (asked != CommandLink::Plain(kOperatorQuery) || !Contains(line, "+COPS")) return false;
      TakeOperator(line);
      return true;
    case ReadStage::kRange:
      if (asked != CommandLink::Plain(kRangeQuery) || !Contains(line, "+CPBR")) return false;
      TakeRange(line);
      return true;
    case ReadStage::kEntries:
      // A line of junk alone is no entry; a line that may be one is read in its exact form.
      if (!StartsWith(asked, "AT+CPBR=1,") || !MayBeEntryLine(line)) return false;
      TakeEntry(line);
      return true;
    case ReadStage::kStopEcho:
    case ReadStage::kIdle:
      return false;
  }
  return false;
}

void Transfer::TakeOperator(const std::string& line) {
  p_.status.ShowOperator(line);
  operator_seen_ = true;
  p_.Pause(200);
  // The range is asked for only while the unit is stopped; it goes out once the operator query
  // has its final result.
  if (p_.port().PortNumber() != 0 && p_.form.RunGDI.visible()) {
    read_stage_ = ReadStage::kRange;
    SendReadCommand(kRangeQuery, [this](const CommandResult& r) { OnRangeAnswer(r); });
  } else {
    end_after_answer_ = true;
  }
}

void Transfer::OnOperatorAnswer(const CommandResult& r) {
  if (read_stage_ == ReadStage::kIdle) return;
  // The range query may be queued already; what failed is the operator query.
  if (!r.ok() || !operator_seen_) read_stage_ = ReadStage::kOperator;
  if (!r.ok()) {
    FailRead(r);
  } else if (!operator_seen_) {
    StopRead("the unit answered the operator query (AT+COPS?) without an operator",
             SequenceOutcome::kDamaged);
  } else if (end_after_answer_) {
    // The unit did not look stopped yet: the read ends here, as the window's user would see.
    read_outcome_.kind = SequenceOutcome::kDone;
    EndRead();
  }
}

void Transfer::TakeRange(const std::string& line) {
  std::optional<SimLimits> range = ParseRangeReply(line);
  if (!range || range->positions < 1 || range->positions > kMaxSimPositions) {
    if (damage_.empty())
      damage_ = "the unit's reply about the size of its SIM was damaged (\"" + Printable(line) +
                "\")";
    return;
  }
  range_seen_ = range->positions;
  reading_.capacity = range->positions;
  reading_.limits = *range;
  p_.status.ShowSimCapacity(*range);
  if (range->positions <= 10) {
    end_after_answer_ = true;  // a SIM this small holds no entries to list
    return;
  }
  p_.Pause(100);
  if (p_.port().PortNumber() == 0) {
    end_after_answer_ = true;
    return;
  }
  read_stage_ = ReadStage::kEntries;
  SendReadCommand("AT+CPBR=1," + std::to_string(range->positions) + "\r\n",
                  [this](const CommandResult& r) { OnListingAnswer(r); });
}

void Transfer::OnRangeAnswer(const CommandResult& r) {
  if (read_stage_ == ReadStage::kIdle) return;
  if (!r.ok() || !damage_.empty() || range_seen_ == 0) read_stage_ = ReadStage::kRange;
  if (!r.ok()) {
    FailRead(r);
  } else if (!damage_.empty()) {
    StopRead(damage_, SequenceOutcome::kDamaged);
  } else if (range_seen_ == 0) {
    StopRead("the unit answered the size query (AT+CPBR=?) without the size",
             SequenceOutcome::kDamaged);
  } else if (end_after_answer_) {
    read_outcome_.kind = SequenceOutcome::kDone;
    EndRead();
  }
}

void Transfer::TakeEntry(const std::string& line) {
  // Every entry that arrives is an answer: a long listing keeps its deadline alive.
  p_.link.Progress();
  ++lines_listed_;
  if (!damage_.empty()) return;  // the first damage is the one to report
  // Control bytes that noise slips in are gone already; bytes above 127 where the listing has
  // digits, quotes or commas break the form. A name may hold such bytes in its own right.
  std::optional<ListedEntry> e = ParseListedEntry(line);
  if (e && e->index <= range_seen_ && listed_.insert(e->index).second) {
    reading_.entries.push_back(std::move(*e));
    return;
  }
  int position = e ? e->index : IndexOfDamagedLine(line);
  if (position >= 1 && position <= range_seen_) {
    damage_ = "the reply for SIM position " + std::to_string(position) + " was damaged";
  } else if (!reading_.entries.empty()) {
    damage_ = "the reply for a SIM position after position " +
              std::to_string(reading_.entries.back().index) + " was damaged";
  } else {
    damage_ = "the reply for the first listed SIM position was damaged";
  }
  damage_ += " (\"" + Printable(line) + "\")";
}

void Transfer::OnListingAnswer(const CommandResult& r) {
  if (read_stage_ == ReadStage::kIdle) return;
  const bool ended_by_module =
      r.kind == CommandResult::kRefused && (IsNotFound(r.line) || IsInvalidIndex(r.line));
  if (!r.ok() && !ended_by_module) {
    FailRead(r);
  } else if (!damage_.empty()) {
    StopRead(damage_ + "; read again", SequenceOutcome::kDamaged);
  } else {
    CompleteRead();
  }
}

void Transfer::ListAgain() {
  if (ReadRunning() || p_.op.SimCapacity <= 0) return;
  BeginVerify({}, /*quiet=*/true);
}

void Transfer::BeginVerify(const std::string& write_note, bool quiet) {
  verify_note_ = write_note;
  const int capacity = p_.op.SimCapacity;
  p_.link.Begin(LinkUser::kRead, [this, capacity, quiet] {
    ResetRead(/*from_load=*/false);
    verifying_ = true;
    quiet_check_ = quiet;
    range_seen_ = capacity;
    reading_.capacity = capacity;
    reading_.limits = p_.op.sim_limits;
    read_stage_ = ReadStage::kEntries;
    SendReadCommand("AT+CPBR=1," + std::to_string(capacity) + "\r\n",
                    [this](const CommandResult& r) { OnListingAnswer(r); });
  });
}

void Transfer::ReportVerification() {
  std::vector<UnitEntry> unit;
  for (const ListedEntry& e : reading_.entries) unit.push_back(UnitEntry{e.name, e.number});
  const std::vector<Difference> diffs = CompareEntries(written_, unit, {"VER"});
  verified_differences_ = static_cast<int>(diffs.size());
  std::string msg;
  if (diffs.empty()) {
    const size_t n = written_.size();
    msg = "Written and verified: " + std::to_string(n) + (n == 1 ? " position." : " positions.");
    if (plan_active_) msg = "Written and verified: " + ChangedTally() + ".";
  } else {
    constexpr size_t kShown = 20;
    std::vector<Difference> shown(diffs.begin(),
                                  diffs.begin() + static_cast<long>(std::min(kShown, diffs.size())));
    msg = "Written, but reading the unit back shows that it does not hold what was written (" +
          std::to_string(diffs.size()) + (diffs.size() == 1 ? " difference" : " differences") +
          "):\n" + FormatDifferences(shown, "written", /*utf8=*/false);
    if (diffs.size() > kShown) msg += "  and " + std::to_string(diffs.size() - kShown) + " more\n";
    msg += "Write again; if the differences stay, the unit's SIM does not keep what it is given.";
  }
  p_.LogNote(msg.substr(0, msg.find('\n')));
  p_.dialogs().ShowMessage(msg + verify_note_);
}

void Transfer::CompleteRead() {
  reading_.complete = true;
  read_outcome_.kind = SequenceOutcome::kDone;
  if (verifying_) {
    EndRead();
    if (!quiet_check_) ReportVerification();
    return;
  }
  // Only a whole, clean listing reaches the window, in the order the unit listed it.
  if (read_from_load_) {
    p_.phonebook.Clear();
    p_.op.BookReplaceOnNext = true;
  }
  for (const ListedEntry& e : reading_.entries) {
    try {
      PlaceEntry(e.name, e.number);
    } catch (const std::exception& ex) {
      // A value that cannot be decoded is shown; the other entries still count.
      p_.dialogs().ShowMessage(ex.what());
    }
  }
  EndRead();
}

void Transfer::EndRead() {
  read_stage_ = ReadStage::kIdle;
  asking_pin_state_ = false;
  p_.op.QueryOperatorOnOk = false;
  p_.link.End(LinkUser::kRead);
  // Only a whole reading of this unit tells which positions differ.
  p_.form.OnlyChanged.SetEnabled(CanWriteChangedOnly());
}

void Transfer::StopRead(const std::string& why, SequenceOutcome::Kind kind) {
  std::string waiting_for;
  switch (read_stage_) {
    case ReadStage::kStopEcho: waiting_for = "the unit's first answer after it stopped"; break;
    case ReadStage::kOperator: waiting_for = "the operator"; break;
    case ReadStage::kRange: waiting_for = "the size of the SIM phone book"; break;
    case ReadStage::kEntries: waiting_for = "the SIM phone book entries"; break;
    case ReadStage::kIdle: return;
  }
  const ReadStage stage = read_stage_;
  const size_t listed = lines_listed_;
  EndRead();
  p_.LogNote("read stopped: " + why);
  std::string reason = "Reading from the unit stopped: " + why;
  if (kind != SequenceOutcome::kDamaged || stage != ReadStage::kEntries)
    reason += " while waiting for " + waiting_for;
  reason += ".";
  // The write itself ended well; only the check could not be made.
  if (verifying_ && !quiet_check_)
    reason = "Every SIM position was written, but reading the unit back to check it failed: " +
             why + ".";
  std::string msg = reason + "\n";
  if (sim_lock_ == "SIM PIN") {
    msg += "The SIM waits for its PIN: type it into the PIN field on the " +
           p_.form.support.caption() + " page and press " + p_.form.UNPIN.caption() +
           ", then read again.\n";
  } else if (sim_lock_ == "SIM PUK") {
    msg += "The SIM is blocked and waits for its PUK: unblock it in a phone, then read again.\n";
  }
  if (stage == ReadStage::kEntries && verifying_) {
    msg += "Read the unit (Load) to see what it holds.";
  } else if (listed == 0) {
    msg += "No entry was read; the window still shows the values it had before.";
  } else {
    msg += std::to_string(listed) + (listed == 1 ? " entry had come in" : " entries had come in") +
           ", but nothing of an unfinished reading is taken: the window still shows the values "
           "it had before.";
  }
  read_outcome_ = SequenceOutcome{kind, msg, reason};
  p_.dialogs().ShowMessage(msg);
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
