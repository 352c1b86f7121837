// Read-all: the operator, the size of the SIM phone book and the listing of its entries, each
// asked for once the previous answer is complete.
#include <exception>

#include "base/text.h"
#include "link/listing_forms.h"
#include "link/module_errors.h"
#include "params/mapping.h"
#include "phonebook/phonebook.h"
#include "unit/status.h"
#include "unit/transfer.h"

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

bool HasHighBytes(const std::string& line) {
  for (char c : line)
    if (static_cast<unsigned char>(c) >= 128) return true;
  return false;
}

// Whether a line that no form splits still shows the remains of a listing head ("+CPBR:" with
// a byte flipped or lost): noise adds bytes above 127, and a flipped bit leaves most of the head.
bool LooksLikeEntry(const std::string& line) {
  std::string plain;
  for (char c : line)
    if (static_cast<unsigned char>(c) < 128) plain.push_back(c);
  return Contains(plain.substr(0, 8), "PB") || Contains(plain.substr(0, 8), "CP");
}

// Whether every byte is printable ASCII: noise adds control bytes and bytes above 127.
bool IsPlainText(const std::string& line) {
  for (char ch : line) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c > 126) return false;
  }
  return true;
}

// The first and last position of a range reply ("+CPBR: (0-39),40,16", "+CPBR: 1-250"), read
// whatever they are; nothing for another form.
std::optional<std::pair<int64_t, int64_t>> RangeBounds(const std::string& line) {
  if (!StartsWith(line, "+CPBR:")) return std::nullopt;
  std::string s = TrimBlanks(line.substr(6));
  if (!s.empty() && s.front() == '(') s.erase(0, 1);
  size_t dash = s.find('-');
  if (dash == std::string::npos || dash == 0) return std::nullopt;
  size_t end = s.find_first_of("),", dash);
  std::optional<int64_t> a = TryParseInt(TrimBlanks(s.substr(0, dash)));
  std::optional<int64_t> b = TryParseInt(TrimBlanks(s.substr(dash + 1, end - dash - 1)));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

// "+CPBS: "SM",12,250": the used count, -1 when the reply leaves it out.
int UsedOfStorageReply(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (char c : line.substr(6)) {
    if (c == ',') {
      f.push_back(TrimBlanks(cur));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  f.push_back(TrimBlanks(cur));
  if (f.size() < 3) return -1;
  std::optional<int64_t> used = TryParseInt(f[1]);
  if (!used || *used < 0 || *used > kMaxSimPositions) return -1;
  return static_cast<int>(*used);
}

// Reports a module sends on its own at any time, a listing's included: registration, an
// incoming call or message, the unit's own SMS report.
bool IsUnsolicitedReport(const std::string& line) {
  static constexpr const char* kHeads[] = {
      "+CREG:", "+CGREG:", "+CEREG:", "+CMTI:", "+CDSI:", "+CRING:", "+CLIP:", "RING"};
  for (const char* head : kHeads)
    if (StartsWith(line, head)) return true;
  return Contains(line, "#SMSATWL");
}

constexpr char kCharsetQuery[] = "AT+CSCS?\r\n";
constexpr char kUsedQuery[] = "AT+CPBS?\r\n";

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
        p_.link.Send("ATE0\r\n", [this](const CommandResult& r) { OnStopEcho(r); });
      }
    } catch (...) {
      read_stage_ = ReadStage::kIdle;
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
  noise_in_answer_ = false;
  end_after_answer_ = false;
  range_seen_ = 0;
  lines_listed_ = 0;
  listed_.clear();
  damage_.clear();
  range_refused_ = false;
  used_reported_ = -1;
  names_need_charset_ = false;
  entry_lines_.clear();
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

bool Transfer::TakeReadLine(const std::string& line, bool noisy) {
  if (!p_.link.InFlight() || p_.link.user_in_flight() != LinkUser::kRead) return false;
  const std::string& asked = p_.link.command_in_flight();
  if (asking_pin_state_ && asked == "AT+CPIN?" && StartsWith(line, "+CPIN:")) {
    std::string state = TrimBlanks(CutThrough(line, ":"));
    if (state == "SIM PIN" || state == "SIM PUK") sim_lock_ = state;
    return true;
  }
  switch (read_stage_) {
    case ReadStage::kOperator:
      if (asked == CommandLink::Plain(kOperatorQuery) && !Contains(line, "+COPS") &&
          (noisy || HasHighBytes(line)))
        noise_in_answer_ = true;
      if (asked != CommandLink::Plain(kOperatorQuery) || !Contains(line, "+COPS")) return false;
      TakeOperator(line);
      return true;
    case ReadStage::kRange:
      if (asked != CommandLink::Plain(kRangeQuery) || !Contains(line, "+CPBR")) return false;
      TakeRange(line);
      return true;
    case ReadStage::kEntries:
      // The listing's lines are TakeListingLine's.
      return false;
    case ReadStage::kCharset:
      if (asked != CommandLink::Plain(kCharsetQuery) || !StartsWith(line, "+CSCS:")) return false;
      reading_.charset = CharsetOfReply(line);
      return true;
    case ReadStage::kUsedCount:
      if (asked != CommandLink::Plain(kUsedQuery) || !StartsWith(line, "+CPBS:")) return false;
      used_reported_ = UsedOfStorageReply(line);
      return true;
    case ReadStage::kStopEcho:
    case ReadStage::kIdle:
      return false;
  }
  return false;
}

bool Transfer::TakeListingLine(const std::string& line, bool noisy) {
  if (read_stage_ != ReadStage::kEntries || !p_.link.InFlight() ||
      p_.link.user_in_flight() != LinkUser::kRead ||
      !StartsWith(p_.link.command_in_flight(), "AT+CPBR=1,"))
    return false;
  // Accounted for without being entries: these go on to their usual handling.
  if (line.empty() || line == "STOP" || line == "#APLAYEV: 0" || IsUnsolicitedReport(line))
    return false;
  // Nothing but noise bytes: no entry was in it (a damaged entry keeps its printable bytes).
  if (IsNoiseOnly(line)) return true;
  TakeEntry(line, noisy);
  return true;
}

void Transfer::TakeOperator(const std::string& line) {
  status_.ShowOperator(line);
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
    // A line came that noise had made unreadable, or none at all before the "OK".
    StopRead(noise_in_answer_
                 ? "the unit's answer to the operator query (AT+COPS?) could not be read (line "
                   "noise)"
                 : "the unit answered the operator query (AT+COPS?) without an operator",
             SequenceOutcome::kDamaged);
  } else if (end_after_answer_) {
    // The unit did not look stopped yet: the read ends here, as the window's user would see.
    read_outcome_.kind = SequenceOutcome::kDone;
    EndRead();
  }
}

void Transfer::TakeRange(const std::string& line) {
  // A reply this program cannot use is said as it came; reading again would not change it.
  if (std::optional<std::pair<int64_t, int64_t>> b = RangeBounds(line); b && damage_.empty()) {
    if (b->first == 0 && b->second >= 1) {
      damage_ = "the unit's SIM numbers its phone book positions from 0 (it answered \"" +
                Printable(line) +
                "\"); this program reads and writes only SIMs whose positions start at 1, so "
                "nothing was read and nothing can be written to it";
      range_refused_ = true;
      return;
    }
    if (b->first == 1 && b->second > kMaxSimPositions) {
      damage_ = "the unit reported a SIM phone book of " + std::to_string(b->second) +
                " positions (\"" + Printable(line) +
                "\"), more than any SIM holds; this "
                "program lists and writes at most " +
                std::to_string(kMaxSimPositions) +
                " positions and does not guess the real size, so nothing was read and nothing "
                "can be written to it";
      range_refused_ = true;
      return;
    }
  }
  std::optional<SimLimits> range = ParseRangeReply(line);
  if (!range || range->positions < 1 || range->positions > kMaxSimPositions) {
    if (damage_.empty())
      damage_ =
          "the unit's reply about the size of its SIM was damaged (\"" + Printable(line) + "\")";
    return;
  }
  range_seen_ = range->positions;
  reading_.capacity = range->positions;
  reading_.limits = *range;
  status_.ShowSimCapacity(*range);
  if (range->positions <= 10) {
    end_after_answer_ = true;  // a SIM this small holds no entries to list
    return;
  }
  p_.Pause(100);
  if (p_.port().PortNumber() == 0) {
    end_after_answer_ = true;
    return;
  }
  SendListing(range->positions);
}

void Transfer::SendListing(int positions) {
  read_stage_ = ReadStage::kEntries;
  // A SIM reads slowly: the listing's deadline grows with the positions it spans, and entries
  // that keep coming do not move it.
  const int deadline = p_.link.reply_deadline_ms() + positions * kListingMsPerPosition;
  try {
    p_.link.Send(
        "AT+CPBR=1," + std::to_string(positions) + "\r\n",
        [this](const CommandResult& r) { OnListingAnswer(r); }, deadline);
  } catch (const std::exception& e) {
    StopRead(e.what(), SequenceOutcome::kPortLost);
  }
}

void Transfer::OnRangeAnswer(const CommandResult& r) {
  if (read_stage_ == ReadStage::kIdle) return;
  if (!r.ok() || !damage_.empty() || range_seen_ == 0) read_stage_ = ReadStage::kRange;
  if (!r.ok()) {
    FailRead(r);
  } else if (!damage_.empty()) {
    StopRead(damage_, range_refused_ ? SequenceOutcome::kFailed : SequenceOutcome::kDamaged);
  } else if (range_seen_ == 0) {
    StopRead("the unit answered the size query (AT+CPBR=?) without the size",
             SequenceOutcome::kDamaged);
  } else if (end_after_answer_) {
    read_outcome_.kind = SequenceOutcome::kDone;
    EndRead();
  }
}

void Transfer::TakeEntry(const std::string& line, bool noisy) {
  ++lines_listed_;
  if (!damage_.empty()) return;  // the first damage is the one to report
  // Control bytes that noise slips in are gone already; bytes above 127 where the listing has
  // digits, quotes or commas break the form. A name may hold such bytes in its own right.
  std::optional<EntryLine> e = ParseEntryLine(line);
  if (e && e->entry.index >= 1 && e->entry.index <= range_seen_ &&
      listed_.insert(e->entry.index).second) {
    if (MayBeHexName(e->entry.name, e->bare_name)) names_need_charset_ = true;
    reading_.entries.push_back(std::move(e->entry));
    entry_lines_.push_back(line);
    return;
  }
  const std::optional<int> at = IndexOfEntryLine(line);
  // A clean line of plain text with its head and index whole, that no form splits: the entry
  // itself is in a form this program cannot read. It is named, and the rest is still read.
  // Two lines run together when a line end is lost: that is damage, not an entry.
  const bool one_line = line.find("CPBR", line.find("CPBR") + 4) == std::string::npos;
  if (!e && at && *at >= 1 && *at <= range_seen_ && !noisy && IsPlainText(line) && one_line &&
      listed_.insert(*at).second) {
    reading_.unreadable.push_back(UnreadableEntry{*at, line});
    return;
  }
  // A position is named from a line only when it still looks like a listing line.
  const int position = e                      ? e->entry.index
                       : at                   ? *at
                       : LooksLikeEntry(line) ? IndexOfDamagedLine(line)
                                              : 0;
  if (e && listed_.count(position) && position >= 1 && position <= range_seen_) {
    damage_ = "SIM position " + std::to_string(position) + " was listed twice";
  } else if (e || (at && *at > range_seen_)) {
    damage_ = "the unit listed SIM position " + std::to_string(position) +
              ", outside the asked positions 1 to " + std::to_string(range_seen_);
  } else if (position >= 1 && position <= range_seen_) {
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
  if (r.kind == CommandResult::kNoAnswer && lines_listed_ > 0) {
    // The module kept talking, but the listing never ended.
    const int deadline = p_.link.reply_deadline_ms() + range_seen_ * kListingMsPerPosition;
    StopRead("the SIM listing (AT+CPBR=1," + std::to_string(range_seen_) +
                 ") had no final result within its deadline of " +
                 std::to_string((deadline + 999) / 1000) + " seconds (the reply deadline plus " +
                 std::to_string(kListingMsPerPosition) + " ms per position), although " +
                 std::to_string(lines_listed_) + " lines had come",
             SequenceOutcome::kNoAnswer);
  } else if (!r.ok() && !ended_by_module) {
    FailRead(r);
  } else if (!damage_.empty()) {
    StopRead(damage_ + "; read again", SequenceOutcome::kDamaged);
  } else {
    AfterListing();
  }
}

void Transfer::AfterListing() {
  // Only a SIM whose names may be hexadecimal makes the module's character set matter.
  if (read_stage_ == ReadStage::kEntries && names_need_charset_) {
    read_stage_ = ReadStage::kCharset;
    SendReadCommand(kCharsetQuery, [this](const CommandResult& r) { OnCharsetAnswer(r); });
    return;
  }
  if (read_stage_ != ReadStage::kUsedCount && check_used_count_) {
    read_stage_ = ReadStage::kUsedCount;
    SendReadCommand(kUsedQuery, [this](const CommandResult& r) { OnUsedCountAnswer(r); });
    return;
  }
  CompleteRead();
}

void Transfer::OnCharsetAnswer(const CommandResult& r) {
  if (read_stage_ != ReadStage::kCharset) return;
  if (r.ok()) {
    DecodeNames();
  } else if (r.kind != CommandResult::kRefused) {
    FailRead(r);
    return;
  }
  // A module that does not know the command keeps its names as they stand.
  AfterListing();
}

void Transfer::DecodeNames() {
  const std::string& cs = reading_.charset;
  if (cs != "UCS2" && cs != "HEX") return;
  std::vector<ListedEntry> kept;
  for (size_t i = 0; i < reading_.entries.size(); ++i) {
    ListedEntry& e = reading_.entries[i];
    if (std::optional<std::string> name = DecodeSimName(e.name, cs)) {
      e.name = std::move(*name);
      kept.push_back(std::move(e));
    } else {
      reading_.unreadable.push_back(UnreadableEntry{e.index, entry_lines_[i]});
    }
  }
  reading_.entries = std::move(kept);
}

void Transfer::OnUsedCountAnswer(const CommandResult& r) {
  if (read_stage_ != ReadStage::kUsedCount) return;
  if (!r.ok() && r.kind != CommandResult::kRefused) {
    FailRead(r);
    return;
  }
  const int listed = static_cast<int>(reading_.entries.size() + reading_.unreadable.size());
  if (r.ok() && used_reported_ >= 0 && used_reported_ != listed) {
    StopRead("the SIM reports " + std::to_string(used_reported_) +
                 " positions in use (AT+CPBS?), but its listing held " + std::to_string(listed) +
                 "; read again",
             SequenceOutcome::kDamaged);
    return;
  }
  CompleteRead();
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
    SendListing(capacity);
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
    std::vector<Difference> shown(
        diffs.begin(), diffs.begin() + static_cast<long>(std::min(kShown, diffs.size())));
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
  version_position_ = 0;
  for (const ListedEntry& e : reading_.entries)
    if (e.name == "VER") version_position_ = e.index;
  read_outcome_.kind = SequenceOutcome::kDone;
  if (verifying_) {
    EndRead();
    if (!quiet_check_) ReportVerification();
    return;
  }
  kept_positions_.clear();
  for (const UnreadableEntry& u : reading_.unreadable) kept_positions_.insert(u.position);
  // Only a whole, clean listing reaches the window, in the order the unit listed it.
  if (read_from_load_) {
    phonebook_.Clear();
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
  if (!reading_.unreadable.empty() && show_unreadable_) {
    std::string msg = "The unit's SIM holds entries in a form this program cannot read:\n";
    for (const UnreadableEntry& u : reading_.unreadable)
      msg += "  position " + std::to_string(u.position) + ": \"" + Printable(u.line) + "\"\n";
    msg +=
        "Every other entry was read. A write leaves these positions as they are; reading "
        "again would not change them.";
    p_.LogNote(msg.substr(0, msg.find('\n')));
    p_.dialogs().ShowMessage(msg);
  }
}

void Transfer::EndRead() {
  read_stage_ = ReadStage::kIdle;
  asking_pin_state_ = false;
  p_.link.End(LinkUser::kRead);
  // Only a whole reading of this unit tells which positions differ.
  p_.form.OnlyChanged.SetEnabled(CanWriteChangedOnly());
}

void Transfer::StopRead(const std::string& why, SequenceOutcome::Kind kind) {
  std::string waiting_for;
  switch (read_stage_) {
    case ReadStage::kStopEcho:
      waiting_for = "the unit's first answer after it stopped";
      break;
    case ReadStage::kOperator:
      waiting_for = "the operator";
      break;
    case ReadStage::kRange:
      waiting_for = "the size of the SIM phone book";
      break;
    case ReadStage::kEntries:
      waiting_for = "the SIM phone book entries";
      break;
    case ReadStage::kCharset:
      waiting_for = "the module's character set";
      break;
    case ReadStage::kUsedCount:
      waiting_for = "the SIM's count of used positions";
      break;
    case ReadStage::kIdle:
      return;
  }
  const ReadStage stage = read_stage_;
  const size_t listed = lines_listed_;
  EndRead();
  p_.LogNote("read stopped: " + why);
  std::string reason = "Reading from the unit stopped: " + why;
  if (kind != SequenceOutcome::kFailed &&
      (kind != SequenceOutcome::kDamaged || stage != ReadStage::kEntries) &&
      !(kind == SequenceOutcome::kNoAnswer && stage == ReadStage::kEntries && listed > 0))
    reason += " while waiting for " + waiting_for;
  reason += ".";
  // Nothing at all came back: no reading again helps until the cable or the power is seen to.
  if (kind == SequenceOutcome::kNoAnswer && lines_listed_ == 0 && !operator_seen_)
    reason += " " + status_.NoAnswerMessage();
  // The write itself ended well; only the check could not be made.
  if (verifying_ && !quiet_check_)
    reason =
        "Every SIM position was written, but reading the unit back to check it failed: " + why +
        ".";
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
        phonebook_.ReplaceWithRow(name, number);
        p_.op.BookReplaceOnNext = false;
      } else {
        phonebook_.AppendRow(name, number);
      }
      return;
    default:
      return;
  }
}

}  // namespace vrkt
