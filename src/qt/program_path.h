#pragma once

#include <string>

namespace vrkt::qt {

// The program's own path as it was started: made absolute, but links are not resolved, so a
// renamed copy or a link picks its own variant and settings file. A bare name is looked up on
// the search path.
std::string ProgramPathFromArgv0(const char* argv0);

}  // namespace vrkt::qt
