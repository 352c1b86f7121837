#pragma once

#include <string>
#include <string_view>

// Input filters of the parameter edits. Each trims blanks and control bytes at both ends, then
// cuts the text at its first character that the field does not allow (that character and all
// after it are dropped). None of them fails: any text yields a value the field can hold.
namespace vrkt {

// "0123456789+*#", at most 20 characters; empty stays empty.
std::string FilterDialString(std::string_view text);
// Two digits "01" ... "99": padded on the left, or the last two of a longer text; a value of 0
// and the empty text become "01".
std::string FilterRelayTime(std::string_view text);
// Two digits "00" ... "99" as above, without the replacement of zero; empty stays empty.
std::string FilterVoltWhole(std::string_view text);
// The last digit, or "0" when none is left.
std::string FilterVoltTenth(std::string_view text);

// `text` filled on the left with zeros to `width` characters, or its last `width` characters.
std::string PadOrTail(std::string_view text, size_t width);

}  // namespace vrkt
