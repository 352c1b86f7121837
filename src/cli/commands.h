#pragma once

#include "cli/session.h"

namespace vrkt::cli {

// The commands that talk to a unit. Each runs on a started session and returns its exit code
// or throws CliFailure.
int StatusCommand(Session& s);
int ReadCommand(Session& s);
int WriteCommand(Session& s);
int VerifyCommand(Session& s);
int SendListCommand(Session& s);
int PinCommand(Session& s);
int RunUnitCommand(Session& s);

// The firmware version as the status bar shows it once the unit has been read ("VRKT Ver: 214").
std::string FirmwareLabel(Session& s);
// Presses the IMEI button and waits for the module's answer. Throws CliFailure.
std::string AskImei(Session& s);

// Checks before the port is opened that a file named on the command line can be read.
void RequireReadableFile(const std::string& path, const std::string& what);

}  // namespace vrkt::cli
