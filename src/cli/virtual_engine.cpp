#include <algorithm>

#include "cli/engine.h"
#include "sim/sim_unit.h"

namespace vrkt::cli {

namespace {

class VirtualSimEngine : public Engine {
 public:
  Clock& clock() override { return clock_; }
  PortProvider& provider() override { return sim_; }
  SimProvider* sim() override { return &sim_; }

  void WaitUntil(int64_t until_ms) override {
    sim_.unit().Update();
    int64_t now = clock_.NowMs();
    int64_t next = std::min(sim_.unit().NextEventMs(), until_ms);
    clock_.AdvanceTo(std::max(next, now + 1));
    sim_.unit().Update();
  }

 private:
  VirtualClock clock_;
  SimProvider sim_{clock_};
};

}  // namespace

std::unique_ptr<Engine> MakeVirtualSimEngine() { return std::make_unique<VirtualSimEngine>(); }

}  // namespace vrkt::cli
