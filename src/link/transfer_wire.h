#pragma once

#include <string>
#include <string_view>

// How SIM phone-book entries look on the wire, and which texts may go there at all.
namespace vrkt {

// "AT+CPBW=" position "," value ",," name "\r\n". Value and name go unquoted, as the unit's
// application reads them back; only a name holding a blank is put in double quotes, because the
// module drops blanks outside quotes ("Jan Novak" would be stored as "JanNovak").
std::string SimWriteCommand(int position, std::string_view value, std::string_view name);
// "AT+CPBW=" position "\r\n": empties the position.
std::string SimDeleteCommand(int position);

// A value may hold only "0123456789+*#": anything else would end or chain the command.
bool IsWireSafeValue(std::string_view value);
// A name may not hold control bytes, ";", "," or a double quote: each would split the command or
// chain another one onto it.
bool IsWireSafeName(std::string_view name);

// Number and name of one "+CPBR: index,"number",type,"name"" line, cut the way the unit's
// application expects; a malformed line gives whatever the cuts leave, never an error.
struct SimEntryText {
  std::string number;
  std::string name;
};
SimEntryText ParseSimEntryLine(std::string_view line);

// A text for a message box: control bytes shown as "?".
std::string Printable(std::string_view text);

}  // namespace vrkt
