#pragma once

#include <string>

namespace vrkt {
class Control;
class Form1;
class Program;
class SimUnit;
}  // namespace vrkt

// Checks shared by the random sessions and the fuzz targets.
namespace vrkt::testing {

// Bytes in double quotes, control bytes and bytes above 126 as \xNN, for messages.
std::string Quoted(const std::string& bytes);

// Whether the user can reach the control: it and every group and page around it are shown and
// enabled.
bool UserCanReach(Form1& form, Control& control);

// What still runs or waits (a sequence, a pending query, a disabled window), or an empty text once
// the program is at rest and the window is the user's again.
std::string StillBusy(Program& program);

// Whether every script and file the unit stored is the file of that name in `folder` (names that
// are no file there are not compared); returns why not, or an empty text.
std::string StoredFilesDifference(const SimUnit& unit, const std::string& folder);

// Loads `saved` (a parameter file the program wrote) into a fresh program of the variant named
// `program_name` and saves it again; returns why the two files differ, or an empty text. Held
// compound values that fail their checks (the start-up ones) may change: a load replaces them by
// their defaults.
std::string ReloadDifference(const std::string& program_name, const std::string& saved);

}  // namespace vrkt::testing
