#include "cli/session.h"

#include <algorithm>

#include "base/error.h"
#include "base/message_text.h"

namespace vrkt::cli {

namespace {

ProgramEnv MakeEnv(const Options& o, Clock& clock, PortProvider& ports, Dialogs& dialogs) {
  ProgramEnv env;
  // The variant comes from the name as started; --variant stands in for a differently named copy.
  env.program_path = o.variant.empty() ? o.program_name : ProgramNameForVariant(o.variant);
  env.clock = &clock;
  env.ports = &ports;
  env.dialogs = &dialogs;
  env.read_settings = !o.settings_path.empty();
  env.settings_path = o.settings_path;
  env.code_page = o.code_page;
  return env;
}

}  // namespace

Session::Session(const Options& options, CliIo& io, Engine& engine)
    : options_(options),
      io_(io),
      engine_(engine),
      traffic_(engine.clock()),
      tap_(engine.provider(), traffic_, options.no_cts) {
  dialogs_.set_port(options.port);
  dialogs_.on_message = [this](const std::string& text) {
    // A sequence's own failure is reported by the command, in words about the unit and the
    // file; every other message is printed as it comes.
    const Program& p = *program_;
    for (const SequenceOutcome* o : {&p.transfer.last_read_outcome(),
                                     &p.transfer.last_write_outcome(), &p.loader.last_outcome()})
      if (o->message == text) return;
    PrintMessage(text);
  };
  program_ = std::make_unique<Program>(MakeEnv(options, engine.clock(), tap_, dialogs_));
  program_->link.set_reply_deadline_ms(static_cast<int>(ReplyTimeoutMs()));
  // The commands check a write against the file themselves, with readings taken again when noise
  // spoils one.
  program_->transfer.set_verify_after_write(false);
  // Every listing is checked against the SIM's own count of used positions, and entries that
  // cannot be read are named by the command.
  program_->transfer.set_check_used_count(true);
  program_->transfer.set_show_unreadable(false);
}

Session::~Session() {
  ClearProgress();
  program_.reset();
}

void Session::PrintMessage(const std::string& text) {
  ClearProgress();
  // Reply bytes that line noise damaged would make the output invalid UTF-8.
  io_.err << EscapeForUtf8Output(text) << "\n";
  io_.err.flush();
}

void Session::Start() {
  const std::string& port = options_.port;
  try {
    program_->port().OpenNamed(port);
  } catch (const AppError& e) {
    throw CliFailure(kExitPort, "Cannot open the serial port " + port + ": " + e.what());
  }
  size_t shown = dialogs_.messages().size();
  program_->FormCreate();
  if (dialogs_.messages().size() > shown || !program_->port().IsOpen())
    throw CliFailure(kExitPort, "The serial port " + port + " failed at start-up.");
  if (options_.no_cts) return;
  int64_t until = NowMs() + kCtsLostAfterMs + 500;
  PumpUntil({.done = [this] { return program_->port().IsCtsOn(); },
             .deadline = [until] { return until; },
             .timeout_message =
                 [&port] {
                   return "CTS stays off on " + port +
                          ": no unit answers there, or the port cannot report CTS. Check the "
                          "cable and the unit's power. If the port or adapter has no modem "
                          "lines (a pseudo-terminal, for example), run again with --no-cts.";
                 },
             .timeout_code = kExitPort});
  watch_cts_ = true;
}

void Session::CheckLink(int64_t now, const Wait& wait) {
  std::string context = wait.context ? " " + wait.context() : std::string();
  if (!program_->port().IsOpen())
    throw CliFailure(kExitPort, "The serial port " + options_.port + " is closed." + context);
  if (!watch_cts_) return;
  if (program_->port().IsCtsOn()) {
    cts_off_since_ = -1;
    return;
  }
  if (cts_off_since_ < 0) cts_off_since_ = now;
  if (now - cts_off_since_ >= kCtsLostAfterMs)
    throw CliFailure(kExitPort, "CTS went off on " + options_.port +
                                    ": the unit was disconnected or lost power." + context);
}

void Session::PumpUntil(const Wait& wait) {
  for (;;) {
    program_->Service();
    if (on_pump) on_pump(*this);
    int64_t now = NowMs();
    CheckLink(now, wait);
    if (wait.done()) return;
    if (now >= wait.deadline()) throw CliFailure(wait.timeout_code, wait.timeout_message());
    if (wait.progress) DrawProgress(wait.progress());
    if (program_->port().BytesAvailable() > 0) continue;
    int64_t next = std::min(program_->NextTimerDue(), wait.deadline());
    if (watch_cts_ && cts_off_since_ >= 0) next = std::min(next, cts_off_since_ + kCtsLostAfterMs);
    engine_.WaitUntil(next);
  }
}

void Session::Click(Button& button) {
  program_->Run([&button] {
    if (button.on_click) button.on_click();
  });
}

bool Session::Finish() {
  bool ok = true;
  if (!options_.log_path.empty()) {
    size_t shown = dialogs_.messages().size();
    dialogs_.AnswerNextFile(options_.log_path);
    Click(form().SaveMonitor);
    if (dialogs_.messages().size() > shown || !dialogs_.file_answer_taken()) {
      dialogs_.CancelFileAnswer();
      PrintMessage("The traffic log was not saved to " + options_.log_path + ".");
      ok = false;
    }
  }
  program_->port().Close();
  ClearProgress();
  return ok;
}

void Session::DrawProgress(const std::string& text) {
  if (!io_.progress || text.empty()) return;
  auto now = std::chrono::steady_clock::now();
  if (text == progress_shown_ || now - progress_at_ < std::chrono::milliseconds(100)) return;
  std::string line = text;
  if (line.size() < progress_shown_.size()) line.resize(progress_shown_.size(), ' ');
  io_.err << "\r" << line << std::flush;
  progress_shown_ = text;
  progress_at_ = now;
}

void Session::ClearProgress() {
  if (progress_shown_.empty()) return;
  io_.err << "\r" << std::string(progress_shown_.size(), ' ') << "\r" << std::flush;
  progress_shown_.clear();
}

}  // namespace vrkt::cli
