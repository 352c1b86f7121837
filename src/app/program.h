#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/settings_location.h"
#include "app/variant.h"
#include "base/clock.h"
#include "files/param_file.h"
#include "link/operation_state.h"
#include "link/port_service.h"
#include "link/receiver.h"
#include "link/status.h"
#include "link/transfer.h"
#include "loader/loader.h"
#include "params/held_values.h"
#include "phonebook/phonebook.h"
#include "pin/pin.h"
#include "ui/form.h"

namespace vrkt {

// Values that start-up takes from the settings file and keeps for the run.
struct AppSettings {
  std::string settings_path;  // the program's path with its extension replaced by ".ini"
  SettingsLocation settings_location;  // where that path came from (a per-user file's seed)
  int Port = 0;
  int WaitSer = 1000;
  bool Inicializace = false;
  std::string Language = "Eng";
  std::string OperatorCaption = "Operator";
  std::string BoardVoltageCaption = "board voltage";
};

// What the program runs on: the outside world behind small interfaces.
struct ProgramEnv {
  std::string program_path;  // as started, links not resolved; picks the variant and the .ini
  Clock* clock = nullptr;
  PortProvider* ports = nullptr;
  Dialogs* dialogs = nullptr;
  bool read_settings = true;  // the command line reads no settings file unless told
  // The settings file to use instead of the one beside the program (command line --settings).
  std::string settings_path;
  // The user's own configuration folder. When given, and no file can be created in the program's
  // folder, the settings file lives there (LocateSettingsFile).
  std::string user_config_dir;
};

// The whole program without a window: the window model, the operation state, the port and every
// handler, named after its control and event. The Qt shell and the command line drive it; tests
// drive it directly in virtual time.
class Program {
 public:
  explicit Program(const ProgramEnv& env);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // --- Shared state.
  Form1 form;
  Variant variant;
  OperationState op;
  HeldValues held;
  AppSettings settings;

  Clock& clock() { return clock_; }
  PortService& port() { return port_; }
  Dialogs& dialogs() { return dialogs_; }

  // --- Subsystems.
  LineReceiver receiver;
  StatusQueries status;
  Transfer transfer;
  PhoneBookEditor phonebook;
  PcFiles files;
  Loader loader;
  PinHandler pin;

  // --- Start-up and exit.
  void FormCreate();
  // Returns false when the settings write failed (the message has been shown).
  bool FormClose();

  // --- Entry points. Each runs its handler through Run().
  void ApdComPort1TriggerAvail(uint16_t count);

  // Runs one handler: an AppError (or any exception) that escapes is shown in a message box and
  // the rest of the handler is skipped. Nested runs (a rule inside a handler) pass through.
  void Run(const std::function<void()>& handler);
  // True while a handler runs; the shell holds back port events and timer ticks meanwhile.
  bool busy() const { return depth_ > 0; }

  // The event pump: delivers waiting port data and due timer ticks, each as its own handler.
  // Does nothing while a handler runs.
  void Service();
  // The earliest due tick of an enabled timer, or INT64_MAX.
  int64_t NextTimerDue() const;
  // Checks the port connection; a failed one is closed and reported to the user.
  void CheckPortHealth();

  // --- Monitor.
  // A received line: "[" + time of day + "]   " + line.
  void LogReceived(const std::string& line);
  // A note of a running operation, as it stands.
  void LogNote(const std::string& note);

  // Sends through the port service.
  void Send(const std::string& command) { port_.SendCommand(command); }
  void Pause(int ms) { clock_.Pause(ms); }

 private:
  void WireHandlers();
  Clock& clock_;
  Dialogs& dialogs_;
  PortService port_;
  bool read_settings_;
  std::string program_path_;
  std::string settings_path_override_;
  std::string user_config_dir_;
  int depth_ = 0;
};

}  // namespace vrkt
