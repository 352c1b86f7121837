// The window's write-all with "Only changed positions": a 250-position full SIM (40 ms to store a
// position) read once, one number changed, write-all at the window's pace, until the window says
// "Written and verified". Wall time, through the window's own widgets and event loop.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

#include "qt/event_pump.h"
#include "qt/main_window.h"
#include "qt/qt_clock.h"
#include "qt/serial_backend.h"
#include "transfer_rig.h"

namespace vrkt::bench {
namespace {

class KeptDialogs : public QuietDialogs {
 public:
  KeptDialogs() : QuietDialogs("sim", /*echo=*/false) {}
  void ShowMessage(const std::string& text) override {
    QuietDialogs::ShowMessage(text);
    last = text;
  }
  std::string last;
};

class QtRig {
 public:
  QtRig()
      : sim_(clock_),
        ports_(sim_, [this] { pump_.Kick(); }),
        program_(BenchEnv(clock_, ports_, dialogs_)),
        pump_(program_, &sim_),
        window_(program_, [this] { pump_.Kick(); }) {
    ConfigureFullSim(sim_.unit());
    program_.FormCreate();
    window_.ShowAtModelPosition();
    pump_.Start();
  }
  Program& program() { return program_; }
  KeptDialogs& dialogs() { return dialogs_; }
  bool Click(const std::string& name) {
    auto* widget = window_.findChild<QAbstractButton*>(QString::fromStdString(name));
    if (!widget || !widget->isEnabled()) {
      std::fprintf(stderr, "%s cannot be clicked\n", name.c_str());
      return false;
    }
    widget->click();
    return true;
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
  KeptDialogs dialogs_;
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
  QtRig rig;
  Program& p = rig.program();
  Form1& f = p.form;
  // Stop: the unit's stop report starts the read of the whole SIM.
  if (!rig.Click("StopGDI") ||
      !rig.RunUntil([&] { return f.RunGDI.visible() && p.op.SimCapacity > 0 &&
                                 !p.transfer.ReadRunning() && f.OnlyChanged.enabled(); },
                    60000)) {
    std::fprintf(stderr, "the unit was not read\n");
    return 1;
  }
  f.MASTER2.SetText("+420999888777");
  if (!rig.Click("OnlyChanged")) return 1;
  QElapsedTimer timer;
  timer.start();
  if (!rig.Click("SaveGDI") ||
      !rig.RunUntil([&] { return rig.dialogs().last.rfind("Written and verified", 0) == 0; },
                    120000)) {
    std::fprintf(stderr, "the write did not end verified: %s\n", rig.dialogs().last.c_str());
    return 1;
  }
  const double s = static_cast<double>(timer.elapsed()) / 1000.0;
  std::fprintf(stderr, "%s\n", rig.dialogs().last.c_str());
  std::printf("window_write_changed_1_s: %.1f s\n", s);
  return 0;
}
