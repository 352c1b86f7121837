#pragma once

#include <string>
#include <string_view>

namespace vrkt {

// Conversion between the 8-bit text of the core (Windows code page) and UTF-8 for display.
// Only the Qt shell converts; the core keeps bytes, so every byte round-trips through files.

// The code page in use (1250, 1252, ...).
int ActiveCodePage();
void SetActiveCodePage(int code_page);

// 8-bit text to UTF-8 for display.
std::string CodePageToUtf8(std::string_view bytes);
// UTF-8 (typed by the user) to 8-bit text; characters the code page lacks become '?'.
std::string Utf8ToCodePage(std::string_view utf8);

}  // namespace vrkt
