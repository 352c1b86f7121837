#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/remembered_folders.h"
#include "base/clock.h"
#include "base/settings_location.h"
#include "base/variant.h"
#include "files/param_file.h"
#include "link/command_link.h"
#include "link/link_env.h"
#include "link/port_service.h"
#include "link/receiver.h"
#include "link/reply_router.h"
#include "loader/loader.h"
#include "params/held_values.h"
#include "phonebook/book_files.h"
#include "phonebook/phonebook.h"
#include "pin/pin.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "unit/operation_state.h"
#include "unit/status.h"
#include "unit/transfer.h"
#include "unit/unit_context.h"

namespace vrkt {

class ProfileFile;

// Asked before the window closes while the unit is being written.
inline constexpr char kCloseWhileWriting[] =
    "The unit is being written. Closing now leaves it with part of the new settings. "
    "Close anyway?";

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
//
// It is the one place that builds the subsystems and hands each what it uses: the link gets the
// port, the clock, its deadline timer and this program as its log; the features get a
// UnitContext; the phone book editor its grid and find field. Members are declared, and so
// built, in that order.
class Program : public LinkLog {
 private:
  Clock& clock_;
  // The front end's dialogs; file dialogs open where their kind of file was chosen last.
  RememberedFolders dialogs_;
  PortService port_;

 public:
  explicit Program(const ProgramEnv& env);
  ~Program() override;
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
  ReplyRouter replies;
  LineReceiver receiver;
  StatusQueries status;
  PhoneBookEditor phonebook;
  Transfer transfer;
  PhoneBookFiles phonebook_files;
  ParameterSet parameters;
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
  // Bytes wait at the serial port (the name is the port component's event): reads `count` of
  // them.
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
  void LogReceived(const std::string& line) override;
  // A note of a running operation, as it stands.
  void LogNote(const std::string& note) override;
  void ShowError(const std::string& message) override { dialogs_.ShowError(message); }

  // Sends one command as a job of its own, once the link is free (tests, tools).
  void Send(const std::string& command) { link.SendAlone(LinkUser::kButton, command); }
  void Pause(int ms) { clock_.Pause(ms); }

 private:
  void WireHandlers();
  // The reply routing table, in the order the rules are tried.
  void WireReplies();
  UnitContext Unit();
  LinkEnv Link();
  // What the receiver tells: the receive indicator and a failed upload.
  LineReceiver::Hooks ReceiverHooks();
  // The code page from the command line, the settings file or the language (ChooseCodePage).
  void ApplyCodePage(ProfileFile& profile);
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
