#include "cli/sequences.h"

#include <filesystem>
#include <optional>
#include <random>

#include "base/error.h"
#include "base/escaped_text.h"
#include "base/file_io.h"
#include "base/text.h"
#include "link/module_errors.h"

namespace vrkt::cli {

namespace {

std::string Seconds(int64_t ms) { return std::to_string((ms + 999) / 1000) + " s"; }

std::string ReadProgress(Session& s) {
  const Program& p = s.program();
  if (!p.link.InFlight()) return "Reading the unit...";
  if (StartsWith(p.link.command_in_flight(), "AT+CPBR=1,"))
    return "Reading the SIM (" + std::to_string(p.op.SimCapacity) + " positions)...";
  return "Reading the unit: " + p.link.command_in_flight();
}

// The read that has just ended, or the failure it ended with.
ReadResult TakeReading(Session& s, bool* ended_early) {
  const Transfer& t = s.program().transfer;
  const SequenceOutcome& o = t.last_read_outcome();
  if (o.kind != SequenceOutcome::kDone) {
    std::string advice = "Nothing was taken from the unit.";
    if (t.sim_lock() == "SIM PIN")
      advice += " The SIM waits for its PIN: switch its PIN request off with\n  " +
                DisplayName(s.options().program_name) + " --port " + s.options().port +
                " unpin PIN";
    else if (t.sim_lock() == "SIM PUK")
      advice += " The SIM is blocked and waits for its PUK: unblock it in a phone first.";
    throw FailureOf(o, advice);
  }
  const SimReading& r = t.last_reading();
  if (!r.complete) {
    if (r.capacity >= 1 && r.capacity <= 10)
      throw CliFailure(kExitFailure, "The unit's SIM reports only " + std::to_string(r.capacity) +
                                         " positions; such a SIM is never listed, so its entries "
                                         "cannot be read.");
    if (ended_early) {
      *ended_early = true;
      return {};
    }
    throw CliFailure(kExitFailure, "The read stopped after the operator reply.");
  }
  ReadResult result;
  result.capacity = r.capacity;
  for (const ListedEntry& e : r.entries) result.entries.push_back(UnitEntry{e.name, e.number});
  result.unreadable = r.unreadable;
  return result;
}

void WaitUntilShownStopped(Session& s) {
  Form1& f = s.form();
  int64_t until = s.NowMs() + 3000;
  s.PumpUntil({.done = [&f] { return f.RunGDI.visible(); },
               .deadline = [until] { return until; },
               .timeout_message = [] { return std::string("The unit was not shown as stopped."); },
               .timeout_code = kExitFailure});
}

}  // namespace

// Every sequence of the program ends by itself, at its last answer or at a reply deadline. The
// command line only adds a net for a program that would fail to: no traffic at all for this long.
static int64_t SafetyNetMs(const Session& s) { return 3 * s.ReplyTimeoutMs() + 30000; }

void WaitWhile(Session& s, const std::function<bool()>& busy,
               const std::function<std::string()>& progress, const std::string& what,
               const std::function<std::string()>& context) {
  const Traffic& t = s.traffic();
  size_t seen = t.lines().size() + t.writes().size();
  int64_t last_traffic = s.NowMs();
  s.PumpUntil({.done =
                   [&] {
                     size_t now = t.lines().size() + t.writes().size();
                     if (now != seen) {
                       seen = now;
                       last_traffic = s.NowMs();
                     }
                     return !busy();
                   },
               .deadline = [&] { return last_traffic + SafetyNetMs(s); },
               .timeout_message =
                   [&] { return what + " got stuck: nothing moved on the line for " +
                                Seconds(SafetyNetMs(s)) + "."; },
               .progress = progress,
               .context = context});
}

int ExitCodeOf(SequenceOutcome::Kind kind) {
  switch (kind) {
    case SequenceOutcome::kRefused: return kExitRefused;
    case SequenceOutcome::kNoAnswer: return kExitNoAnswer;
    case SequenceOutcome::kDamaged: return kExitDamaged;
    case SequenceOutcome::kPortLost: return kExitPort;
    case SequenceOutcome::kRejected: return kExitBadRows;
    case SequenceOutcome::kDone: return kExitOk;
    case SequenceOutcome::kNone:
    case SequenceOutcome::kNotStarted:
    case SequenceOutcome::kFailed: break;
  }
  return kExitFailure;
}

CliFailure FailureOf(const SequenceOutcome& o, const std::string& consequence) {
  std::string text = o.reason.empty() ? o.message : o.reason;
  if (!consequence.empty()) text += (text.empty() ? "" : " ") + consequence;
  return CliFailure(ExitCodeOf(o.kind), text);
}

std::string Plain(const std::string& command) {
  std::string c = CommandLink::Plain(command);
  return c.empty() ? std::string("the last command") : c;
}

ReadResult StopAndReadAll(Session& s) {
  Form1& f = s.form();
  const Traffic& t = s.traffic();
  size_t from = t.lines().size();
  // A latching button: pressing Stop holds it down and releases Run.
  f.StopGDI.SetDown(true);
  f.RunGDI.SetDown(false);
  const StatusQueries& status = s.program().status;
  const int stops_before = status.stops_seen();
  s.Click(f.StopGDI);
  int64_t start = s.NowMs();
  int64_t limit = 3 * s.ReplyTimeoutMs();
  s.PumpUntil({.done =
                   [&] {
                     // A unit whose application was stopped already answers at once and
                     // reports no STOP: the program has taken it as stopped.
                     if (status.stops_seen() > stops_before) return true;
                     for (; from < t.lines().size(); ++from) {
                       const std::string& line = t.lines()[from];
                       if (line == "STOP" || line == "#APLAYEV: 0") return true;
                     }
                     return false;
                   },
               .deadline = [&] { return start + limit; },
               .timeout_message =
                   [&] {
                     // Nothing answered, not even the greeting.
                     const std::string none =
                         status.greeting_answered() ? std::string() : status.NoAnswerMessage() + " ";
                     return none + "The unit did not report STOP within " + Seconds(limit) +
                            " of DTR going on. Is the unit's application running, and does the "
                            "cable carry DTR?";
                   },
               .progress =
                   [&] { return "Stopping the unit: " + Seconds(s.NowMs() - start); }});
  // The stop report starts the read; it is over once the program's read has ended.
  Transfer& transfer = s.program().transfer;
  WaitWhile(s, [&] { return transfer.ReadRunning(); }, [&] { return ReadProgress(s); },
            "The read");
  bool ended_early = false;
  ReadResult r = TakeReading(s, &ended_early);
  // The unit reported STOP before the window showed it stopped: the read ended after the
  // operator, and the window's user presses Load.
  if (ended_early) return ReadAllAgain(s);
  return r;
}

ReadResult ReadAllAgain(Session& s) {
  WaitUntilShownStopped(s);
  Transfer& transfer = s.program().transfer;
  // A read that a repeated STOP started runs or waits its turn: Load on top of it would only
  // tell the window's user to wait.
  WaitWhile(s, [&] { return transfer.ReadRunning(); }, [&] { return ReadProgress(s); },
            "The read");
  s.Click(s.form().LoadGDI);
  WaitWhile(s, [&] { return transfer.ReadRunning(); }, [&] { return ReadProgress(s); },
            "The read");
  return TakeReading(s, nullptr);
}

namespace {

std::string UnreadableList(const ReadResult& r) {
  std::string out;
  for (const UnreadableEntry& u : r.unreadable)
    out += "\n  position " + std::to_string(u.position) + ": \"" + EscapedText(u.line) + "\"";
  return out;
}

}  // namespace

ReadResult ReadWithRetries(Session& s, int retries, bool stop_first) {
  // A line that no form splits is either damaged by the line or an entry this program cannot
  // read: only the same line in two readings in a row tells the second.
  std::optional<ReadResult> unsure;
  for (int attempt = 0;; ++attempt) {
    try {
      ReadResult r = stop_first && attempt == 0 ? StopAndReadAll(s) : ReadAllAgain(s);
      if (r.unreadable.empty()) return r;
      if (unsure && *unsure == r) {
        s.Note("The unit's SIM holds " + std::to_string(r.unreadable.size()) +
               (r.unreadable.size() == 1 ? " entry" : " entries") +
               " in a form this program cannot read; every other entry was read, and a write "
               "leaves these positions as they are:" + UnreadableList(r));
        return r;
      }
      unsure = std::move(r);
      if (attempt >= retries)
        throw CliFailure(kExitDamaged, "Lines of the SIM listing that cannot be read changed "
                                       "from one reading to the next (line noise?):" +
                                           UnreadableList(*unsure));
      continue;
    } catch (const CliFailure& f) {
      // Line noise spoils one reading, not the next.
      if (f.code() != kExitDamaged || attempt >= retries) throw;
      s.Note(std::string(f.what()) + " Reading again.");
    }
  }
}

ReadResult ReadTwiceAgreeing(Session& s, int retries, bool stop_first,
                             const std::string& consequence) {
  ReadResult r = ReadWithRetries(s, retries, stop_first);
  for (int retry = 0;; ++retry) {
    ReadResult again = ReadWithRetries(s, retries - retry, /*stop_first=*/false);
    const bool agree = again == r;
    r = std::move(again);
    if (agree) return r;
    if (retry >= retries)
      throw CliFailure(kExitDamaged, "Two readings of the unit in a row never agreed (line "
                                     "noise?), so " + consequence + " Check the cable and try "
                                     "again.");
    s.Note("Two readings of the unit differ (line noise?); reading again.");
  }
}

void WriteAll(Session& s) {
  Program& p = s.program();
  s.Click(s.form().SaveGDI);
  const SequenceOutcome& o = p.transfer.last_write_outcome();
  if (!p.op.WriteAllRunning) {
    if (o.kind == SequenceOutcome::kNotStarted || o.kind == SequenceOutcome::kRejected)
      throw FailureOf(o, "");
    throw CliFailure(kExitFailure, "The write was not started.");
  }
  WaitWhile(
      s, [&] { return p.op.WriteAllRunning; },
      [&] {
        return "Writing the SIM: position " +
               std::to_string(std::min(p.op.NextSimPosition, p.op.SimCapacity)) + " of " +
               std::to_string(p.op.SimCapacity);
      },
      "The write", [&] { return p.transfer.WrittenSoFar(); });
  if (o.kind != SequenceOutcome::kDone) throw FailureOf(o, "");
  // Finished, but with rows left over: the read-back will list them, and this says why.
  if (!o.reason.empty()) s.Note(o.reason);
}

void LoadParameterFile(Session& s, const std::string& path) {
  size_t shown = s.dialogs().messages().size();
  size_t questions = s.dialogs().questions_asked();
  s.dialogs().AnswerNextFile(path);
  s.Click(s.form().Load);
  bool asked = s.dialogs().file_answer_taken();
  s.dialogs().CancelFileAnswer();
  // The only question a load asks is whether to load a file that is no parameter file; nobody
  // is there to say yes.
  if (s.dialogs().questions_asked() > questions)
    throw CliFailure(kExitFailure, path + " is not a parameter file; nothing was loaded.");
  if (!asked || s.dialogs().messages().size() > shown)
    throw CliFailure(kExitFailure, "The parameter file " + path + " was not loaded.");
}

void SaveParameterFile(Session& s, const std::string& path) {
  size_t shown = s.dialogs().messages().size();
  s.dialogs().AnswerNextFile(path);
  s.Click(s.form().Save);
  bool asked = s.dialogs().file_answer_taken();
  s.dialogs().CancelFileAnswer();
  if (!asked || s.dialogs().messages().size() > shown)
    throw CliFailure(kExitFailure, "The parameter file " + path + " was not saved.");
}

std::vector<UnitEntry> EntriesOfWindow(Session& s) {
  namespace fs = std::filesystem;
  std::random_device random;
  fs::path path = fs::temp_directory_path() /
                  ("vrkt-cli-" + std::to_string(random()) + std::to_string(random()) + ".tmp");
  std::u8string u = path.u8string();
  std::string name(u.begin(), u.end());
  std::string text;
  try {
    SaveParameterFile(s, name);
    text = ReadFileBytes(name, "Cannot open file \"%s\". %s");
  } catch (...) {
    std::error_code ec;
    fs::remove(path, ec);
    throw;
  }
  std::error_code ec;
  fs::remove(path, ec);
  return EntriesOfParameterFile(text);
}

}  // namespace vrkt::cli
