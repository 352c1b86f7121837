#include "support/wire_checks.h"

#include <algorithm>

namespace vrkt::testing {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool AllOf(std::string_view s, std::string_view allowed) {
  return s.find_first_not_of(allowed) == std::string_view::npos;
}

bool IsNumber(std::string_view s) { return !s.empty() && AllOf(s, "0123456789"); }

bool IsPin(std::string_view s) { return s.size() == 4 && IsNumber(s); }

bool HasControlByte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char ch) {
    auto c = static_cast<unsigned char>(ch);
    return c < 32 || c == 127;
  });
}

// "<position>" or "<position>,<value>,,<name>": the two forms of a phone-book write.
std::string CheckBookWrite(std::string_view args) {
  size_t comma = args.find(',');
  if (!IsNumber(args.substr(0, comma))) return "a phone-book write without a position";
  if (comma == std::string_view::npos) return {};
  std::string_view rest = args.substr(comma + 1);
  size_t value_end = rest.find(",,");
  if (value_end == std::string_view::npos) return "a phone-book write without its \",,\"";
  std::string_view value = rest.substr(0, value_end);
  std::string_view name = rest.substr(value_end + 2);
  if (value.empty() || !AllOf(value, "0123456789+*#"))
    return "a phone-book value that is no dial string";
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
  } else if (name.find(' ') != std::string_view::npos) {
    return "a name with blanks outside quotes (the module drops them)";
  }
  if (name.empty()) return "a phone-book write without a name";
  if (name.find_first_of("\",;") != std::string_view::npos || HasControlByte(name))
    return "a name that ends the write or chains another command";
  return {};
}

}  // namespace

std::string CheckCommandLine(std::string_view line, const std::set<std::string>& free_commands) {
  if (free_commands.count(std::string(line))) return {};
  static const std::set<std::string_view> kFixed = {
      "AT",     "ATE0",       "ATE1",    "AT+COPS?",  "AT+CPBR=?",         "AT+CSQ",
      "AT#CBC", "AT#ADC=1,2", "AT+CGSN", "AT#REBOOT", "AT#ESCRIPT=gdi.pyo", "AT+CPIN?"};
  if (kFixed.count(line)) return {};
  if (HasControlByte(line)) return "a control byte inside a command";
  if (StartsWith(line, "AT+CPBW=")) return CheckBookWrite(line.substr(8));
  if (StartsWith(line, "AT+CPBR=1,")) {
    return IsNumber(line.substr(10)) ? std::string() : "an entry listing without its last position";
  }
  if (StartsWith(line, "AT+CPIN=")) return IsPin(line.substr(8)) ? "" : "a PIN that is not 4 digits";
  if (StartsWith(line, "AT+CLCK=\"SC\",0,"))
    return IsPin(line.substr(15)) ? "" : "a PIN that is not 4 digits";
  if (StartsWith(line, "AT+CPWD=\"SC\",")) {
    std::string_view pins = line.substr(13);
    return pins.size() == 9 && IsPin(pins.substr(0, 4)) && pins.substr(4) == ",7391"
               ? ""
               : "a PIN change that is not old PIN, new PIN";
  }
  // Loader steps carry a name from the list the user loaded; none of ours holds a ';'.
  for (std::string_view loader : {"AT#ESCRIPT=", "AT#DSCRIPT=", "AT#WSCRIPT=", "AT#ASEND="}) {
    if (StartsWith(line, loader))
      return line.find(';') == std::string_view::npos ? "" : "a second command chained on";
  }
  return "not a command the program sends";
}

}  // namespace vrkt::testing
