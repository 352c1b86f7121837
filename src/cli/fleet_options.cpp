#include "cli/fleet_options.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "cli/exit_codes.h"
#include "cli/sim_port.h"

namespace vrkt::cli {

namespace {

constexpr int kFastPaceMs = 20;
constexpr const char kPlaceholder[] = "{port}";

// The commands that can serve several units at once: each unit's run stands on its own.
bool ServesSeveralUnits(const std::string& command) {
  return command == "write" || command == "read" || command == "verify" || command == "status" ||
         command == "send-list";
}

// The commands whose write-all the pace governs.
bool WritesTheUnit(const Options& o) {
  return o.command == "write" || (o.command == "phonebook" && o.book_action == "import");
}

std::vector<std::string> ReadPortList(const std::string& path) {
  std::string text;
  try {
    text = ReadFileBytes(path, "Cannot open the port list \"%s\". %s");
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure, e.what());
  }
  std::vector<std::string> ports;
  for (const std::string& raw : SplitLines(text)) {
    std::string line = TrimControls(Before(raw, "#"));
    if (!line.empty()) ports.push_back(line);
  }
  if (ports.empty()) Usage("The port list " + path + " names no port.");
  return ports;
}

void CheckPerUnitName(const Options& o, const std::string& pattern, const std::string& what) {
  if (pattern.empty()) return;
  if (pattern.find(kPlaceholder) == std::string::npos)
    Usage("With several ports, " + what +
          " needs {port} in its file name (for example "
          "units/{port}.vrk), so that every unit gets a file of its own.");
  std::set<std::string> names;
  for (const std::string& port : o.ports)
    if (!names.insert(PerUnitFileName(pattern, port)).second)
      Usage("Two ports give the same file name " + PerUnitFileName(pattern, port) + " for " + what +
            ".");
}

}  // namespace

UnitArgs::~UnitArgs() {
  if (!keep_) return;
  const size_t last = std::min(index_, args_.size() - 1);
  out_.insert(out_.end(), args_.begin() + static_cast<std::ptrdiff_t>(first_),
              args_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

std::optional<int> WholeNumber(const std::string& text, int lo, int hi) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < lo ||
      value > hi)
    return std::nullopt;
  return value;
}

void AddPort(Options& o, const std::string& port) {
  if (port.empty()) Usage("--port needs a port name.");
  if (o.ports.empty()) o.port = port;
  o.ports.push_back(port);
}

bool ParseLineOption(const std::string& arg, const std::function<std::string()>& take_value,
                     const std::function<void()>& no_value, Options& o, UnitArgs& unit_args) {
  if (arg == "--ports") {
    unit_args.BelongsToRun();
    const std::string path = take_value();
    if (path.empty()) Usage("--ports needs a file name.");
    for (const std::string& port : ReadPortList(path)) AddPort(o, port);
    o.ports_file = true;
  } else if (arg == "--report") {
    unit_args.BelongsToRun();
    o.report_path = take_value();
    if (o.report_path.empty()) Usage("--report needs a file name.");
  } else if (arg == "--pace" || arg == "--fast") {
    int pace = kFastPaceMs;
    bool automatic = false;
    if (arg == "--fast") {
      no_value();
    } else if (const std::string text = take_value(); text == "auto") {
      automatic = true;
    } else {
      std::optional<int> ms = WholeNumber(text, 0, 5000);
      if (!ms)
        Usage("--pace needs a whole number of milliseconds from 0 to 5000 or \"auto\", not \"" +
              text + "\".");
      pace = *ms;
    }
    if (o.pace_given && (o.pace_ms != pace || o.pace_auto != automatic))
      Usage("--pace and --fast name different paces; give one.");
    o.pace_ms = pace;
    o.pace_auto = automatic;
    o.pace_given = true;
  } else if (arg == "--all") {
    no_value();
    o.write_all = true;
  } else if (arg == "--unit-record") {
    o.unit_record_path = take_value();
  } else if (arg == "--progress-lines") {
    no_value();
    o.progress_lines = true;
  } else {
    return false;
  }
  return true;
}

