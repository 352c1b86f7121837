#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "sim/sim_unit.h"

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

// A folder of its own for a test's files, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("vrkt-cli-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(dir_ / name, std::ios::binary);
    f << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace vrkt::cli::testing
