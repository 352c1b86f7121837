#pragma once

#include <string>

#include "base/clock.h"
#include "base/settings_location.h"
#include "base/variant.h"
#include "link/command_link.h"
#include "link/link_env.h"
#include "link/port_service.h"
#include "params/held_values.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "unit/operation_state.h"

namespace vrkt {

// Values that start-up takes from the settings file and keeps for the run.
struct AppSettings {
  std::string settings_path;           // the program's path with its extension replaced by ".ini"
  SettingsLocation settings_location;  // where that path came from (a per-user file's seed)
  int Port = 0;
  // The port the user chose last time ("COM3", "/dev/ttyUSB0", "sim"); a valid Port comes first.
  std::string LastPort;
  // Pause in ms before a file is sent with AT#ASEND (the settings key of the same name).
  int WaitSer = 1000;
  // Shows the Inicializace button (the module's first-time set-up).
  bool Inicializace = false;
  std::string Language = "Eng";
  std::string OperatorCaption = "Operator";
  std::string BoardVoltageCaption = "board voltage";
  // The port label: "Port: COM1", "Port: none".
  std::string PortCaption = "Port";
  std::string NoPortCaption = "none";
};

// What a feature that talks to the unit works with: the window model, the state of the running
// chains, the unit's variant and held values, the link to it, and the user.
struct UnitContext {
  Form1& form;
  OperationState& op;
  Variant& variant;
  HeldValues& held;
  const AppSettings& settings;
  CommandLink& link;
  PortService& port_service;
  Dialogs& dialog_box;
  Clock& clock_source;
  LinkLog& log;

  PortService& port() const { return port_service; }
  Dialogs& dialogs() const { return dialog_box; }
  Clock& clock() const { return clock_source; }
  void LogNote(const std::string& note) const { log.LogNote(note); }
  void Pause(int ms) const { clock_source.Pause(ms); }
};

}  // namespace vrkt