bool IsFleetRun(const Options& o) { return o.ports.size() > 1 || o.ports_file; }

void CheckLineOptions(Options& o) {
  for (const std::string& port : o.ports) CheckSimPort(port);
  if (o.pace_given && !WritesTheUnit(o))
    Usage("--pace and --fast set the pace of a write: options of write and phonebook import.");
  if (o.write_all && !WritesTheUnit(o))
    Usage("--all writes every SIM position: an option of write and phonebook import.");
  if (!o.report_path.empty() && o.port.empty())
    Usage("--report records units: it needs --port or --ports.");
  if (!IsFleetRun(o)) return;
  if (!ServesSeveralUnits(o.command))
    Usage("Several ports work with write, read, verify, status and send-list, not with " +
          o.command + ".");
  std::set<std::string> seen;
  for (const std::string& port : o.ports)
    if (!seen.insert(port).second) Usage("The port " + port + " is named twice.");
  CheckPerUnitName(o, o.output, "-o");
  CheckPerUnitName(o, o.log_path, "--log");
}

std::string PerUnitFileName(const std::string& pattern, const std::string& port) {
  std::string name =
      port.substr(port.find_last_of("/\\") == std::string::npos ? 0 : port.find_last_of("/\\") + 1);
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) c = '_';
  }
  if (name.empty() || name == "." || name == "..") name = "port";
  std::string out = pattern;
  for (size_t at = out.find(kPlaceholder); at != std::string::npos;
       at = out.find(kPlaceholder, at + name.size()))
    out.replace(at, sizeof(kPlaceholder) - 1, name);
  return out;
}

std::string LineOptionsHelp() {
  return "Production line:\n"
         "  --port NAME ...    name --port once for every unit (write, read, verify, status,\n"
         "                     send-list): all units are served at the same time, each by a run\n"
         "                     of its own, and a table shows every unit's port, IMEI, result,\n"
         "                     time and the reason of a failure\n"
         "  --ports FILE       the ports, one per line (# starts a comment); a table even for one\n"
         "  --report FILE      append one CSV line per unit (a header first in a new file): time,\n"
         "                     port, IMEI, firmware, SHA-256 of the file, command, result, exit\n"
         "                     code, positions written, positions already right and duration\n"
         "                     in seconds; the IMEI is\n"
         "                     asked for (AT+CGSN) once the command has ended\n"
         "  --pace MS          the pause before each command of a write (write, phonebook\n"
         "                     import); default 200, as the window program\n"
         "  --fast             --pace 20, for units known to keep up: a SIM that is still\n"
         "                     storing may lose a write that comes too soon. Every write is read\n"
         "                     back and compared, so such a unit fails; it never passes\n"         "  --pace auto        --pace 20 first; positions the read-back finds lost are\n"
         "                     written again at 200 ms, and the pace used is reported\n"
         "  --all              write every SIM position (write, phonebook import); without it\n"
         "                     only the positions that differ from what the file puts there\n"
         "                     are written, and the whole SIM is read back and compared\n"
         "  With several ports or --ports, read -o and --log need {port} in the file name\n"
         "  (-o units/{port}.vrk): the port's name without its folder, other characters than\n"
         "  letters, digits, \".\", \"-\" and \"_\" as \"_\". The exit code is 0 only when every\n"
         "  unit passed; otherwise the failed units' code when they share one, else 1.\n"
         "  For tests and demos the simulated unit takes settings in its port name, after\n"
         "  \"sim:\" and separated by commas: a label, imei=DIGITS, silent-after=N (commands),\n"
         "  refuse-write=N (position), write-ms=N, busy-after-ok=N, full (every position used).\n";
}

}  // namespace vrkt::cli
