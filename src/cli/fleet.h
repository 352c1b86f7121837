#pragma once

#include <string>

#include "cli/options.h"
#include "cli/session.h"

namespace vrkt::cli {

// Runs the command on every port at once, each unit by a run of `unit_program` (empty: this
// program) with that port alone, and ends with a table of the units. Appends each unit's line to
// --report as the unit ends. Returns 0 when every unit passed; otherwise the failed units' exit
// code when they share one, else 1.
int RunFleet(const Options& o, CliIo& io, const std::string& unit_program);

}  // namespace vrkt::cli
