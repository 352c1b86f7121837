#include "link/listing_forms.h"

#include <vector>

#include "base/codepage.h"
#include "base/text.h"

namespace vrkt {

namespace {

constexpr std::string_view kHead = "+CPBR:";

// The fields after the head, cut at commas outside double quotes, blanks outside quotes trimmed.
// Nothing when a quote is left open.
std::optional<std::vector<std::string>> Fields(std::string_view rest) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : rest) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.emplace_back();
      continue;
    }
    out.back().push_back(c);
  }
  if (quoted) return std::nullopt;
  for (std::string& f : out) {
    size_t b = f.find_first_not_of(' ');
    size_t e = f.find_last_not_of(' ');
    f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
  }
  return out;
}

bool IsQuoted(const std::string& f) {
  return f.size() >= 2 && f.front() == '"' && f.back() == '"' &&
         f.find('"', 1) == f.size() - 1;
}

std::optional<int> Digits(const std::string& f, size_t max_digits) {
  if (f.empty() || f.size() > max_digits) return std::nullopt;
  int v = 0;
  for (char c : f) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool AllHex(std::string_view s) {
  for (char c : s)
    if (HexValue(c) < 0) return false;
  return !s.empty();
}

}  // namespace

std::optional<EntryLine> ParseEntryLine(std::string_view line) {
  if (line.substr(0, kHead.size()) != kHead) return std::nullopt;
  std::optional<std::vector<std::string>> fields = Fields(line.substr(kHead.size()));
  if (!fields) return std::nullopt;
  const std::vector<std::string>& f = *fields;
  size_t i = 0;
  EntryLine out;
  std::optional<int> index = f.size() > i ? Digits(f[i++], 6) : std::nullopt;
  if (!index) return std::nullopt;
  // Some modules leave a field empty before the number.
  if (f.size() > i + 1 && f[i].empty() && IsQuoted(f[i + 1])) ++i;
  if (f.size() <= i || !IsQuoted(f[i])) return std::nullopt;
  std::string number = f[i++].substr(1);
  number.pop_back();
  if (number.find_first_not_of("0123456789+*#pPwW,") != std::string::npos) return std::nullopt;
  if (f.size() <= i) return std::nullopt;
  int type = 0;
  if (!f[i].empty()) {
    std::optional<int> t = Digits(f[i], 3);
    if (!t) return std::nullopt;
    type = *t;
  }
  ++i;
  if (f.size() <= i) return std::nullopt;
  std::string name = f[i];
  if (IsQuoted(name)) {
    name = name.substr(1, name.size() - 2);
  } else {
    // A bare name is one word of text: hexadecimal, or a name as it stands.
    if (name.empty() || name.find_first_of("\" ") != std::string::npos) return std::nullopt;
    out.bare_name = true;
  }
  for (char ch : name)
    if (static_cast<unsigned char>(ch) < 32 || ch == 127) return std::nullopt;
  // Further fields (hidden, group, ...) are the module's own and say nothing here.
  out.entry.index = *index;
  out.entry.number = std::move(number);
  out.entry.type = type;
  out.entry.name = std::move(name);
  return out;
}

std::optional<int> IndexOfEntryLine(std::string_view line) {
  if (line.substr(0, kHead.size()) != kHead) return std::nullopt;
  size_t i = kHead.size();
  while (i < line.size() && line[i] == ' ') ++i;
  size_t start = i;
  int v = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9' && i - start < 6)
    v = v * 10 + (line[i++] - '0');
  if (i == start) return std::nullopt;
  while (i < line.size() && line[i] == ' ') ++i;
  if (i >= line.size() || line[i] != ',') return std::nullopt;
  return v;
}

bool IsNoiseOnly(std::string_view line) {
  for (char ch : line) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127) return false;
  }
  return true;
}

bool MayBeHexName(std::string_view name, bool bare) {
  return bare || (name.size() >= 2 && name.size() % 2 == 0 && AllHex(name));
}

std::string CharsetOfReply(std::string_view line) {
  if (!StartsWith(line, "+CSCS:")) return {};
  std::string v = TrimBlanks(std::string(line.substr(6)));
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return AsciiUpper(v);
}

std::optional<std::string> DecodeSimName(std::string_view name, std::string_view charset) {
  if (charset == "HEX") {
    if (name.size() % 2 != 0 || !AllHex(name)) return std::nullopt;
    std::string out;
    for (size_t i = 0; i < name.size(); i += 2)
      out.push_back(static_cast<char>(HexValue(name[i]) * 16 + HexValue(name[i + 1])));
    for (char ch : out)
      if (static_cast<unsigned char>(ch) < 32 || ch == 127) return std::nullopt;
    return out;
  }
  if (charset == "UCS2") {
    if (name.size() % 4 != 0 || !AllHex(name)) return std::nullopt;
    std::string utf8;
    for (size_t i = 0; i < name.size(); i += 4) {
      char32_t cp = 0;
      for (size_t k = 0; k < 4; ++k) cp = cp * 16 + static_cast<char32_t>(HexValue(name[i + k]));
      if (cp < 32 || cp == 127 || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
      utf8 += Utf8Of(cp);
    }
    CheckedCodePageText t = Utf8ToCodePageChecked(utf8, ActiveCodePage());
    if (!t.missing.empty()) return std::nullopt;
    return t.bytes;
  }
  return std::string(name);
}

}  // namespace vrkt
