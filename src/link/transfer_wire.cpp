#include "link/transfer_wire.h"

#include "base/text.h"

namespace vrkt {

std::string SimWriteCommand(int position, std::string_view value, std::string_view name) {
  std::string cmd = "AT+CPBW=" + std::to_string(position) + "," + std::string(value) + ",,";
  if (name.find(' ') != std::string_view::npos) {
    cmd += '"';
    cmd += name;
    cmd += '"';
  } else {
    cmd += name;
  }
  return cmd + "\r\n";
}

std::string SimDeleteCommand(int position) {
  return "AT+CPBW=" + std::to_string(position) + "\r\n";
}

bool IsWireSafeValue(std::string_view value) {
  return value.find_first_not_of("0123456789+*#") == std::string_view::npos;
}

bool IsWireSafeName(std::string_view name) {
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c == 127 || c == ';' || c == ',' || c == '"') return false;
  }
  return true;
}

SimEntryText ParseSimEntryLine(std::string_view line) {
  SimEntryText e;
  std::string s = CutThrough(line, ":");
  s = CutThrough(s, "\"");
  e.number = Before(s, "\"");
  s = CutThrough(s, ",");
  s = CutThrough(s, "\"");
  e.name = Before(s, "\"");
  return e;
}

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c == 127) ch = '?';
  }
  return out;
}

}  // namespace vrkt
