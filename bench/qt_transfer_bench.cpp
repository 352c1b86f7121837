// Wall time of write-all and read-all of a 250-position SIM against the simulated unit, driven
// the way the window program drives it: a QApplication (offscreen), the main window shown, the
// Qt clock whose pauses run nested event loops, and the event pump that services the program
// and the simulated unit from the Qt event loop. The buttons are clicked through their widgets.
//
// The floor is the same sequence in virtual time with the same unit (same seed), where the
// program costs nothing: pauses + line time + the unit's answer times. What the Qt run takes
// above it is what the program, the window and the event loop add.
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <cstdio>

#include "qt/event_pump.h"
#include "qt/main_window.h"
#include "qt/qt_clock.h"
#include "qt/serial_backend.h"
#include "transfer_rig.h"

namespace vrkt::bench {
namespace {

// The window program's parts, wired as its main() wires them, with quiet dialogs.
class QtRig {
 public:
  QtRig()
      : sim_(clock_),
        ports_(sim_, [this] { pump_.Kick(); }),
        program_(BenchEnv(clock_, ports_, dialogs_)),
        pump_(program_, &sim_),
        window_(program_, [this] { pump_.Kick(); }) {
    // The unit powers on with its full SIM before the program opens the port.
    ConfigureFullSim(sim_.unit());
    program_.FormCreate();
    window_.ShowAtModelPosition();
    pump_.Start();
  }

  Program& program() { return program_; }
  Clock& clock() { return clock_; }

  // As the user would: through the button's widget, so the binder's action runner runs it.
  void Click(Button& b) {
    auto* widget = window_.findChild<QAbstractButton*>(QString::fromStdString(b.name()));
    if (!widget || !widget->isEnabled()) {
      std::fprintf(stderr, "button %s cannot be clicked\n", b.name().c_str());
      return;
    }
    widget->click();
  }

  bool RunUntil(const std::function<bool()>& done, int64_t limit_ms) {
    const int64_t end = clock_.NowMs() + limit_ms;
    while (!done()) {
      if (clock_.NowMs() >= end) return false;
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
  }

 private:
  qt::QtClock clock_;
  QuietDialogs dialogs_;
  SimProvider sim_;
  qt::QtPortProvider ports_;
  Program program_;
  qt::EventPump pump_;
  qt::MainWindow window_;
};

}  // namespace
}  // namespace vrkt::bench

int main(int argc, char** argv) {
  using namespace vrkt;
  using namespace vrkt::bench;
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qt::UseApplicationFont();

  VirtualClock vclock;
  const Times floor = Measure(vclock, &vclock);
  Times wall;
  {
    QtRig rig;
    wall = RunSequence(rig, rig.clock());
  }
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
