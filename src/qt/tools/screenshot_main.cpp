// Renders the main window of each variant, one PNG per page, without a display and without the
// port dialog: the port opens on the simulated unit. The screen (its size, its scale) is the
// platform's: scripts/screenshot describes one to the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/program.h"
#include "base/clock.h"
#include "qt/main_window.h"
#include "qt/widgets.h"
#include "sim/sim_unit.h"

namespace {

class HeadlessDialogs : public vrkt::Dialogs {
 public:
  std::optional<std::string> ChoosePort(const std::vector<vrkt::PortInfo>&,
                                        const std::string&) override {
    return std::string("sim");
  }
  std::optional<std::string> SaveFile(const vrkt::FileDialogOptions&) override { return {}; }
  std::optional<std::string> OpenFile(const vrkt::FileDialogOptions&) override { return {}; }
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  int Ask(const std::string&, const std::vector<std::string>&) override { return -1; }
};

// Runs the program in virtual time until `ms` have passed, delivering port data and timer ticks
// as they fall due.
void RunFor(vrkt::Program& program, vrkt::VirtualClock& clock, vrkt::SimProvider& sim, int64_t ms) {
  const int64_t end = clock.NowMs() + ms;
  while (clock.NowMs() < end) {
    sim.unit().Update();
    program.Service();
    if (program.port().BytesAvailable() > 0) continue;
    int64_t next = std::min({program.NextTimerDue(), sim.unit().NextEventMs(), end});
    clock.AdvanceTo(std::max(next, clock.NowMs() + 1));
  }
  QApplication::processEvents();
}

bool Grab(vrkt::Program& program, vrkt::qt::MainWindow& window, const QString& out_dir,
          const char* variant, const char* suffix) {
  static const char* const kPages[] = {"emergency", "service", "phonebook", "ports", "support"};
  bool ok = true;
  for (int i = 0; i < 5; ++i) {
    program.form.PageControl1.SetActivePage(i);
    QApplication::processEvents();
    QString path = QDir(out_dir).filePath(
        QStringLiteral("%1-%2%3.png").arg(variant, kPages[i], QString::fromLatin1(suffix)));
    if (!window.grab().save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ok = false;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
  }
  return ok;
}

// The window must fit its screen, scroll bars and all.
bool FitsTheScreen(const vrkt::qt::MainWindow& window, const char* variant) {
  const QScreen* screen = window.screen();
  if (!screen) return true;
  const QRect room = screen->availableGeometry();
  const QSize size = window.size();
  std::printf("%s: window %dx%d in a screen room of %dx%d at scale %g\n", variant, size.width(),
              size.height(), room.width(), room.height(), screen->devicePixelRatio());
  if (size.width() <= room.width() && size.height() <= room.height()) return true;
  std::fprintf(stderr, "%s: the window does not fit the screen\n", variant);
  return false;
}

// With `settings` (a settings file, read and never written) the window shows its texts.
bool Render(const QString& out_dir, const char* variant, const char* program_name,
            const std::string& settings) {
  vrkt::VirtualClock clock;
  vrkt::SimProvider sim(clock);
  HeadlessDialogs dialogs;
  vrkt::ProgramEnv env;
  env.program_path = program_name;
  env.clock = &clock;
  env.ports = &sim;
  env.dialogs = &dialogs;
  env.read_settings = !settings.empty();
  env.settings_path = settings;
  vrkt::Program program(env);
  vrkt::qt::MainWindow window(program, {});
  program.FormCreate();
  window.show();
  bool ok = FitsTheScreen(window, variant);
  ok = Grab(program, window, out_dir, variant, "") && ok;
  // The same window after Stop and a whole read of the simulated unit, with the polls answered.
  program.Run([&] { program.form.StopGDI.on_click(); });
  RunFor(program, clock, sim, 40000);
  ok = Grab(program, window, out_dir, variant, "-read") && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTDIR [SETTINGS_FILE]\n", argv[0]);
    return 2;
  }
  vrkt::qt::UseApplicationFont();
  QString out_dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out_dir);
  // A settings file: a translation, say.
  std::string settings = argc > 2 ? argv[2] : "";
  bool ok = Render(out_dir, "vrkt", "VRKTset", settings);
  ok = Render(out_dir, "dvg", "DVG1Cset", settings) && ok;
  return ok ? 0 : 1;
}
