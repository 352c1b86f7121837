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
  std::function<void(SimProvider&)> on_sim = nullptr;
  // Called after every turn of the event loop.
  std::function<void(Session&)> on_pump = nullptr;
  // Called after the command, before the session ends: inspect the program here.
  std::function<void(Session&)> on_finish = nullptr;
  // The program a run over several ports starts for each unit; empty: this program itself.
  std::string unit_program = {};
};

// The whole command line: `argv` as the program was started (argv[0] included). Returns the
// exit code.
int RunCli(const std::vector<std::string>& argv, CliIo& io, const CliHooks& hooks = {});

}  // namespace vrkt::cli
