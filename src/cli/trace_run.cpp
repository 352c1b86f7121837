#include "cli/trace_run.h"

#include <algorithm>

#include "base/error.h"
#include "base/file_io.h"
#include "base/variant.h"
#include "cli/exit_codes.h"
#include "cli/fleet_options.h"
#include "cli/session.h"
#include "sim/replay_unit.h"

namespace vrkt::cli {

bool ParseTraceOption(const std::string& arg, const std::function<std::string()>& take_value,
                      const std::function<void()>& no_value, Options& o, UnitArgs& unit_args) {
  if (arg == "--trace") {
    unit_args.BelongsToRun();
    o.trace_path = take_value();
    if (o.trace_path.empty()) Usage("--trace needs a file name.");
    return true;
  }
  if (arg == "--trace-pin") {
    no_value();
    o.trace_pin = true;
    return true;
  }
  return false;
}

void CheckTraceOptions(const Options& o) {
  if (o.trace_pin && o.trace_path.empty()) Usage("--trace-pin is an option of --trace.");
  if (!o.trace_path.empty() && (o.ports.size() > 1 || o.ports_file))
    Usage("--trace records the traffic of one port: it cannot be used with several ports.");
  for (const std::string& port : o.ports)
    if (IsReplayPort(port) && ReplayProvider::SplitName(port).first.empty())
      Usage("A replay port needs a trace file: --port replay:FILE.");
}

std::string TraceOptionsHelp() {
  return "Wire traces (see the README for their format):\n"
         "  --trace FILE       record every byte to and from the unit, the modem lines and their\n"
         "                     times in FILE; the PIN of AT+CPIN=, AT+CLCK and AT+CPWD is written\n"
         "                     as ****\n"
         "  --trace-pin        keep the PINs in the trace\n"
         "  --port replay:FILE play a recorded trace back as the unit (in virtual time, with the\n"
         "                     recorded delays; replay:FILE,fast without them); a command the\n"
         "                     recording does not hold at that point gets no answer, and where "
         "the\n"
         "                     session left the recording is reported\n";
}

bool IsReplayPort(const std::string& port) { return ReplayProvider::IsReplayPort(port); }

namespace {

class ReplayEngine : public Engine {
 public:
  Clock& clock() override { return clock_; }
  PortProvider& provider() override { return replay_; }
  SimProvider* sim() override { return nullptr; }
  ReplayProvider& replay() { return replay_; }

  void WaitUntil(int64_t until_ms) override {
    int64_t now = clock_.NowMs();
    int64_t next = std::min(replay_.NextEventMs(), until_ms);
    clock_.AdvanceTo(std::max(next, now + 1));
  }

 private:
  VirtualClock clock_;
  ReplayProvider replay_{clock_};
};

}  // namespace

std::unique_ptr<Engine> MakeReplayEngine() { return std::make_unique<ReplayEngine>(); }

// The inner engine with a recorder between the program and its port.
class TraceRun::Traced : public Engine {
 public:
  Traced(Engine& inner, TraceRecorder& recorder)
      : inner_(inner), provider_(inner.provider(), recorder) {}
  Clock& clock() override { return inner_.clock(); }
  PortProvider& provider() override { return provider_; }
  SimProvider* sim() override { return inner_.sim(); }
  void WaitUntil(int64_t until_ms) override { inner_.WaitUntil(until_ms); }

 private:
  Engine& inner_;
  TracingProvider provider_;
};

TraceRun::TraceRun(const Options& options, Engine& inner) : options_(options), inner_(inner) {
  if (options.trace_path.empty()) return;
  recorder_ = std::make_unique<TraceRecorder>(inner.clock());
  const std::string program =
      options.variant.empty() ? options.program_name : ProgramNameForVariant(options.variant);
  const Variant v = VariantFromFileName(FileNameOf(program));
  std::string variant = v.IsDvg() ? "dvg" : "vrkt";
  if (v.Is4G) variant += "4g";
  std::vector<std::pair<std::string, std::string>> header = {
      {"program", DisplayName(program) + " " + VRKT_PROGRAM_VERSION},
      {"variant", variant + " (" + v.ProductName + ")"},
      {"command", options.command},
      {"pace-ms", std::to_string(options.pace_ms)},
      {"timeout-s", std::to_string(options.timeout_s)},
      {"flow", options.no_cts ? "none (--no-cts)" : "RTS/CTS"},
  };
  if (!options.settings_path.empty()) header.emplace_back("settings", options.settings_path);
  recorder_->SetHeader(std::move(header));
  recorder_->set_keep_pins(options.trace_pin);
  recorder_->set_rts_on_open(!options.no_cts);
  traced_ = std::make_unique<Traced>(inner, *recorder_);
}

TraceRun::~TraceRun() = default;

Engine& TraceRun::engine() { return traced_ ? static_cast<Engine&>(*traced_) : inner_; }

void TraceRun::WatchReplay(Session& session) {
  auto* replay = dynamic_cast<ReplayEngine*>(&inner_);
  if (!replay) return;
  replay->replay().on_divergence = [&session](const std::string& message) {
    session.program().LogNote(message);
    session.Note(message);
  };
}

bool TraceRun::Save(CliIo& io) {
  if (auto* replay = dynamic_cast<ReplayEngine*>(&inner_)) {
    const ReplayUnit* unit = replay->replay().unit();
    // A session that ended before the recording did left it as well, only more quietly.
    if (unit && unit->divergence().empty() && unit->matched() < unit->actions())
      io.err << "Replay: the session ended after command " << unit->matched() << " of the "
             << unit->actions() << " the recording holds.\n";
  }
  if (!recorder_) return true;
  if (!recorder_->HasTrace()) {
    io.err << "No trace was saved to " << options_.trace_path << ": the port never opened.\n";
    return false;
  }
  try {
    WriteFileAtomically(options_.trace_path, recorder_->Text(), "Cannot save the trace \"%s\". %s");
  } catch (const AppError& e) {
    io.err << e.what() << "\n";
    return false;
  }
  return true;
}

}  // namespace vrkt::cli
