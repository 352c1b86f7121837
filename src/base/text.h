#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Byte-string helpers. Text in the core is 8-bit bytes in the Windows code page; nothing here
// assumes UTF-8 or a locale.
namespace vrkt {

bool Contains(std::string_view haystack, std::string_view needle);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);

// Blanks and control bytes (0..32) removed at both ends.
std::string TrimControls(std::string_view s);
// Only blanks (' ') removed at both ends.
std::string TrimBlanks(std::string_view s);

std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Reads a decimal integer the way the unit's replies and entry fields are read: leading blanks
// skipped, an optional sign, then digits to the end. Anything else throws AppError with
// "'<text>' is not a valid integer value".
int64_t ParseInt(std::string_view text);
// The same rule without the exception.
std::optional<int64_t> TryParseInt(std::string_view text);

// "Cut through": everything from the start up to and including the first occurrence of `mark`
// is removed. A text without the mark stays as it is.
std::string CutThrough(std::string_view s, std::string_view mark);
// The text before the first occurrence of `mark`, or the whole text.
std::string Before(std::string_view s, std::string_view mark);

std::vector<std::string> SplitLines(std::string_view text);

}  // namespace vrkt
