#include "cli/cli.h"

#include <algorithm>
#include <filesystem>

#include "base/error.h"
#include "base/message_text.h"
#include "base/variant.h"
#include "cli/commands.h"
#include "cli/engine.h"
#include "cli/fleet.h"
#include "cli/fleet_options.h"
#include "cli/phonebook_commands.h"
#include "cli/report.h"
#include "cli/sim_port.h"
#include "cli/trace_run.h"
#include "cli/unit_record.h"
#include "serial/serial_backend.h"
#include "sim/sim_unit.h"

namespace vrkt::cli {

namespace {

int ListPortsCommand(CliIo& io) {
  serial::SerialProvider system_ports({});
  std::vector<PortInfo> ports = system_ports.ListPorts();
  ports.push_back({"sim", "Simulated unit"});
  size_t width = 0;
  for (const PortInfo& p : ports) width = std::max(width, p.name.size());
  for (const PortInfo& p : ports) {
    std::string name = p.name;
    name.resize(width, ' ');
    io.out << name << "  " << (p.description.empty() ? "(no description)" : p.description) << "\n";
  }
  return kExitOk;
}

int Dispatch(Session& s) {
  const std::string& c = s.options().command;
  if (c == "status") return StatusCommand(s);
  if (c == "read") return ReadCommand(s);
  if (c == "write") return WriteCommand(s);
  if (c == "verify") return VerifyCommand(s);
  if (c == "send-list") return SendListCommand(s);
  if (c == "unpin" || c == "pin-change") return PinCommand(s);
  if (c == "run") return RunUnitCommand(s);
  if (c == "phonebook") return PhoneBookUnitCommand(s);
  throw CliFailure(kExitUsage, "Unknown command \"" + c + "\".");
}

// The loader moves the working directory to its list's folder, as the window does; the caller
// of a run (a test, a script driver in the same process) gets its own back.
class WorkingDirectoryKeeper {
 public:
  WorkingDirectoryKeeper() { saved_ = std::filesystem::current_path(ec_); }
  ~WorkingDirectoryKeeper() {
    if (ec_) return;
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }

 private:
  std::error_code ec_;
  std::filesystem::path saved_;
};

}  // namespace

int RunCli(const std::vector<std::string>& argv, CliIo& io, const CliHooks& hooks) {
  std::string program = argv.empty() ? std::string() : argv[0];
  std::string name = DisplayName(program);
  Options o;
  try {
    o = ParseOptions(program,
                     std::vector<std::string>(argv.begin() + (argv.empty() ? 0 : 1), argv.end()));
    if (o.version) {
      io.out << name << " " << VRKT_PROGRAM_VERSION << "\n";
      return kExitOk;
    }
    if (o.help) {
      io.out << (o.command.empty() ? GeneralHelp(program) : CommandHelp(o.command, program));
      return kExitOk;
    }
    if (o.command == "ports") return ListPortsCommand(io);
    if (!o.settings_path.empty()) RequireReadableFile(o.settings_path, "settings file");
    if (o.command == "write" || o.command == "verify")
      RequireReadableFile(o.operand, "parameter file");
    if (o.command == "send-list") RequireReadableFile(o.operand, "loader list");
    if (o.command == "phonebook") {
      if (o.book_action == "import") RequireReadableFile(o.operand, "file");
      // A parameter file needs no unit: no port is opened for it.
      if (!o.param_file.empty()) return PhoneBookFileCommand(o, io);
    }
    if (!o.report_path.empty()) RequireWritableReport(o.report_path);
    if (IsFleetRun(o)) return RunFleet(o, io, hooks.unit_program);
    if (o.progress_lines) io.progress = true;
  } catch (const CliFailure& f) {
    io.err << (f.code() == kExitUsage ? name + ": " : std::string())
           << EscapeForUtf8Output(f.what()) << "\n";
    return f.code();
  }

  WorkingDirectoryKeeper keep_cwd;
  bool virtual_sim = IsSimPort(o.port) && !o.real_time;
  std::unique_ptr<Engine> engine = IsReplayPort(o.port) ? MakeReplayEngine()
                                   : virtual_sim        ? MakeVirtualSimEngine()
                                                 : MakeLiveEngine(IsSimPort(o.port), !o.no_cts);
  TraceRun trace(o, *engine);
  if (SimProvider* sim = engine->sim()) {
    // The simulated unit is of the family the program serves.
    Variant v = VariantFromFileName(
        FileNameOf(o.variant.empty() ? o.program_name : ProgramNameForVariant(o.variant)));
    SimConfig config;
    config.family = v.IsDvg() ? SimFamily::kDvg : SimFamily::kVrkt;
    config.is4g = v.Is4G;
    ConfigureSimPort(o.port, config, sim->unit());
    if (hooks.on_sim) hooks.on_sim(*sim);
  }

  int code = kExitOk;
  std::optional<UnitRecord> record;
  std::optional<LastLineKeeper> last_error;
  if (KeepsRecord(o)) last_error.emplace(io.err);
  {
    Session s(o, io, trace.engine());
    trace.WatchReplay(s);
    s.on_pump = hooks.on_pump;
    s.program().transfer.set_pace_ms(o.pace_ms);
    const int64_t started_ms = s.NowMs();
    std::string failure;
    try {
      s.Start();
      code = Dispatch(s);
    } catch (const CliFailure& f) {
      s.ClearProgress();
      io.err << EscapeForUtf8Output(f.what()) << "\n";
      code = f.code();
      failure = f.what();
    } catch (const std::exception& e) {
      s.ClearProgress();
      io.err << EscapeForUtf8Output(e.what()) << "\n";
      code = kExitFailure;
      failure = e.what();
    }
    if (failure.empty() && code != kExitOk && last_error) failure = last_error->last_line();
    if (KeepsRecord(o)) record = TakeUnitRecord(s, code, failure, started_ms);
    // A stopped unit makes no emergency calls. A 4G unit restarts as the port closes and DTR
    // drops; any other needs its restart command.
    Program& p = s.program();
    if (p.port().Dtr() && !p.variant.Is4G) {
      (code == kExitOk ? io.out : io.err)
          << "The unit's application is stopped: its emergency calls stay off until it is "
             "started again with\n  "
          << name << " --port " << o.port << " run\n";
    }
    if (!s.Finish() && code == kExitOk) code = kExitFailure;
    if (!trace.Save(io) && code == kExitOk) code = kExitFailure;
    if (hooks.on_finish) hooks.on_finish(s);
  }
  if (record) code = KeepRecord(o, *record, code, io);
  io.out.flush();
  io.err.flush();
  return code;
}

}  // namespace vrkt::cli
