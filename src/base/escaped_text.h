#pragma once

#include <string>
#include <string_view>

namespace vrkt {

// A unit's bytes for a message: printable ASCII as it is, every other byte as "\xNN", so that a
// message shows exactly what came and stays valid text in any encoding.
std::string EscapedText(std::string_view bytes);

}  // namespace vrkt
