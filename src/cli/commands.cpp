#include "cli/commands.h"

#include <algorithm>
#include <set>

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "cli/sequences.h"
#include "cli/verified_write.h"
#include "link/module_errors.h"
#include "unit/write_check.h"

namespace vrkt::cli {

namespace {

std::string Shown(const std::string& bytes) { return CodePageToUtf8(TrimBlanks(bytes)); }

// The text after the caption of a status bar panel ("Operator: x" gives "x").
std::string PanelValue(const std::string& panel) {
  size_t colon = panel.find(':');
  return Shown(colon == std::string::npos ? panel : panel.substr(colon + 1));
}

// Waits for the answer to a single query: a line that `matches`, then its final result.
// Returns the matching line.
std::string AwaitReply(Session& s, size_t from,
                       const std::function<bool(const std::string&)>& matches,
                       const std::string& what) {
  const Traffic& t = s.traffic();
  int64_t until = s.NowMs() + s.ReplyTimeoutMs();
  std::string found;
  bool matched = false;
  s.PumpUntil({.done =
                   [&] {
                     for (; from < t.lines().size(); ++from) {
                       const std::string& line = t.lines()[from];
                       if (IsUnsolicited(line)) continue;
                       if (Contains(line, "ERROR"))
                         throw CliFailure(kExitRefused, "The unit refused " + what + ": " +
                                                            DescribeModuleErrors(line));
                       if (!matched && matches(line)) {
                         found = line;
                         matched = true;
                       } else if (matched && line == "OK") {
                         ++from;
                         return true;
                       }
                     }
                     return false;
                   },
               .deadline = [until] { return until; },
               .timeout_message =
                   [&] {
                     const std::string seconds = std::to_string(s.ReplyTimeoutMs() / 1000);
                     if (matched)
                       return "The unit answered " + what +
                              " but did not end the answer (no OK) within " + seconds + " s.";
                     return "The unit did not answer " + what + " within " + seconds + " s.";
                   },
               .progress = [&] { return "Asking for " + what + "..."; }});
  return found;
}

std::string SignalWords(int level) {
  if (level >= 22 && level <= 31) return "good";
  if (level >= 15 && level <= 21) return "fair";
  if (level == 99) return "not detectable";
  return "poor";
}

}  // namespace

void RequireReadableFile(const std::string& path, const std::string& what) {
  try {
    ReadFileBytes(path, "Cannot open " + what + " \"%s\". %s");
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure, e.what());
  }
}

std::string FirmwareLabel(Session& s) { return Shown(s.form().StatusBar1.panel(4)); }

std::string AskImei(Session& s) {
  size_t from = s.traffic().lines().size();
  s.Click(s.form().IMEI);
  return TrimBlanks(AwaitReply(
      s, from,
      [](const std::string& l) {
        std::string v = TrimBlanks(l);
        return v.size() >= 14 && v.find_first_not_of("0123456789") == std::string::npos;
      },
      "the IMEI query (AT+CGSN)"));
}

int StatusCommand(Session& s) {
  ReadResult r = StopAndReadAll(s);
  Form1& f = s.form();
  const Traffic& t = s.traffic();

  size_t from = t.lines().size();
  s.Click(f.signal);
  AwaitReply(
      s, from, [](const std::string& l) { return Contains(l, "+CSQ:"); },
      "the signal query (AT+CSQ)");
  from = t.lines().size();
  s.Run([&f] { f.Voltage.on_click(); });
  AwaitReply(
      s, from, [](const std::string& l) { return Contains(l, "#CBC:"); },
      "the battery query (AT#CBC)");
  from = t.lines().size();
  s.Run([&f] { f.Power.on_click(); });
  AwaitReply(
      s, from, [](const std::string& l) { return Contains(l, "#ADC:"); },
      "the supply query (AT#ADC=1,2)");
  std::string imei = AskImei(s);

  const StatusQueries& q = s.program().status;
  int level = s.program().op.SignalLevel;
  std::ostream& out = s.io().out;
  s.ClearProgress();
  // A value whose reply could not be read is unknown, never the number of an earlier reply.
  const std::string unknown = "unknown (the unit's reply could not be read)";
  out << "Operator:       " << PanelValue(f.StatusBar1.panel(0)) << "\n"
      << "Signal:         "
      << (q.signal_known() ? std::to_string(level) + " (" + SignalWords(level) + ")" : unknown)
      << "\n"
      << "Battery:        " << (q.battery_known() ? Shown(f.Voltage.caption()) : unknown) << "\n"
      << "Supply:         " << (q.supply_known() ? Shown(f.Power.caption()) : unknown) << "\n"
      << "SIM capacity:   " << r.capacity << " positions, " << r.entries.size() << " in use\n"
      << "Firmware:       " << FirmwareLabel(s) << "\n"
      << "IMEI:           " << imei << "\n";
  if (!q.signal_known() || !q.battery_known() || !q.supply_known()) {
    s.io().err << "Some of the unit's values could not be read (line noise?); they show as "
                  "unknown.\n";
    return kExitDamaged;
  }
  return kExitOk;
}

