#pragma once

namespace vrkt::cli {

// Whether standard error goes to a terminal (a progress line makes sense there only).
bool StderrIsTerminal();

// Lets the terminal on stderr take cursor movements (ANSI escape sequences), which a Windows
// console does only when asked. Returns whether it takes them.
bool EnableTerminalControl();

}  // namespace vrkt::cli
