#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/transfer_wire.h"

// The forms in which modules list SIM entries, and the module character sets that put names in
// hexadecimal.
namespace vrkt {

// One listing line split into its fields. Accepted forms (blanks around fields allowed):
//   +CPBR: 3,"0123",129,"Name"          the standard form, optionally with further fields
//   +CPBR: 22,,"+31234567",145,"Office" an empty field before the number
//   +CPBR: 5,"123",,"Ann"               an empty type (taken as 0)
//   +CPBR: 7,"123",129,004A006F         a name without quotes (hexadecimal in HEX or UCS2)
// The index may be 0 here; whether it belongs to the asked range is the caller's to check.
struct EntryLine {
  ListedEntry entry;
  bool bare_name = false;  // the name came without quotes
};
std::optional<EntryLine> ParseEntryLine(std::string_view line);

// The index of a line that starts with the exact listing head "+CPBR:" and a decimal index
// followed by a comma, however the rest looks; nothing otherwise.
std::optional<int> IndexOfEntryLine(std::string_view line);

// Whether a line holds nothing but noise: no byte between 32 and 126 (an empty line included).
bool IsNoiseOnly(std::string_view line);

// Whether a name may be hexadecimal text of a HEX or UCS2 character set, so that the module's
// character set has to be asked before the name can be taken.
bool MayBeHexName(std::string_view name, bool bare);

// The character set named by a "+CSCS: "UCS2"" reply, upper-case; empty for another line.
std::string CharsetOfReply(std::string_view line);

// A name as the module's character set gives it: "UCS2" (four hexadecimal digits per character)
// is turned into the active code page, "HEX" (two digits per byte) into its bytes; any other set
// leaves the name as it stands. Nothing when the name is not valid text of that set or holds a
// character the code page lacks.
std::optional<std::string> DecodeSimName(std::string_view name, std::string_view charset);

}  // namespace vrkt
