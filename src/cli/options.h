#pragma once

#include <string>
#include <vector>

namespace vrkt::cli {

// What the command line asks for. Global options may stand before or after the command.
struct Options {
  std::string program_name;  // argv[0] as started, links not resolved: picks the variant
  std::string command;       // "ports", "status", "read", ... ; empty with --help or --version
  std::string operand;       // FILE or PIN of the command
  std::string output;        // read -o FILE
  // phonebook ACTION FILE: the action ("export" or "import"); FILE is `operand`.
  std::string book_action;
  std::string param_file;    // phonebook --file PARAMS
  std::string book_format;   // phonebook --format: "csv", "vcard", or empty for the extension
  bool replace = false;      // phonebook import --replace
  bool skip_bad = false;     // phonebook import --skip-bad
  // Phone lists from address books (book_options.cpp).
  bool add = false;            // phonebook import --add: a known name keeps its row
  std::string book_encoding;   // phonebook import --encoding NAME
  int book_capacity = 0;       // phonebook import --file: --capacity N (0: the simulated SIM's)
  int book_name_length = 0;    // --name-length N
  int book_number_length = 0;  // --number-length N
  std::string port;          // device path, COMn, or "sim"
  std::string variant;       // "vrkt", "dvg", "vrkt4g"; empty: from the program name
  std::string settings_path;
  int code_page = 0;  // --code-page; 0: the settings file's or the system's
  std::string log_path;
  int timeout_s = 10;
  bool no_cts = false;
  bool real_time = false;  // the simulated unit at wall-clock pace instead of virtual time
  bool run_after = false;  // write/verify --run: restart the unit's application after success
  bool help = false;
  bool version = false;

  // Several units in one run, a record of each unit, and a faster write (fleet_options.cpp).
  std::vector<std::string> ports;  // every --port and every line of --ports, in order
  bool ports_file = false;         // --ports: a table of units even when the list names one
  std::string report_path;         // --report FILE
  int pace_ms = 200;               // --pace MS, --fast
  bool pace_given = false;
  bool pace_auto = false;          // --pace auto: fast first, lost writes again at the default pace
  bool write_all = false;          // --all: write every SIM position, not only those that differ
  // The arguments that a run over several ports hands on unchanged to the run of each unit.
  std::vector<std::string> unit_args;
  // Set by the run over several ports for each unit's run (not in the help).
  std::string unit_record_path;  // where the unit's run leaves its record
  bool progress_lines = false;   // draw the progress line even when stderr is no terminal

  // The wire trace (trace_run.cpp): --trace FILE, --trace-pin.
  std::string trace_path;
  bool trace_pin = false;
};

// Parses the arguments after the program name. Throws CliFailure(kExitUsage) with a message
// that names the offending argument.
Options ParseOptions(const std::string& program_name, const std::vector<std::string>& args);

// Ends the run with a usage error (exit code 2) and the message.
[[noreturn]] void Usage(const std::string& message);

// The program name as help shows it: the file name of argv[0].
std::string DisplayName(const std::string& program_name);

std::string GeneralHelp(const std::string& program_name);
// Help of one command; empty for an unknown command.
std::string CommandHelp(const std::string& command, const std::string& program_name);

bool IsKnownCommand(const std::string& command);
// The commands that talk to a unit and so need --port.
bool NeedsPort(const std::string& command);

// The program name that selects the given --variant value; empty for an unknown value.
std::string ProgramNameForVariant(const std::string& variant);

}  // namespace vrkt::cli
