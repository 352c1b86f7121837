#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/remembered_folders.h"
#include "app/settings_location.h"
#include "app/variant.h"
#include "base/clock.h"
#include "files/param_file.h"
#include "link/command_link.h"
#include "link/operation_state.h"
#include "link/port_service.h"
#include "link/receiver.h"
#include "link/status.h"
#include "link/transfer.h"
#include "loader/loader.h"
#include "params/held_values.h"
#include "phonebook/book_files.h"
#include "phonebook/phonebook.h"
#include "pin/pin.h"
#include "ui/form.h"

namespace vrkt {

class ProfileFile;

// Asked before the window closes while the unit is being written.
inline constexpr char kCloseWhileWriting[] =
    "The unit is being written. Closing now leaves it with part of the new settings. "
    "Close anyway?";

// Values that start-up takes from the settings file and keeps for the run.
struct AppSettings {
  std::string settings_path;  // the program's path with its extension replaced by ".ini"
  SettingsLocation settings_location;  // where that path came from (a per-user file's seed)
  int Port = 0;
  // The port the user chose last time ("COM3", "/dev/ttyUSB0", "sim"); a valid Port comes first.
  std::string LastPort;
  int WaitSer = 1000;
  bool Inicializace = false;
  std::string Language = "Eng";
  std::string OperatorCaption = "Operator";
  std::string BoardVoltageCaption = "board voltage";
  // The port label: "Port: COM1", "Port: none".
  std::string PortCaption = "Port";
  std::string NoPortCaption = "none";
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
  // The code page asked for on the command line (--code-page), 0 for none, and the language
  // (--language) that picks one where the system has none of its own (ChooseCodePage).
  int code_page = 0;
  std::string language;
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
  CommandLink link;
  LineReceiver receiver;
  StatusQueries status;
  Transfer transfer;
  PhoneBookEditor phonebook;
  PhoneBookFiles phonebook_files;
  PcFiles files;
  Loader loader;
  PinHandler pin;

  // --- Start-up and exit.
  void FormCreate();
  // Returns false when the settings write failed (the message has been shown).
  bool FormClose();
  // True while a write to the unit or a loader run is under way: stopping then leaves the unit
  // part-written.
  bool WritingToUnit() const;
  // Whether the window may close now; while the unit is being written the user is asked first.
  bool MayClose();

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
  // Checks the port connection; a failed one is closed and reported to the user. Shows the port
  // in use.
  void CheckPortHealth();
  // Lets the user choose another port and opens it, greeted as at start-up.
  void PortSelectClick();

  // --- Monitor.
  // A received line: "[" + time of day + "]   " + line.
  void LogReceived(const std::string& line);
  // A note of a running operation, as it stands.
  void LogNote(const std::string& note);

  // Sends one command as a job of its own, once the link is free (tests, tools).
  void Send(const std::string& command) { link.SendAlone(LinkUser::kButton, command); }
  void Pause(int ms) { clock_.Pause(ms); }

 private:
  void WireHandlers();
  // The code page from the command line, the settings file or the language (ChooseCodePage).
  void ApplyCodePage(ProfileFile& profile);
  Clock& clock_;
  // The front end's dialogs; file dialogs open where their kind of file was chosen last.
  RememberedFolders dialogs_;
  PortService port_;
  bool read_settings_;
  std::string program_path_;
  std::string settings_path_override_;
  std::string user_config_dir_;
  int code_page_override_ = 0;
  std::string language_;
  int depth_ = 0;
  // The user chose to start the unit before changing the port (DecidePortChange).
  bool port_change_after_run_ = false;
};

}  // namespace vrkt
