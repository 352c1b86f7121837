#include "cli/options.h"

#include <charconv>

#include "app/code_page_choice.h"
#include "base/error.h"
#include "base/variant.h"
#include "cli/book_options.h"
#include "cli/exit_codes.h"
#include "cli/fleet_options.h"
#include "cli/trace_run.h"

namespace vrkt::cli {

namespace {

struct CommandInfo {
  const char* name;
  const char* operand;  // nullptr: none
  const char* summary;
  const char* details;
};

constexpr CommandInfo kCommands[] = {
    {"ports", nullptr, "list the serial ports and the simulated unit",
     "Lists every serial port the system knows, with its description, and the simulated unit\n"
     "\"sim\". Ports without a driver entry (pseudo-terminals) are not listed but can still be\n"
     "named with --port.\n"},
    {"status", nullptr, "show operator, signal, battery, supply, SIM, firmware and IMEI",
     "Stops the unit's application, reads its SIM to learn the operator, the SIM capacity and\n"
     "the firmware version, then asks for signal, battery and supply voltage and the IMEI.\n"
     "The unit stays stopped; use the run command to restart it.\n"},
    {"read", nullptr, "read the whole unit into a parameter file (-o FILE)",
     "Stops the unit's application, reads every entry of its SIM and saves a parameter file in\n"
     "the window program's format. An existing FILE is replaced. Options:\n"
     "  -o, --output FILE   the parameter file to write (required)\n"},
    {"write", "FILE", "write a parameter file to the unit, read it back and compare",
     "Loads FILE, stops the unit's application, writes every entry and phone book row to the\n"
     "SIM (deleting the positions left over), reads the SIM back and compares. Succeeds only\n"
     "when every entry and phone book row of the file is on the unit; otherwise prints the\n"
     "differences entry by entry. Entries the unit's SIM cannot store (a name too long for\n"
     "it, a reserved name in the phone book, a character a SIM number cannot hold, more rows\n"
     "than positions) are listed before anything is written, and nothing is written then.\n"
     "  --run               restart the unit's application once the unit holds the file\n"},
    {"verify", "FILE", "compare the unit with a parameter file without writing",
     "Stops the unit's application, reads its SIM and compares it with FILE entry by entry.\n"
     "Entries the file holds with an empty value are expected to be absent from the unit; the\n"
     "firmware version entry is not compared.\n"
     "  --run               restart the unit's application when the unit matches the file\n"},
    {"send-list", "FILE.ifo", "run a loader list (script files, files and commands)",
     "Stops the unit's application and runs the loader list FILE.ifo line by line. File names\n"
     "in the list without a folder are taken from the list's own folder.\n"},
    {"unpin", "PIN", "switch the SIM's PIN request off",
     "Stops the unit's application and switches the SIM's PIN request off, given the SIM's\n"
     "current PIN (four digits). Works also on a SIM that waits for its PIN, which the other\n"
     "commands cannot read.\n"},
    {"pin-change", "PIN", "change the SIM's PIN to 7391",
     "Stops the unit's application and changes the SIM's PIN from PIN (four digits) to the\n"
     "unit's fixed PIN 7391.\n"},
    {"phonebook", "export|import FILE", "export or import the phone book as CSV or vCard",
     "Exports the phone book to FILE, or imports FILE into it, either on a parameter file\n"
     "(--file PARAMS: nothing else in it changes) or on the unit (--port NAME: export reads the\n"
     "unit; import reads the unit, adds the rows, writes the whole unit and reads it back to\n"
     "compare, like write). Options:\n"
     "  --file PARAMS       work on this parameter file instead of a unit; its keys are\n"
     "                      those of its type (.vrk, .dvg) unless --variant says otherwise\n"
     "  --format F          csv or vcard; by default the extension of FILE decides (.vcf is\n"
     "                      vCard, anything else CSV)\n"
     "  --replace           import: the rows replace the phone book instead of being added\n"
     "  --skip-bad          import: import the rows a SIM can hold even when others cannot be\n"
     "                      imported (without it such a file changes nothing, exit code 8)\n"
     "Export writes CSV as UTF-8 with a byte-order mark and the header Name,Number, vCard 3.0\n"
     "as UTF-8; rows without a name or a number are left out. Import reads CSV with comma,\n"
     "semicolon or tab separators (a header row naming the name and number columns, or name\n"
     "then number without one) and vCard (every TEL of a card is a row). Text is read as UTF-8\n"
     "when it is, otherwise in the system's code page. Blanks, dashes, dots, slashes and\n"
     "parentheses are dropped from numbers. Every row is checked as the write to the unit\n"
     "checks it: only digits, +, * and # in the number, no comma, semicolon, quote or \"=\" in\n"
     "the name, no reserved name of the unit, every character in the code page, and on a\n"
     "unit its SIM's name and number lengths. The rows that fail are listed.\n" BOOK_OPTIONS_HELP},
    {"run", nullptr, "restart the unit's application",
     "Releases the unit's application (DTR off) and restarts the GSM module, as the window's\n"
     "Run button does. A 4G unit restarts on its own and gets no restart command.\n"},
};

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

int ParseTimeout(const std::string& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 3600)
    Usage("--timeout needs a whole number of seconds from 1 to 3600, not \"" + text + "\".");
  return value;
}

constexpr const char* kGlobalOptions =
    "Options (before or after the command):\n"
    "  --port NAME        the unit's serial port: a device such as /dev/ttyUSB0 or COM3, or\n"
    "                     \"sim\" for the built-in simulated unit (runs in virtual time)\n"
    "  --no-cts           the port has no modem lines (pseudo-terminal, some adapters): do not\n"
    "                     wait for CTS and send without hardware flow control\n"
    "  --variant V        vrkt, dvg or vrkt4g; by default the program's own name decides\n"
    "  --settings FILE    read captions, WaitSer and the like from this settings file; no\n"
    "                     settings file is read without it, and none is ever written\n"
    "  --code-page N      keep names and texts in Windows code page N (1250 ... 1258) instead\n"
    "                     of the settings file's CodePage or the system's\n"
    "  --log FILE         save the traffic log, as the window's Save Log writes it\n"
    "  --timeout SECONDS  how long to wait for each answer of the unit, counted from when the\n"
    "                     command has gone out (default 10; the unit's STOP report gets three\n"
    "                     times as long, a loader step at least 20 s plus its data's time)\n"
    "  --real-time        run the simulated unit at wall-clock pace\n"
    "  -h, --help         show help (also after a command)\n"
    "  --version          show the program version\n";

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  success\n"
    "  1  other failure (a file cannot be read or written, a loader list stopped early)\n"
    "  2  usage error\n"
    "  3  port failure: the port cannot be opened or closed by itself, or CTS is off or lost\n"
    "  4  the unit did not answer within its deadline\n"
    "  5  the unit refused a command (answered ERROR)\n"
    "  6  verify mismatch: the unit does not hold what the file holds\n"
    "  7  the unit's answers could not be read cleanly (line noise), even when read again\n"

