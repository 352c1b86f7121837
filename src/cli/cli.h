#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/session.h"

namespace vrkt {
class SimProvider;
}

namespace vrkt::cli {

// Ways into a run for tests.
struct CliHooks {
  // Called once the simulated unit exists, before the program starts: set its faults here.
  std::function<void(SimProvider&)> on_sim;
  // Called after the command, before the session ends: inspect the program here.
  std::function<void(Session&)> on_finish;
};

// The whole command line: `argv` as the program was started (argv[0] included). Returns the
// exit code.
int RunCli(const std::vector<std::string>& argv, CliIo& io, const CliHooks& hooks = {});

}  // namespace vrkt::cli
