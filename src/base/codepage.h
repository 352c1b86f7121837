#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrkt {

// Conversion between the 8-bit text of the core (Windows code page) and UTF-8 for display.
// Only the Qt shell converts; the core keeps bytes, so every byte round-trips through files.
//
// Supported code pages: the single-byte Windows pages 1250 ... 1258. Bytes a page leaves
// undefined still get a code point of their own, so text shown and typed back keeps them.

// The code page in use (1250, 1252, ...). Until SetActiveCodePage is called it is the system's
// (SystemCodePage), or 1252 when the system's is not supported.
int ActiveCodePage();
// An unsupported code page selects 1252.
void SetActiveCodePage(int code_page);
bool IsSupportedCodePage(int code_page);

// The code page the platform uses for 8-bit text: on Windows the ANSI code page, elsewhere the
// one that goes with the language of the user's locale (CodePageForLocale).
int SystemCodePage();
// The Windows ANSI code page that goes with a locale name such as "cs_CZ.UTF-8", "sr_RS@latin",
// "ru", "C": Central European languages 1250, Cyrillic 1251, Greek 1253, Turkish 1254, Hebrew
// 1255, Arabic 1256, Baltic 1257, Vietnamese 1258, anything else 1252.
int CodePageForLocale(std::string_view locale_name);

// 8-bit text to UTF-8 for display, in the active code page or the given one.
std::string CodePageToUtf8(std::string_view bytes);
std::string CodePageToUtf8(std::string_view bytes, int code_page);
// UTF-8 (typed by the user) to 8-bit text; characters the code page lacks, and malformed UTF-8,
// become '?'.
std::string Utf8ToCodePage(std::string_view utf8);
std::string Utf8ToCodePage(std::string_view utf8, int code_page);

// The same conversion, telling what it could not convert: text from outside (an imported file)
// must not lose a letter without the user hearing of it.
struct CheckedCodePageText {
  std::string bytes;  // exactly what Utf8ToCodePage gives, '?' in place of each failure
  // The characters the code page lacks, each once, in order of first appearance; U+FFFD stands
  // for malformed UTF-8.
  std::vector<char32_t> missing;
};
CheckedCodePageText Utf8ToCodePageChecked(std::string_view utf8, int code_page);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or cut sequences).
bool IsValidUtf8(std::string_view text);
// One code point as UTF-8.
std::string Utf8Of(char32_t code_point);

}  // namespace vrkt
