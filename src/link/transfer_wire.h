#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/sim_limits.h"

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

// One entry of a listing, read in its exact form: "+CPBR: " index "," quoted number "," type ","
// quoted name, optionally followed by further fields. Blanks after the colon and around the
// commas are allowed; the number holds only dialling characters (0-9 + * # and the pauses p, w
// and ","), the index and the type only digits. Anything else is no entry: line noise, a cut
// line, a reply of another kind.
struct ListedEntry {
  int index = 0;
  std::string number;
  int type = 0;
  std::string name;
};
std::optional<ListedEntry> ParseListedEntry(std::string_view line);

// The range reply of the phone book, "+CPBR: (1-250),40,16", also without the parentheses
// ("+CPBR: 1-250,40,16") as some modules send it. The two lengths stay 0 (not known) when the
// reply leaves them out, as older modules do. Nothing for a line of another form; a number that
// does not fit makes it no range either.
std::optional<SimLimits> ParseRangeReply(std::string_view line);
// More positions than any SIM has: a range reply claiming them is damaged.
inline constexpr int kMaxSimPositions = 10000;

// A text for a message box: control bytes shown as "?".
std::string Printable(std::string_view text);

}  // namespace vrkt
