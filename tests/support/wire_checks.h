#pragma once

#include <set>
#include <string>
#include <string_view>

namespace vrkt::testing {

// Whether a command line the unit took off the wire is one the program may send: a known command
// with well-formed arguments, a phone-book write whose value and name cannot end it or chain a
// second command onto it, or a line of the loader list that the user wrote (`free_commands`, taken
// as they stand). Returns an empty text when it is, otherwise why not.
std::string CheckCommandLine(std::string_view line, const std::set<std::string>& free_commands = {});

}  // namespace vrkt::testing
