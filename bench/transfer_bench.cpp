// Wall time of write-all and read-all of a 250-position SIM against the simulated unit on a
// real-time event loop, above the floor that the protocol's pauses, the line and the unit set.
//
// The floor is the same sequence run first in virtual time with the same unit (same seed): there
// the program itself costs nothing, so the virtual time taken is exactly pauses + line time +
// the unit's answer times. The real run then shows what the program and its loop add.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/program.h"
#include "base/clock.h"
#include "sim/sim_unit.h"

namespace vrkt {
namespace {

class QuietDialogs : public Dialogs {
 public:
  std::optional<std::string> ChoosePort(const std::vector<PortInfo>&, const std::string&) override {
    return std::string("sim");
  }
  std::optional<std::string> SaveFile(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<std::string> OpenFile(const FileDialogSpec&) override { return std::nullopt; }
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
};

// One program and unit on either clock, with an event loop that waits for the next due event.
class Rig {
 public:
  explicit Rig(Clock& clock, VirtualClock* virtual_clock)
      : clock_(clock), virtual_(virtual_clock), sim_(clock) {
    SimConfig c;
    c.capacity = 250;
    sim_.unit().Configure(c);
    // A full SIM: the factory entries, then ordinary ones up to the last position.
    for (int i = sim_.unit().card().UsedCount() + 1; i <= c.capacity; ++i)
      sim_.unit().card().Write(i, "+42077755" + std::to_string(1000 + i), std::nullopt,
                               "Tenant " + std::to_string(i));
    ProgramEnv env;
    env.program_path = "VRKTset";
    env.clock = &clock_;
    env.ports = &sim_;
    env.dialogs = &dialogs_;
    env.read_settings = false;
    program_ = std::make_unique<Program>(env);
    program_->FormCreate();
  }

  Program& program() { return *program_; }

  void Click(Button& b) {
    program_->Run([&b] { b.on_click(); });
  }

  bool RunUntil(const std::function<bool()>& done, int64_t limit_ms) {
    const int64_t end = clock_.NowMs() + limit_ms;
    while (!done()) {
      if (clock_.NowMs() >= end) return false;
      sim_.unit().Update();
      program_->Service();
      if (done() || program_->port().BytesAvailable() > 0) continue;
      int64_t next = std::min({program_->NextTimerDue(), sim_.unit().NextEventMs(), end});
      if (next <= clock_.NowMs()) next = clock_.NowMs() + 1;
      if (virtual_) {
        virtual_->AdvanceTo(next);
      } else {
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::milliseconds(next)));
      }
    }
    return true;
  }

 private:
  Clock& clock_;
  VirtualClock* virtual_;
  QuietDialogs dialogs_;
  SimProvider sim_;
  std::unique_ptr<Program> program_;
};

struct Times {
  int64_t read_ms = -1;
  int64_t write_ms = -1;
};

Times Measure(Clock& clock, VirtualClock* virtual_clock) {
  Rig rig(clock, virtual_clock);
  Program& p = rig.program();
  Form1& f = p.form;
  Times t;
  rig.Click(f.StopGDI);
  if (!rig.RunUntil([&] { return f.RunGDI.visible() && p.op.SimCapacity > 0 &&
                                 !p.transfer.ReadRunning(); },
                    30000))
    return t;
  rig.RunUntil([] { return false; }, 3000);

  int64_t t0 = clock.NowMs();
  rig.Click(f.LoadGDI);
  if (!rig.RunUntil([&] { return !p.transfer.ReadRunning(); }, 30000)) return t;
  t.read_ms = clock.NowMs() - t0;
  rig.RunUntil([] { return false; }, 300);

  t0 = clock.NowMs();
  rig.Click(f.SaveGDI);
  if (!rig.RunUntil([&] { return !p.op.WriteAllRunning; }, 200000)) return t;
  t.write_ms = clock.NowMs() - t0;
  return t;
}

double Pct(int64_t wall, int64_t floor) {
  return floor > 0 ? 100.0 * static_cast<double>(wall - floor) / static_cast<double>(floor) : -1;
}

}  // namespace
}  // namespace vrkt

int main() {
  using namespace vrkt;
  VirtualClock vclock;
  const Times floor = Measure(vclock, &vclock);
  SystemClock wall_clock;
  const Times wall = Measure(wall_clock, nullptr);
  if (floor.read_ms < 0 || floor.write_ms < 0 || wall.read_ms < 0 || wall.write_ms < 0) {
    std::fprintf(stderr, "a sequence did not finish\n");
    return 1;
  }
  std::printf("read_all_250_floor_ms: %lld ms\n", static_cast<long long>(floor.read_ms));
  std::printf("read_all_250_wall_ms: %lld ms\n", static_cast<long long>(wall.read_ms));
  std::printf("write_all_250_floor_ms: %lld ms\n", static_cast<long long>(floor.write_ms));
  std::printf("write_all_250_wall_ms: %lld ms\n", static_cast<long long>(wall.write_ms));
  std::printf("write_all_250_overhead_pct: %.2f %%\n", Pct(wall.write_ms, floor.write_ms));
  std::printf("read_all_250_overhead_pct: %.2f %%\n", Pct(wall.read_ms, floor.read_ms));
  return 0;
}
