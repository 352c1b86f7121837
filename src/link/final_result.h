#pragma once

#include <string>
#include <string_view>

namespace vrkt {

// How the receiver should treat a complete line.
enum class LineKind {
  kEcho,          // the module repeating the command in flight
  kFinal,         // the final result of a command
  kDamagedFinal,  // a final result that line noise has garbled
  kOther,         // an information line or a report the unit sent on its own
};

// Whether the line ends a command: "OK", "ERROR", "+CME ERROR: ...", "+CMS ERROR: ...".
bool IsFinalResult(std::string_view line);

// The line without the bytes above 127 that line noise slips in; the protocol's own words are
// plain ASCII.
std::string WithoutHighBytes(std::string_view line);

// What a complete line is, given the last command sent (without its line end; empty when none):
// its echo (also with noise bytes in it), a final result, a final result that noise garbled, or
// anything else.
LineKind ClassifyLine(std::string_view line, std::string_view last_sent);

}  // namespace vrkt
