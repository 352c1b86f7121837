#include "cli/sequences.h"

#include <filesystem>
#include <random>

#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"

namespace vrkt::cli {

namespace {

bool IsErrorLine(const std::string& line) {
  return !IsUnsolicited(line) && Contains(line, "ERROR");
}

// The module's "not found" (CME error 22): a SIM without a single entry answers the list
// command so.
bool IsNotFound(const std::string& line) {
  return Contains(line, "ERROR: 22") || Contains(line, "not found");
}

std::string Seconds(int64_t ms) { return std::to_string((ms + 999) / 1000) + " s"; }

// Follows the read chain from one line on: the operator reply, the size of the SIM and the
// listing of its entries. Each answer must come within the reply timeout of the one before;
// lines the unit sends on its own do not count as answers.
class ReadChain {
 public:
  ReadChain(Session& s, size_t from_line) : s_(s), cursor_(from_line) {}

  // False when the chain stopped after the operator reply: the unit reported STOP before the
  // window's periodic update showed it stopped, and the window's user presses Load then.
  bool Follow(ReadResult& result) {
    last_progress_ = s_.NowMs();
    s_.PumpUntil({.done = [&] { return Scan(result); },
                  .deadline = [&] { return last_progress_ + s_.ReplyTimeoutMs(); },
                  .timeout_message = [&] { return TimeoutMessage(result); },
                  .progress = [&] { return ProgressText(result); }});
    return !stopped_after_operator_;
  }

 private:
  enum Stage { kOperator, kRange, kEntries, kDone };

  bool Scan(ReadResult& r) {
    const std::vector<std::string>& lines = s_.traffic().lines();
    for (; cursor_ < lines.size(); ++cursor_) {
      const std::string& line = lines[cursor_];
      if (IsUnsolicited(line)) continue;
      if (IsErrorLine(line)) {
        if (stage_ == kEntries && IsNotFound(line)) return Finish();
        throw CliFailure(kExitRefused, "The unit refused " + Plain(s_.traffic().CommandBefore(cursor_)) +
                                           " while its SIM was read: " + line);
      }
      switch (stage_) {
        case kOperator:
          if (!Contains(line, "+COPS")) break;
          Progress();
          if (!s_.traffic().WroteAfterLine("AT+CPBR=?\r\n", cursor_)) {
            stopped_after_operator_ = true;
            return Finish();
          }
          stage_ = kRange;
          break;
        case kRange:
          if (!Contains(line, "+CPBR: (1-")) break;
          Progress();
          r.capacity = s_.program().op.SimCapacity;
          if (r.capacity <= 10)
            throw CliFailure(kExitFailure, "The unit's SIM reports only " + std::to_string(r.capacity) +
                                               " positions; such a SIM is never listed, so its "
                                               "entries cannot be read.");
          list_command_ = "AT+CPBR=1," + std::to_string(r.capacity) + "\r\n";
          if (!s_.traffic().WroteAfterLine(list_command_, cursor_))
            throw CliFailure(kExitFailure, "The read stopped after the SIM's size: its entries "
                                           "were not asked for.");
          stage_ = kEntries;
          range_answer_open_ = true;
          break;
        case kEntries:
          // The size query's own "OK" follows its reply after the list was asked for.
          if (line == "OK" && range_answer_open_) {
            range_answer_open_ = false;
            break;
          }
          if (line == "OK") return Finish();
          if (auto e = ParseEntryLine(line)) {
            r.entries.push_back(*e);
            Progress();
          }
          break;
        case kDone:
          return true;
      }
    }
    return stage_ == kDone;
  }

  bool Finish() {
    stage_ = kDone;
    ++cursor_;
    return true;
  }
  void Progress() { last_progress_ = s_.NowMs(); }

  std::string TimeoutMessage(const ReadResult& r) const {
    std::string within = " within " + Seconds(s_.ReplyTimeoutMs()) + ".";
    switch (stage_) {
      case kOperator:
        return "The unit did not answer the operator query (AT+COPS?)" + within;
      case kRange:
        return "The unit did not report the size of its SIM (AT+CPBR=?)" + within;
      default:
        return "The unit did not finish listing its SIM (" + Plain(list_command_) + ")" + within +
               " " + std::to_string(r.entries.size()) + " entries had arrived.";
    }
  }

  std::string ProgressText(const ReadResult& r) const {
    if (stage_ != kEntries) return "Reading the unit...";
    return "Reading the SIM (" + std::to_string(r.capacity) + " positions): " +
           std::to_string(r.entries.size()) + " entries";
  }

