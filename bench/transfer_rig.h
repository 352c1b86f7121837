// The write-all and read-all benchmarks' common ground: a unit with a full 250-position SIM, the
// sequence they time (Stop and its read, then Load, then Save), and the same sequence run on a
// loop that waits for the next due event, on either clock.
//
// Run in virtual time the program itself costs nothing, so the time taken is exactly the floor:
// pauses + line time + the unit's answer times.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "bench_support.h"

namespace vrkt::bench {

constexpr int kBenchCapacity = 250;

// A full SIM: the factory entries, then ordinary ones up to the last position.
inline void ConfigureFullSim(SimUnit& unit) {
  SimConfig c;
  c.capacity = kBenchCapacity;
  unit.Configure(c);
  unit.card().FillFree();
}

// One program and unit on either clock, with an event loop that waits for the next due event.
class Rig {
 public:
  explicit Rig(Clock& clock, VirtualClock* virtual_clock)
      : clock_(clock), virtual_(virtual_clock), sim_(clock) {
    ConfigureFullSim(sim_.unit());
    program_ = std::make_unique<Program>(BenchEnv(clock_, sim_, dialogs_));
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
      WaitForNextEvent(*program_, sim_.unit(), clock_, virtual_, end);
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

// The timed sequence on any rig that offers program(), Click(button) and RunUntil(done, limit):
// Stop and its own read, a pause, then read-all by Load and write-all by Save.
template <class AnyRig>
Times RunSequence(AnyRig& rig, Clock& clock) {
  Program& p = rig.program();
  Form1& f = p.form;
  Times t;
  rig.Click(f.StopGDI);
  if (!rig.RunUntil(
          [&] { return f.RunGDI.visible() && p.op.SimCapacity > 0 && !p.transfer.ReadRunning(); },
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

inline Times Measure(Clock& clock, VirtualClock* virtual_clock) {
  Rig rig(clock, virtual_clock);
  return RunSequence(rig, clock);
}

inline double Pct(int64_t wall, int64_t floor) {
  return floor > 0 ? 100.0 * static_cast<double>(wall - floor) / static_cast<double>(floor) : -1;
}

}  // namespace vrkt::bench