int ReadCommand(Session& s) {
  // A reference unit's file goes to every unit after it: it is saved only when two readings in a
  // row agree, so that line noise in one of them cannot slip into the file.
  constexpr int kRetries = 3;
  ReadResult r = ReadTwiceAgreeing(s, kRetries, /*stop_first=*/true, "nothing was saved.");
  // Without its settings entry the unit's settings are unknown; a file would carry the
  // program's start-up values as if they were the unit's.
  if (!s.form().TLtime.HasSelection())
    throw CliFailure(kExitFailure,
                     "The unit's SIM holds no settings entry (PARVRKT), so there "
                     "is no configuration to save; nothing was saved.");
  SaveParameterFile(s, s.options().output);
  s.ClearProgress();
  s.io().out << "Read " << r.entries.size() << " entries from the unit's SIM (" << r.capacity
             << " positions) into " << s.options().output << ".\n";
  return kExitOk;
}

namespace {

int Report(Session& s, const std::vector<Difference>& diffs, const std::string& verb) {
  s.ClearProgress();
  const std::string& file = s.options().operand;
  if (diffs.empty()) {
    s.io().out << "The unit holds every entry of " << file << " (" << verb << ").\n";
    return kExitOk;
  }
  s.io().out << "Differences between " << file << " and the unit:\n" << FormatDifferences(diffs);
  s.io().err << "The unit does not match " << file << ": " << diffs.size()
             << (diffs.size() == 1 ? " difference.\n" : " differences.\n");
  return kExitMismatch;
}

// The version entry belongs to the unit: a parameter file never holds it.
const std::vector<std::string> kUnitOnlyEntries = {"VER"};

}  // namespace

// Readings damaged by line noise are taken again this many times.
constexpr int kReadRetries = 3;

// The file's phone book rows that no write puts on a unit, said before the result.
void ReportLeftOutRows(Session& s) {
  Program& p = s.program();
  HeldValues held = p.held;
  const WritePlan plan = CheckBeforeWriting(p.form, held, p.variant, p.op.sim_limits);
  if (plan.skipped.empty()) return;
  const size_t n = plan.skipped.size();
  s.ClearProgress();
  s.io().out << n << (n == 1 ? " phone book row of " : " phone book rows of ")
             << s.options().operand << (n == 1 ? " has" : " have")
             << " an empty name or number; a write leaves " << (n == 1 ? "it" : "them")
             << " out:" << CodePageToUtf8(ListedLines(plan.skipped)) << "\n";
}

void RestartUnit(Session& s);

// Stops the unit for a command that does not need its phone book: the listing that Stop starts
// may be spoilt by line noise without harm; the unit has stopped all the same.
void StopAndReadIfNeeded(Session& s) {
  const int stops_before = s.program().status.stops_seen();
  try {
    StopAndReadAll(s);
  } catch (const CliFailure& f) {
    if (f.code() != kExitDamaged || s.program().status.stops_seen() == stops_before) throw;
    s.Note(std::string(f.what()) + " This command does not need the phone book; going on.");
  }
}

// After success, --run restarts the unit's application.
int Finished(Session& s, int code) {
  if (code == kExitOk && s.options().run_after) RestartUnit(s);
  return code;
}

// Whether the window, with the file loaded, would write an entry that the file does not hold:
// a value that only the reading of the unit gave.
bool WritesWhatTheFileLacks(Session& s, const std::vector<UnitEntry>& expected) {
  const std::vector<UnitEntry> file =
      EntriesOfParameterFile(ReadFileBytes(s.options().operand, "Cannot open file \"%s\". %s"));
  for (const UnitEntry& e : expected)
    if (std::find(file.begin(), file.end(), e) == file.end()) return true;
  return false;
}

