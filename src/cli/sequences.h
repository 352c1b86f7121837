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
  std::vector<UnreadableEntry> unreadable;  // entries in a form that cannot be read
  friend bool operator==(const ReadResult&, const ReadResult&) = default;
};

// Presses Stop, waits for the unit's STOP report and for the read that it starts to end. Throws
// CliFailure with the read's own reason and exit code.
ReadResult StopAndReadAll(Session& s);
// Presses the unit group's Load: the read from the operator query on.
ReadResult ReadAllAgain(Session& s);
// A reading that line noise damaged is taken again, up to `retries` more times; the first
// attempt presses Stop when `stop_first`, every other one Load.
ReadResult ReadWithRetries(Session& s, int retries, bool stop_first);
// Two readings in a row that agree (up to `retries` more when they differ or line noise spoils
// one), the first one after Stop when `stop_first`. Throws CliFailure (exit 7 when they never
// agree) with `consequence` after the reason.
ReadResult ReadTwiceAgreeing(Session& s, int retries, bool stop_first,
                             const std::string& consequence);
// Presses the unit group's Save and follows write-all to its end. Throws CliFailure.
void WriteAll(Session& s);

// Runs the program until `busy` no longer holds. Every sequence of the program ends by itself, at
// its last answer or a reply deadline; this only adds a net against one that would not: no
// traffic at all for much longer than those deadlines fails with `what` named.
// `context` adds what the unit was left with to a failure of the line itself (CTS lost).
void WaitWhile(Session& s, const std::function<bool()>& busy,
               const std::function<std::string()>& progress, const std::string& what,
               const std::function<std::string()>& context = nullptr);

// The exit code of a sequence that ended this way.
int ExitCodeOf(SequenceOutcome::Kind kind);
// The failure a sequence ended with, in words about the unit, followed by `consequence`.
CliFailure FailureOf(const SequenceOutcome& outcome, const std::string& consequence);

// Loads a parameter file into the window as its Load button does. Throws CliFailure.
void LoadParameterFile(Session& s, const std::string& path);
// Saves the window's configuration as its Save button does. Throws CliFailure.
void SaveParameterFile(Session& s, const std::string& path);
// The SIM entries the window's configuration stands for: what its Save would put in a file.
std::vector<UnitEntry> EntriesOfWindow(Session& s);

// A plain description of a command for messages: without its line end.
std::string Plain(const std::string& command);

}  // namespace vrkt::cli