    "  8  entries or phone book rows that the unit's SIM cannot store (write, phonebook\n"
    "     import): nothing was changed\n";

}  // namespace

void Usage(const std::string& message) {
  throw CliFailure(kExitUsage, message + "\nRun with --help for usage.");
}

bool IsKnownCommand(const std::string& command) { return FindCommand(command) != nullptr; }

bool NeedsPort(const std::string& command) {
  // The phone book command works on a parameter file or on a unit; it checks for itself.
  return IsKnownCommand(command) && command != "ports" && command != "phonebook";
}

std::string ProgramNameForVariant(const std::string& variant) {
  if (variant == "vrkt") return "VRKTset-cli";
  if (variant == "dvg") return "DVG1Cset-cli";
  if (variant == "vrkt4g") return "VRKT4Gset-cli";
  return {};
}

std::string DisplayName(const std::string& program_name) {
  std::string name = FileNameOf(program_name);
  return name.empty() ? std::string("VRKTset-cli") : name;
}

Options ParseOptions(const std::string& program_name, const std::vector<std::string>& args) {
  Options o;
  o.program_name = program_name;
  std::vector<std::string> positional;
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    UnitArgs unit_args(args, i, o.unit_args);
    std::string arg = args[i];
    if (options_end || arg.empty() || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string value;
    bool inline_value = false;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        inline_value = true;
      }
    }
    auto take_value = [&]() -> std::string {
      if (inline_value) return value;
      if (i + 1 >= args.size()) Usage("Option " + arg + " needs a value.");
      return args[++i];
    };
    auto no_value = [&] {
      if (inline_value) Usage("Option " + arg + " takes no value.");
    };
    if (arg == "-h" || arg == "--help") {
      no_value();
      o.help = true;
    } else if (arg == "--version") {
      no_value();
      o.version = true;
    } else if (arg == "--no-cts") {
      no_value();
      o.no_cts = true;
    } else if (arg == "--real-time") {
      no_value();
      o.real_time = true;
    } else if (arg == "--port") {
      unit_args.BelongsToRun();
      AddPort(o, take_value());
    } else if (arg == "--variant") {
      o.variant = take_value();
      if (ProgramNameForVariant(o.variant).empty())
        Usage("--variant must be vrkt, dvg or vrkt4g, not \"" + o.variant + "\".");
    } else if (arg == "--code-page") {
      try {
        o.code_page = ParseCodePage(take_value());
      } catch (const AppError& e) {
        Usage(std::string("--code-page: ") + e.what());
      }
    } else if (arg == "--settings") {
      o.settings_path = take_value();
      if (o.settings_path.empty()) Usage("--settings needs a file name.");
    } else if (arg == "--log") {
      unit_args.BelongsToRun();
      o.log_path = take_value();
      if (o.log_path.empty()) Usage("--log needs a file name.");
    } else if (arg == "--timeout") {
      o.timeout_s = ParseTimeout(take_value());
    } else if (arg == "--file") {
      o.param_file = take_value();
      if (o.param_file.empty()) Usage("--file needs a file name.");
    } else if (arg == "--format") {
      o.book_format = take_value();
      if (o.book_format != "csv" && o.book_format != "vcard" && o.book_format != "sheet")
        Usage("--format must be csv, sheet or vcard, not \"" + o.book_format + "\".");
    } else if (arg == "--replace") {
      no_value();
      o.replace = true;
    } else if (arg == "--skip-bad") {
      no_value();
      o.skip_bad = true;
    } else if (arg == "--run") {
      no_value();
      o.run_after = true;
    } else if (arg == "-o" || arg == "--output") {
      unit_args.BelongsToRun();
      o.output = take_value();
      if (o.output.empty()) Usage(arg + " needs a file name.");
    } else if (ParseLineOption(arg, take_value, no_value, o, unit_args)) {
    } else if (ParseTraceOption(arg, take_value, no_value, o, unit_args)) {
    } else if (ParseBookOption(arg, take_value, no_value, o)) {
    } else {
      Usage("Unknown option " + arg + ".");
    }
  }

  if (positional.empty()) {
    if (o.help || o.version) return o;
    Usage("No command given.");
  }
  o.command = positional[0];
  const CommandInfo* info = FindCommand(o.command);
  if (!info) Usage("Unknown command \"" + o.command + "\".");
  if (o.help) return o;

  const bool book = o.command == "phonebook";
  if (book && positional.size() > 1) {
    o.book_action = positional[1];
    if (o.book_action != "export" && o.book_action != "import")
      Usage("The phonebook command takes export or import, not \"" + o.book_action + "\".");
    positional.erase(positional.begin() + 1);
  } else if (book) {
    Usage("The phonebook command needs export or import, and FILE.");
  }
  size_t wanted = info->operand ? 1 : 0;
  if (positional.size() - 1 < wanted)
    Usage("The " + o.command + " command needs " + info->operand + ".");
  if (positional.size() - 1 > wanted)
    Usage("Unexpected argument \"" + positional[wanted + 1] + "\" for the " + o.command +
          " command.");
  if (wanted) o.operand = positional[1];
  if (o.operand.empty() && wanted)
    Usage("The " + o.command + " command needs " + info->operand + ".");

  if (o.run_after && o.command != "write" && o.command != "verify")
    Usage("--run is an option of the write and verify commands only.");
  if (o.command == "read" && o.output.empty()) Usage("The read command needs -o FILE.");
  if (o.command != "read" && !o.output.empty()) Usage("-o is an option of the read command only.");
  if (o.command == "unpin" || o.command == "pin-change") {
    bool digits = o.operand.size() == 4;
    for (char c : o.operand) digits = digits && c >= '0' && c <= '9';
    // A wrong PIN counts against the SIM's few tries: refuse anything that is not a PIN at all.
    if (!digits) Usage("The PIN must be exactly four digits, not \"" + o.operand + "\".");
  }
  if (!book && (!o.param_file.empty() || !o.book_format.empty() || o.replace || o.skip_bad))
    Usage("--file, --format, --replace and --skip-bad are options of the phonebook command only.");
  if (book && o.book_action == "export" && (o.replace || o.skip_bad))
    Usage("--replace and --skip-bad are options of phonebook import only.");
  if (book && o.param_file.empty() == o.port.empty())
    Usage(
        "The phonebook command works on a parameter file (--file PARAMS) or on a unit "
        "(--port NAME): name one of them.");
  if (NeedsPort(o.command) && o.port.empty())
    Usage("The " + o.command + " command needs --port NAME (see the ports command).");
  CheckLineOptions(o);
  CheckTraceOptions(o);
  CheckBookOptions(o);
  return o;
}

