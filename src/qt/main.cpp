#include <QApplication>

#include "app/program.h"
#include "qt/event_pump.h"
#include "qt/main_window.h"
#include "qt/program_path.h"
#include "qt/qt_clock.h"
#include "qt/qt_dialogs.h"
#include "qt/serial_backend.h"
#include "qt/widgets.h"
#include "sim/sim_unit.h"

int main(int argc, char** argv) {
  using namespace vrkt;
  using namespace vrkt::qt;
  QApplication app(argc, argv);
  UseApplicationFont();
  QApplication::setWindowIcon(ArtIcon("program", {64, 64}));

  QtClock clock;
  SimProvider sim(clock);
  EventPump* pump = nullptr;
  QtPortProvider ports(sim, [&pump] {
    if (pump) pump->Kick();
  });
  QtDialogs dialogs;
  ProgramEnv env;
  env.program_path = ProgramPathFromArgv0(argc > 0 ? argv[0] : nullptr);
  env.clock = &clock;
  env.ports = &ports;
  env.dialogs = &dialogs;
  Program program(env);
  dialogs.SetTitleSource([&program] { return program.form.application_title; });

  EventPump event_pump(program, &sim);
  pump = &event_pump;
  MainWindow window(program, [&event_pump] { event_pump.Kick(); });

  // The port dialog of the first command comes before the window is shown.
  program.FormCreate();
  dialogs.SetParent(&window);
  window.ShowAtModelPosition();
  event_pump.Start();
  return app.exec();
}
