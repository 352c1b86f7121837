#pragma once

#include <string>

namespace vrkt {
class Program;
}

namespace vrkt::qt {

// The translation shipped for `language` ("cs", "de", "pl"): translations/<language>.ini beside
// the program (Windows), or under ../share/vrktset/translations (an installed Linux program).
// Empty when there is none.
std::string FindTranslation(const std::string& program_path, const std::string& language);

// Shows the captions and tooltips of the shipped translation for `language`, if there is one.
// Returns whether one was found.
bool UseTranslation(Program& program, const std::string& program_path,
                    const std::string& language);

}  // namespace vrkt::qt