std::string GeneralHelp(const std::string& program_name) {
  std::string name = DisplayName(program_name);
  std::string text =
      "Usage: " + name + " [options] COMMAND [ARGUMENT]\n\n" +
      "Reads, writes and checks the lift unit's configuration without a window.\n" +
      "The unit family comes from the program's name (VRKT, DVG, 4G) or --variant.\n\n" +
      "Commands:\n";
  for (const CommandInfo& c : kCommands) {
    std::string head = std::string(c.name) + (c.operand ? std::string(" ") + c.operand : "");
    if (std::string(c.name) == "read") head = "read -o FILE";
    head.resize(std::max<size_t>(head.size() + 1, 20), ' ');
    text += "  " + head + c.summary + "\n";
  }
  text += "\n";
  text += kGlobalOptions;
  text += "\n" + LineOptionsHelp();
  text += "\n" + TraceOptionsHelp();
  text += "\n";
  text += kExitCodes;
  text += "\nExample: " + name + " --port /dev/ttyUSB0 write unit.vrk\n";
  return text;
}

std::string CommandHelp(const std::string& command, const std::string& program_name) {
  const CommandInfo* c = FindCommand(command);
  if (!c) return {};
  std::string name = DisplayName(program_name);
  std::string usage = "Usage: " + name + " [options] " + c->name;
  if (command == "read") usage += " -o FILE";
  if (c->operand) usage += std::string(" ") + c->operand;
  std::string line =
      command == "ports" ? std::string() : LineOptionsHelp() + "\n" + TraceOptionsHelp() + "\n";
  return usage + "\n\n" + c->details + "\n" + kGlobalOptions + "\n" + line + kExitCodes;
}

}  // namespace vrkt::cli
