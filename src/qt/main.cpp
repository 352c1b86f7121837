#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>
#include <iostream>

#include "app/code_page_choice.h"
#include "app/program.h"
#include "link/command_link.h"
#include "link/wire_trace.h"
#include "qt/event_pump.h"
#include "qt/main_window.h"
#include "qt/program_path.h"
#include "qt/translation_files.h"
#include "qt/qt_clock.h"
#include "qt/qt_dialogs.h"
#include "qt/serial_backend.h"
#include "qt/trace_actions.h"
#include "qt/widgets.h"
#include "sim/replay_unit.h"
#include "sim/sim_unit.h"

namespace {

// The window program takes no arguments; these two answer before any window or display is
// needed, for the manual page and for scripts that check what is installed.
bool AnswerInfoOption(int argc, char** argv, const std::string& name) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << name << " " << VRKT_PROGRAM_VERSION << "\n";
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout
          << "Usage: " << name
          << " [--code-page N] [--language LANG] | --help | --version\n\n"
          << "Configures the GSM emergency-call unit of a lift over its RS-232 port: stops the\n"
             "unit, reads and writes its settings and its SIM phone book, saves them as parameter\n"
             "files, uploads scripts and files to the GSM module and logs the serial traffic.\n\n"
             "The name the program is started under picks the unit family:\n"
             "  VRKTset     GSM Vornacle\n"
             "  DVG1Cset    Dorvik GSM 1C\n"
             "  VRKT4Gset   GSM Vornacle with a 4G module\n\n"
             "The window asks for the serial port when it starts. The port list always offers the\n"
             "simulated unit, which answers like a real one, so every feature can be tried without\n"
             "hardware.\n\n"
             "Settings file: the program's name with the extension .ini, beside the program. Where\n"
             "no file can be created in the program's folder (an installed program), it lives in\n"
             "the user's configuration folder instead: ~/.config/NAME/NAME.ini on Linux,\n"
             "%LOCALAPPDATA%\\NAME\\NAME.ini on Windows.\n\n"
             "Options:\n"
             "  --code-page N     keep names and texts in Windows code page N (1250 ... 1258),\n"
             "                    over the settings file's CodePage and the system's\n"
             "  --language LANG   the language (cs, sk, pl, hu, de ...) that picks the code page;\n"
             "                    for cs, de and pl also the window's texts\n"
             "                    where the system has none of its own (a UTF-8 desktop)\n"
             "  -h, --help        show this help\n"
             "  --version         show the program version\n\n"
             "For terminals and scripts there is the same tool without a window: "
          << name << "-cli.\n";
      return true;
    }
  }
  return false;
}

// --code-page N and --language LANG; a bad value is told on the terminal and ends the program.
bool ReadStartOptions(int argc, char** argv, vrkt::ProgramEnv& env) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg != "--code-page" && arg != "--language") continue;
    if (i + 1 >= argc) {
      std::cerr << arg << " needs a value.\n";
      return false;
    }
    const std::string value = argv[++i];
    if (arg == "--language") {
      env.language = value;
      continue;
    }
    try {
      env.code_page = vrkt::ParseCodePage(value);
    } catch (const std::exception& e) {
      std::cerr << "--code-page: " << e.what() << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vrkt;
  using namespace vrkt::qt;
  const std::string program_path = ProgramPathFromArgv0(argc > 0 ? argv[0] : nullptr);
  const QString program_name = QFileInfo(QString::fromStdString(program_path)).completeBaseName();
  if (AnswerInfoOption(argc, argv, program_name.toStdString())) return 0;
  vrkt::ProgramEnv start_options;
  if (!ReadStartOptions(argc, argv, start_options)) return 2;

  QApplication app(argc, argv);
  // The per-user configuration folder is named after the application: the name the program was
  // started under, without ".exe", so that each variant keeps its own settings there too.
  QCoreApplication::setApplicationName(program_name);
  // Lets a desktop match the window to its menu entry (VRKTset.desktop, DVG1Cset.desktop ...).
  QGuiApplication::setDesktopFileName(program_name);
  UseApplicationFont();
  QApplication::setWindowIcon(ArtIcon("program", {64, 64}));

  QtClock clock;
  SimProvider sim(clock);
  EventPump* pump = nullptr;
  QtPortProvider ports(sim, [&pump] {
    if (pump) pump->Kick();
  });
  // Replayed traces, and the trace of the port in use ("Save trace...").
  ReplayProvider replay(clock);
  ports.set_replay(&replay);
  TraceRecorder recorder(clock);
  recorder.set_rts_on_open(true);
  TracingProvider traced_ports(ports, recorder);
  QtDialogs dialogs;
  ProgramEnv env = start_options;
  env.program_path = program_path;
  env.user_config_dir =
      QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
          .toStdString();
  env.clock = &clock;
  env.ports = &traced_ports;
  env.dialogs = &dialogs;
  Program program(env);
  // Copied into the trace when the first port opens, in FormCreate.
  recorder.SetHeader(
      {{"program", program_name.toStdString() + " " + VRKT_PROGRAM_VERSION},
       {"variant", std::string(program.variant.IsDvg() ? "dvg" : "vrkt") +
                       (program.variant.Is4G ? "4g" : "") + " (" + program.variant.ProductName +
                       ")"},
       {"pace-ms", std::to_string(program.transfer.pace_ms())},
       {"reply-deadline-ms", std::to_string(CommandLink::kReplyDeadlineMs)},
       {"flow", "RTS/CTS"}});
  dialogs.SetTitleSource([&program] { return program.form.application_title; });

  EventPump event_pump(program, &sim);
  event_pump.next_event = [&replay] { return replay.NextEventMs(); };
  pump = &event_pump;
  MainWindow window(program, [&event_pump] { event_pump.Kick(); });
  // Trace files are chosen through the program's dialogs, which remember their folder.
  AddSaveTraceButton(window, recorder,
                     [&program] { return program.dialogs().SaveFile(TraceFileDialog()); });
  dialogs.SetTracePicker([&program] { return program.dialogs().OpenFile(TraceFileDialog()); });
  replay.on_divergence = [&program](const std::string& message) {
    program.LogNote(message);
    std::cerr << message << "\n";
  };

  // The port dialog of the first command comes before the window is shown.
  program.FormCreate();
  // --language cs|de|pl shows the translation that ships with the program.
  UseTranslation(program, program_path, env.language);
  dialogs.SetParent(&window);
  window.ShowAtModelPosition();
  event_pump.Start();
  return app.exec();
}
