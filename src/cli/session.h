#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/program.h"
#include "cli/cli_dialogs.h"
#include "cli/engine.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/traffic.h"

namespace vrkt::cli {

struct CliIo {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;  // draw a progress line on `err` (a terminal)
};

// One run of the command line: the program with its dialogs answered from the command line,
// the port behind a traffic tap, and the event loop that pumps it.
class Session {
 public:
  Session(const Options& options, CliIo& io, Engine& engine);
  ~Session();

  Program& program() { return *program_; }
  Form1& form() { return program_->form; }
  Traffic& traffic() { return traffic_; }
  CliDialogs& dialogs() { return dialogs_; }
  const Options& options() const { return options_; }
  CliIo& io() { return io_; }
  int64_t NowMs() { return engine_.clock().NowMs(); }
  int64_t ReplyTimeoutMs() const { return options_.timeout_s * 1000LL; }

  // Opens the port, runs start-up and, unless --no-cts, waits for CTS. Throws CliFailure.
  void Start();

  struct Wait {
    std::function<bool()> done = nullptr;         // may throw CliFailure
    std::function<int64_t()> deadline = nullptr;  // absolute ms; passing it ends the wait
    std::function<std::string()> timeout_message = nullptr;
    int timeout_code = kExitNoAnswer;
    std::function<std::string()> progress = nullptr;  // the progress line; empty for none
    // What the unit was left with, added to a port failure's message.
    std::function<std::string()> context = nullptr;
  };
  // Runs the event loop until `done` holds. Throws CliFailure when the deadline passes, the
  // port closes, or CTS stays off.
  void PumpUntil(const Wait& wait);

  // Presses a button of the window: its click handler runs as the window runs it.
  void Click(Button& button);
  // Runs a handler the same way.
  void Run(const std::function<void()>& handler) { program_->Run(handler); }

  // Called after every turn of the event loop (tests change the unit's faults from here).
  std::function<void(Session&)> on_pump;

  // Saves --log and closes the port. Returns false when the log could not be saved.
  bool Finish();
  // Prints a line of its own on the error stream (a note on the way, not the result).
  void Note(const std::string& text) { PrintMessage(text); }
  void ClearProgress();

 private:
  void CheckLink(int64_t now, const Wait& wait);
  void DrawProgress(const std::string& text);
  void PrintMessage(const std::string& text);

  const Options& options_;
  CliIo& io_;
  Engine& engine_;
  Traffic traffic_;
  TapProvider tap_;
  CliDialogs dialogs_;
  std::unique_ptr<Program> program_;
  bool watch_cts_ = false;
  int64_t cts_off_since_ = -1;
  std::string progress_shown_;
  std::chrono::steady_clock::time_point progress_at_{};
};

// How long CTS may stay off before the unit counts as gone: longer than flow control holds it.
inline constexpr int64_t kCtsLostAfterMs = 2000;

}  // namespace vrkt::cli
