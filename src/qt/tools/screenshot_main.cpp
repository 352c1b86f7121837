// Renders the main window of each variant, one PNG per page, without a display and without the
// port dialog: the port opens on the simulated unit.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

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
  std::optional<std::string> SaveFile(const vrkt::FileDialogSpec&) override { return {}; }
  std::optional<std::string> OpenFile(const vrkt::FileDialogSpec&) override { return {}; }
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
};

bool Render(const QString& out_dir, const char* variant, const char* program_name) {
  vrkt::VirtualClock clock;
  vrkt::SimProvider sim(clock);
  HeadlessDialogs dialogs;
  vrkt::ProgramEnv env;
  env.program_path = program_name;
  env.clock = &clock;
  env.ports = &sim;
  env.dialogs = &dialogs;
  env.read_settings = false;
  vrkt::Program program(env);
  vrkt::qt::MainWindow window(program, {});
  program.FormCreate();
  window.show();
  static const char* const kPages[] = {"emergency", "service", "phonebook", "ports", "support"};
  bool ok = true;
  for (int i = 0; i < 5; ++i) {
    program.form.PageControl1.SetActivePage(i);
    QApplication::processEvents();
    QString path = QDir(out_dir).filePath(QStringLiteral("%1-%2.png").arg(variant, kPages[i]));
    if (!window.grab().save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ok = false;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  vrkt::qt::UseApplicationFont();
  QString out_dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out_dir);
  bool ok = Render(out_dir, "vrkt", "VRKTset");
  ok = Render(out_dir, "dvg", "DVG1Cset") && ok;
  return ok ? 0 : 1;
}
