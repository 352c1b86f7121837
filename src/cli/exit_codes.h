#pragma once

#include <stdexcept>
#include <string>

namespace vrkt::cli {

// The exit codes scripts test for. Each failure has its own code so that a production line can
// tell a bad cable from a refusing SIM without reading the message.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,   // anything else: a file that cannot be read or written, a list that stopped
  kExitUsage = 2,     // the command line is wrong
  kExitPort = 3,      // the port cannot be opened, closed by itself, or CTS is off or lost
  kExitNoAnswer = 4,  // the unit did not answer within its deadline
  kExitRefused = 5,   // the unit answered a command with ERROR
  kExitMismatch = 6,  // the unit does not hold what the file holds
  kExitDamaged = 7,   // the unit's answers could not be read cleanly (line noise)
  kExitBadRows = 8,   // entries or rows that the unit's SIM cannot store; nothing was changed
};

// Ends the running command with its exit code; the message is printed on stderr as it stands.
class CliFailure : public std::runtime_error {
 public:
  CliFailure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

}  // namespace vrkt::cli
