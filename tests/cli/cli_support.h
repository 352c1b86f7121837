#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "sim/sim_unit.h"
#include "support/temp_dir.h"

namespace vrkt::cli::testing {

// One run of the command line in this process, against the simulated unit in virtual time.
struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<std::string> monitor;  // the traffic log at the end
  std::vector<SimCommand> unit_commands;
  std::vector<std::optional<vrkt::SimEntry>> sim_book;  // the SIM after the run
  int64_t virtual_ms = 0;
};

inline CliResult RunCliForTest(const std::vector<std::string>& argv, const CliHooks& given = {},
                               bool progress = false) {
  std::ostringstream out, err;
  CliIo io{out, err, progress};
  CliResult r;
  CliHooks hooks = given;
  SimProvider* sim = nullptr;
  hooks.on_sim = [&](SimProvider& p) {
    sim = &p;
    if (given.on_sim) given.on_sim(p);
  };
  hooks.on_finish = [&](Session& s) {
    r.monitor = s.form().Monitor.lines();
    r.virtual_ms = s.NowMs();
    if (sim) {
      r.unit_commands = sim->unit().commands();
      SimCard& card = sim->unit().card();
      for (int i = 1; i <= card.capacity(); ++i) r.sim_book.push_back(card.At(i));
    }
    if (given.on_finish) given.on_finish(s);
  };
  r.code = RunCli(argv, io, hooks);
  r.out = out.str();
  r.err = err.str();
  return r;
}

using vrkt::testing::TempDir;

}  // namespace vrkt::cli::testing