int WriteCommand(Session& s) {
  const std::string& file = s.options().operand;
  ReadResult first = ReadWithRetries(s, kReadRetries, /*stop_first=*/true);
  LoadParameterFile(s, file);
  std::vector<UnitEntry> expected = EntriesOfWindow(s);
  if (WritesWhatTheFileLacks(s, expected)) {
    // What the file leaves out is written back as the unit holds it: that needs a reading that
    // a second one confirms, or line noise in one of them would be written to the unit.
    ReadResult again = ReadWithRetries(s, kReadRetries, /*stop_first=*/false);
    if (!(again == first)) {
      s.Note("Two readings of the unit differ (line noise?); reading again.");
      ReadTwiceAgreeing(s, kReadRetries - 1, /*stop_first=*/false,
                        "nothing was written: " + file +
                            " leaves out entries that would have "
                            "been taken from the unit.");
    }
    LoadParameterFile(s, file);
    expected = EntriesOfWindow(s);
  }
  ReportLeftOutRows(s);
  const VerifiedWrite w = WriteAndVerify(s, expected);
  s.ClearProgress();
  s.io().out << WriteSummary(w) << "\n";
  return Finished(s, Report(s, w.diffs, "written and read back"));
}

int VerifyCommand(Session& s) {
  ReadResult unit = ReadWithRetries(s, kReadRetries, /*stop_first=*/true);
  const std::string& file = s.options().operand;
  LoadParameterFile(s, file);
  std::vector<UnitEntry> window = EntriesOfWindow(s);
  ReportLeftOutRows(s);
  // A key the file lacks keeps the window's value from the unit's reading: the file says
  // nothing about it, so it is named as missing instead of compared as the file's.
  std::set<std::string> in_file;
  for (const UnitEntry& e :
       EntriesOfParameterFile(ReadFileBytes(file, "Cannot open file \"%s\". %s")))
    in_file.insert(e.name);
  std::vector<UnitEntry> expected;
  std::vector<std::string> ignored = kUnitOnlyEntries;
  std::vector<std::string> missing;
  for (UnitEntry& e : window) {
    if (in_file.count(e.name)) {
      expected.push_back(std::move(e));
    } else if (std::find(missing.begin(), missing.end(), e.name) == missing.end()) {
      missing.push_back(e.name);
      ignored.push_back(e.name);
    }
  }
  const int code = Report(s, CompareEntries(expected, unit.entries, ignored), "verified");
  if (missing.empty()) return Finished(s, code);
  s.ClearProgress();
  s.io().out << "Missing from " << file << " (not checked):\n";
  for (const std::string& name : missing) {
    std::string held;
    for (const UnitEntry& e : unit.entries)
      if (e.name == name) held = e.value;
    s.io().out << "  " << CodePageToUtf8(name) << "  missing from the file"
               << (held.empty() ? std::string(", not on the unit")
                                : ", unit \"" + CodePageToUtf8(held) + "\"")
               << "\n";
  }
  s.io().err << "The file " << file << " lacks " << missing.size()
             << (missing.size() == 1 ? " key" : " keys")
             << " of the unit's settings; they were not checked.\n";
  return Finished(s, code);
}

int SendListCommand(Session& s) {
  const std::string& file = s.options().operand;
  StopAndReadIfNeeded(s);
  Program& p = s.program();
  Form1& f = s.form();
  size_t shown = s.dialogs().messages().size();
  f.List.Clear();
  s.dialogs().AnswerNextFile(file);
  s.Click(f.LoadList);
  bool asked = s.dialogs().file_answer_taken();
  s.dialogs().CancelFileAnswer();
  if (!asked || s.dialogs().messages().size() > shown)
    throw CliFailure(kExitFailure, "The loader list " + file + " was not loaded.");
  int count = static_cast<int>(f.List.LineCount());
  if (count == 0) throw CliFailure(kExitFailure, "The loader list " + file + " is empty.");

  size_t notes = f.Monitor.LineCount();
  s.Click(f.Send);
  Loader& loader = p.loader;
  WaitWhile(
      s, [&] { return loader.running(); },
      [&] {
        return "Loader: line " + std::to_string(std::min(p.loader.line_index() + 1, count)) +
               " of " + std::to_string(count);
      },
      "The loader list");
  for (; notes < f.Monitor.LineCount(); ++notes)
    if (StartsWith(f.Monitor.lines()[notes], "Error in file: "))
      throw CliFailure(kExitFailure, "The loader refused a file with bytes above 127: " +
                                         f.Monitor.lines()[notes]);
  const SequenceOutcome& o = loader.last_outcome();
  if (o.kind != SequenceOutcome::kDone) throw FailureOf(o, "");
  if (p.loader.line_index() < count) {
    std::string line = f.List.lines()[static_cast<size_t>(p.loader.line_index())];
    throw CliFailure(kExitFailure, "The loader stopped at line " +
                                       std::to_string(p.loader.line_index() + 1) + " (\"" +
                                       CodePageToUtf8(line) +
                                       "\"): nothing was sent for it, so the lines from "
                                       "there on were not sent.");
  }
  s.ClearProgress();
  s.io().out << "Sent all " << count << " lines of " << file << ".\n";
  return kExitOk;
}

