#pragma once

#include <string>
#include <string_view>

namespace vrkt {

// A message for a text stream that must stay valid UTF-8 (the command line's output): line ends
// and tabs stay, every other control byte and every byte that is not part of a well-formed UTF-8
// sequence is shown as "\xNN", as a value that cannot be read is shown.
std::string EscapeForUtf8Output(std::string_view text);

}  // namespace vrkt
