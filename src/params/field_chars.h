#pragma once

#include <string_view>

namespace vrkt {

class Control;
class Form1;

// The characters a number field of the window passes on to the unit; the field's own filter
// (filters.h) drops anything else. The window refuses other characters where they are typed.
inline constexpr std::string_view kDialCharacters = "0123456789+*#";
inline constexpr std::string_view kDigitCharacters = "0123456789";

// The characters `control` accepts, or empty when it takes any text the code page can hold.
std::string_view AcceptedCharacters(Form1& form, const Control& control);

// What the window says when a character outside `accepted` is typed ("\"V\" is not accepted
// here: this field takes only digits, +, * and #."): the part after "takes".
std::string_view AcceptedCharactersPhrase(std::string_view accepted);

}  // namespace vrkt