int PinCommand(Session& s) {
  bool change = s.options().command == "pin-change";
  const std::string& pin = s.options().operand;
  try {
    StopAndReadIfNeeded(s);
  } catch (const CliFailure&) {
    // The state these commands are for: the SIM waits for its PIN and refuses to be read. The
    // unit has stopped all the same, so the PIN commands can go.
    if (s.program().transfer.sim_lock() != "SIM PIN") throw;
  }
  Form1& f = s.form();
  s.Run([&] { f.PIN.SetText(pin); });
  if (f.PIN.text() != pin) throw CliFailure(kExitUsage, "The PIN field did not take " + pin + ".");

  const std::string what =
      change ? "the PIN change (AT+CPWD)" : "switching the PIN request off (AT+CLCK)";
  size_t shown = s.dialogs().messages().size();
  s.Click(change ? f.CodePIN : f.UNPIN);
  PinHandler& pin_handler = s.program().pin;
  WaitWhile(
      s, [&] { return pin_handler.Running(); }, [&] { return "Waiting for " + what + "..."; },
      "The PIN command");
  const CommandResult& r = pin_handler.last_result();
  if (pin_handler.pin_refused())
    throw CliFailure(kExitRefused, "The SIM refused the PIN " + pin + " (" + r.command +
                                       "): " + Printable(DescribeModuleErrors(r.line)) +
                                       ". Nothing more was sent. A wrong PIN counts against the "
                                       "SIM's few tries.");
  if (r.kind == CommandResult::kNoAnswer || r.kind == CommandResult::kNotSent ||
      r.kind == CommandResult::kDamaged || s.dialogs().messages().size() > shown)
    throw CliFailure(ExitCodeOf(OutcomeOf(r)),
                     "The unit did not finish " + what + ": " +
                         DescribeFailure(r, s.program().link.reply_deadline_ms()) + ".");
  if (!r.ok() || !(f.PINOK.color() == kGreen))
    throw CliFailure(kExitRefused, "The SIM refused " + what + ": " + DescribeModuleErrors(r.line) +
                                       ". A wrong PIN counts against the SIM's few tries.");
  s.ClearProgress();
  s.io().out << (change ? "The SIM's PIN is now 7391.\n" : "The SIM's PIN request is off.\n");
  return kExitOk;
}

void RestartUnit(Session& s) {
  Program& p = s.program();
  size_t writes = s.traffic().writes().size();
  s.Click(s.form().RunGDI);
  const bool reboot = !p.variant.Is4G;
  // The module restarts without a defined answer: done once the command has left the port. It
  // may wait its turn behind a poll that is still out.
  int64_t until = s.NowMs() + 2 * s.ReplyTimeoutMs();
  s.PumpUntil({.done =
                   [&] {
                     if (reboot &&
                         s.traffic().FindWrite("AT#REBOOT\r\n", writes) == std::string::npos)
                       return false;
                     return p.port().OutputFree() >= SerialPort::kOutputQueueSize;
                   },
               .deadline = [until] { return until; },
               .timeout_message =
                   [] { return std::string("The restart command did not leave the port."); }});
  s.ClearProgress();
  s.io().out << (reboot ? "The unit's application was released and the module restarted.\n"
                        : "The unit's application was released (DTR off).\n");
}

int RunUnitCommand(Session& s) {
  RestartUnit(s);
  return kExitOk;
}

}  // namespace vrkt::cli
