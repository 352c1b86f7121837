#pragma once

#include <cstdint>

#include "cli/report.h"
#include "cli/session.h"

namespace vrkt::cli {

// Whether this run keeps a record of its unit: for the report, or for the run that started it.
bool KeepsRecord(const Options& o);

// The file whose hash the record keeps; empty for a command without one (status, or unpin,
// whose operand is a PIN that must never reach a report).
std::string RecordedFile(const Options& o, int exit_code);

// What the run learned about its unit, the command having ended with `exit_code` and, when it
// failed, the message `failure`. Asks the unit for its IMEI, as the IMEI button does, unless
// the unit or its port has stopped answering.
UnitRecord TakeUnitRecord(Session& s, int exit_code, const std::string& failure,
                          int64_t started_ms);

// Leaves the record where the options say: a line in the report, or the record file for the run
// that started this one. Returns the run's exit code: a record that could not be kept fails a run
// that had passed, so that no unit counts as done without its line.
int KeepRecord(const Options& o, UnitRecord r, int exit_code, CliIo& io);

}  // namespace vrkt::cli
