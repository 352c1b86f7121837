#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <ctime>

#include "cli/engine.h"
#include "serial/serial_backend.h"
#include "sim/sim_unit.h"

namespace vrkt::cli {

namespace {

// Wall-clock time whose pauses keep the Qt event loop running, so that the serial port goes on
// reading and draining its output while the protocol waits.
class LiveClock : public Clock {
 public:
  int64_t NowMs() const override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  std::string TimeOfDay() const override { return system_.TimeOfDay(); }
  void Pause(int ms) override {
    int64_t end = NowMs() + ms;
    for (int64_t now = NowMs(); now < end; now = NowMs())
      serial::RunEventsFor(static_cast<int>(end - now));
  }

 private:
  SystemClock system_;
};

class LiveEngine : public Engine {
 public:
  LiveEngine(bool sim, bool hardware_flow)
      : serial_({.hardware_flow = hardware_flow, .cts_when_unknown = false, .on_event = nullptr}) {
    app_ = MakeQtApplicationIfNone();
    if (sim) sim_ = std::make_unique<SimProvider>(clock_);
  }

  Clock& clock() override { return clock_; }
  PortProvider& provider() override {
    if (sim_) return *sim_;
    return serial_;
  }
  SimProvider* sim() override { return sim_.get(); }

  void WaitUntil(int64_t until_ms) override {
    if (sim_) {
      sim_->unit().Update();
      until_ms = std::min(until_ms, sim_->unit().NextEventMs());
    }
    // Short slices keep the progress line and the CTS watch responsive.
    int64_t wait = std::clamp<int64_t>(until_ms - clock_.NowMs(), 0, 250);
    if (sim_) {
      serial::RunEventsFor(static_cast<int>(wait));
      sim_->unit().Update();
    } else {
      serial_.WaitForData(static_cast<int>(wait));
    }
  }

 private:
  std::unique_ptr<QCoreApplication> app_;
  LiveClock clock_;
  serial::SerialProvider serial_;
  std::unique_ptr<SimProvider> sim_;
};

}  // namespace

std::unique_ptr<QCoreApplication> MakeQtApplicationIfNone() {
  if (QCoreApplication::instance()) return nullptr;
  static int argc = 1;
  static char name[] = "VRKTset-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QCoreApplication>(argc, argv);
}

std::unique_ptr<Engine> MakeLiveEngine(bool sim, bool hardware_flow) {
  return std::make_unique<LiveEngine>(sim, hardware_flow);
}

}  // namespace vrkt::cli
