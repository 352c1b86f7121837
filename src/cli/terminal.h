#pragma once

namespace vrkt::cli {

// Whether standard error goes to a terminal (a progress line makes sense there only).
bool StderrIsTerminal();

}  // namespace vrkt::cli
