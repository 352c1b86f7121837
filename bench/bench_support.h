// What every benchmark program needs to set up a program without a window: dialogs nobody
// answers, its start-up settings, and an event loop step that waits for the next due event.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/program.h"
#include "base/clock.h"
#include "sim/sim_unit.h"
#include "ui/dialogs.h"

namespace vrkt::bench {

class QuietDialogs : public Dialogs {
 public:
  // `port` answers the port dialog (empty: Cancel); `echo` prints each message to stderr, so a
  // run that went wrong says why.
  explicit QuietDialogs(std::string port = "sim", bool echo = true)
      : port_(std::move(port)), echo_(echo) {}
  std::optional<std::string> ChoosePort(const std::vector<PortInfo>&, const std::string&) override {
    if (port_.empty()) return std::nullopt;
    return port_;
  }
  std::optional<std::string> SaveFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
  void ShowMessage(const std::string& text) override {
    if (echo_) std::fprintf(stderr, "message: %s\n", text.c_str());
    ++messages;
  }
  int Ask(const std::string&, const std::vector<std::string>&) override { return -1; }
  int messages = 0;

 private:
  std::string port_;
  bool echo_;
};

inline ProgramEnv BenchEnv(Clock& clock, PortProvider& ports, Dialogs& dialogs) {
  ProgramEnv env;
  env.program_path = "VRKTset";
  env.clock = &clock;
  env.ports = &ports;
  env.dialogs = &dialogs;
  env.read_settings = false;
  return env;
}

// With nothing left to read, time moves on to the next due event of the program or the unit,
// but never past `limit` and by at least a millisecond: at once on virtual time (when
// `virtual_clock` is given), by sleeping on wall time.
inline void WaitForNextEvent(Program& program, SimUnit& unit, Clock& clock,
                             VirtualClock* virtual_clock, int64_t limit) {
  int64_t next = std::min({program.NextTimerDue(), unit.NextEventMs(), limit});
  if (next <= clock.NowMs()) next = clock.NowMs() + 1;
  if (virtual_clock) {
    virtual_clock->AdvanceTo(next);
  } else {
    std::this_thread::sleep_until(
        std::chrono::steady_clock::time_point(std::chrono::milliseconds(next)));
  }
}

// The median wall time of `runs` calls of `f`, in milliseconds: a headline figure that one slow
// run on a busy machine does not move.
template <class F>
double MedianWallMs(int runs, F&& f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    f();
    auto end = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace vrkt::bench
