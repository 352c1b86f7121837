#pragma once

#include <string>

#include "sim/sim_unit.h"

namespace vrkt::cli {

// The simulated unit as a port: "sim", or "sim:" followed by settings for tests and demos,
// separated by commas. A word without "=" is a label that tells several simulated units apart
// ("sim:2") and gives the unit an IMEI of its own; the settings are
//   imei=DIGITS       the module's IMEI
//   silent-after=N    the module falls silent once it has taken N commands
//   refuse-write=N    the module refuses the write of SIM position N
//   write-ms=N        the SIM's time to store one position
//   busy-after-ok=N   how much of that time falls after the module's OK (writes that come
//                     sooner are lost)
//   full              every position of the SIM is in use
bool IsSimPort(const std::string& port);

// Throws CliFailure(kExitUsage) for a setting it does not know or a value out of range.
void CheckSimPort(const std::string& port);

// Puts the unit in its power-on state with `config` changed as the port's settings say.
void ConfigureSimPort(const std::string& port, SimConfig config, SimUnit& unit);

}  // namespace vrkt::cli
