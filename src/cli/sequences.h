#pragma once

#include <string>
#include <vector>

#include "cli/compare.h"
#include "cli/session.h"

namespace vrkt::cli {

// What a read of the whole SIM brought in.
struct ReadResult {
  int capacity = 0;
  std::vector<UnitEntry> entries;  // in SIM order, as listed by the unit
};

// Presses Stop, waits for the unit's STOP report and follows the read chain that it starts to
// the last entry. Throws CliFailure.
ReadResult StopAndReadAll(Session& s);
// Presses the unit group's Load: the read chain from the operator query on.
ReadResult ReadAllAgain(Session& s);
// Presses the unit group's Save and follows write-all to its end. Throws CliFailure.
void WriteAll(Session& s);

// Loads a parameter file into the window as its Load button does. Throws CliFailure.
void LoadParameterFile(Session& s, const std::string& path);
// Saves the window's configuration as its Save button does. Throws CliFailure.
void SaveParameterFile(Session& s, const std::string& path);
// The SIM entries the window's configuration stands for: what its Save would put in a file.
std::vector<UnitEntry> EntriesOfWindow(Session& s);

// A plain description of a command for messages: without its line end.
std::string Plain(const std::string& command);

}  // namespace vrkt::cli