  Session& s_;
  size_t cursor_;
  Stage stage_ = kOperator;
  bool stopped_after_operator_ = false;
  bool range_answer_open_ = false;
  int64_t last_progress_ = 0;
  std::string list_command_;
};

void WaitUntilShownStopped(Session& s) {
  Form1& f = s.form();
  int64_t until = s.NowMs() + 3000;
  s.PumpUntil({.done = [&f] { return f.RunGDI.visible(); },
               .deadline = [until] { return until; },
               .timeout_message = [] { return std::string("The unit was not shown as stopped."); },
               .timeout_code = kExitFailure});
}

// What the SIM holds after a write that ended early. The last position sent is only known to be
// stored once its "OK" came.
std::string WrittenSoFar(Session& s) {
  const Program& p = s.program();
  int last_sent = p.op.NextSimPosition - 1;
  const auto& writes = s.traffic().writes();
  bool pending = last_sent > 0 && !writes.empty() &&
                 StartsWith(writes.back().bytes, "AT+CPBW=" + std::to_string(last_sent));
  int confirmed = pending ? last_sent - 1 : last_sent;
  std::string text = confirmed <= 0 ? "No SIM position was confirmed written"
                                    : "SIM positions 1 to " + std::to_string(confirmed) +
                                          " were confirmed written";
  if (pending) text += "; position " + std::to_string(last_sent) + " may have been";
  return text + ". The positions after them hold what they held before.";
}

}  // namespace

std::string Plain(const std::string& command) {
  std::string c = command;
  while (!c.empty() && (c.back() == '\n' || c.back() == '\r')) c.pop_back();
  return c.empty() ? std::string("the last command") : c;
}

ReadResult StopAndReadAll(Session& s) {
  Form1& f = s.form();
  const Traffic& t = s.traffic();
  size_t from = t.lines().size();
  // A latching button: pressing Stop holds it down and releases Run.
  f.StopGDI.SetDown(true);
  f.RunGDI.SetDown(false);
  s.Click(f.StopGDI);
  int64_t start = s.NowMs();
  int64_t limit = 3 * s.ReplyTimeoutMs();
  size_t stop_line = std::string::npos;
  s.PumpUntil({.done =
                   [&] {
                     for (; from < t.lines().size(); ++from) {
                       const std::string& line = t.lines()[from];
                       if (line == "STOP" || line == "#APLAYEV: 0") {
                         stop_line = from;
                         return true;
                       }
                     }
                     return false;
                   },
               .deadline = [&] { return start + limit; },
               .timeout_message =
                   [&] {
                     return "The unit did not report STOP within " + Seconds(limit) +
                            " of DTR going on. Is the unit's application running, and does the "
                            "cable carry DTR?";
                   },
               .progress =
                   [&] { return "Stopping the unit: " + Seconds(s.NowMs() - start); }});
  ReadResult r;
  if (ReadChain(s, stop_line + 1).Follow(r)) return r;
  return ReadAllAgain(s);
}

ReadResult ReadAllAgain(Session& s) {
  WaitUntilShownStopped(s);
  size_t from = s.traffic().lines().size();
  s.Click(s.form().LoadGDI);
  ReadResult r;
  if (!ReadChain(s, from).Follow(r))
    throw CliFailure(kExitFailure, "The read stopped after the operator reply.");
  return r;
}

void WriteAll(Session& s) {
  Program& p = s.program();
  const Traffic& t = s.traffic();
  size_t shown = s.dialogs().messages().size();
  size_t cursor = t.lines().size();
  s.Click(s.form().SaveGDI);
  if (!p.op.WriteAllRunning)
    throw CliFailure(kExitFailure, s.dialogs().messages().size() > shown
                                       ? "The write was not started."
                                       : "The write was not started: the unit's SIM size is not "
                                         "known.");
  int last_step = -1;
  int64_t last_progress = s.NowMs();
  s.PumpUntil(
      {.done =
           [&] {
             for (; cursor < t.lines().size(); ++cursor) {
               const std::string& line = t.lines()[cursor];
               if (IsErrorLine(line))
                 throw CliFailure(kExitRefused, "The unit refused " + Plain(t.CommandBefore(cursor)) +
                                                    " with \"" + line + "\".");
             }
             if (p.op.WriteStep != last_step) {
               last_step = p.op.WriteStep;
               last_progress = s.NowMs();
             }
             return !p.op.WriteAllRunning;
           },
       .deadline = [&] { return last_progress + s.ReplyTimeoutMs() + 1000; },
       .timeout_message =
           [&] {
             std::string last = t.writes().empty() ? std::string() : t.writes().back().bytes;
             return "The unit did not answer " + Plain(last) + " within " +
                    Seconds(s.ReplyTimeoutMs()) + ". " + WrittenSoFar(s);
           },
       .progress =
           [&] {
             return "Writing the SIM: position " +
                    std::to_string(std::min(p.op.NextSimPosition, p.op.SimCapacity)) + " of " +
                    std::to_string(p.op.SimCapacity);
           },
       .context = [&] { return WrittenSoFar(s); }});
  if (s.dialogs().messages().size() > shown && p.op.NextSimPosition <= p.op.SimCapacity)
    throw CliFailure(kExitNoAnswer, "The write did not finish: the unit stopped answering.");
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
