#pragma once

#include <string>
#include <string_view>

namespace vrkt {

// Which 8-bit code page the program keeps its text in, from the first that is given:
//   1. `command_line` (--code-page N),
//   2. `settings` (the settings file's [Form] CodePage=N),
//   3. the system's own code page, where the system has one (Windows' ANSI code page),
//   4. the language of `language` (--language cs) or, without it, of the user's locale: Czech,
//      Slovak, Polish and Hungarian 1250, and so on (CodePageForLocale).
// 0 stands for not given. A code page the program has no table for is refused with AppError,
// naming the pages it has.
int ChooseCodePage(int command_line, int settings, std::string_view language);

// Parses "1250" and the like for --code-page and CodePage=; throws AppError for anything that
// is not a supported code page.
int ParseCodePage(std::string_view text);

// Whether the platform has an 8-bit code page of its own; a UTF-8 locale (Linux, macOS, a
// Windows set to UTF-8) has none, and the language decides instead.
bool SystemHasOwnCodePage();

}  // namespace vrkt
