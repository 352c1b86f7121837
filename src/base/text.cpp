#include "base/text.h"

#include <algorithm>

#include "base/error.h"

namespace vrkt {

void ThrowNotAnInteger(const std::string& text) {
  // A control byte would vanish from the message or, a NUL, cut it short: each is shown as
  // "\xNN".
  std::string shown;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c != 127) {
      shown.push_back(ch);
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    shown += "\\x";
    shown.push_back(kHex[c >> 4]);
    shown.push_back(kHex[c & 15]);
  }
  throw AppError("'" + shown + "' is not a valid integer value");
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string TrimControls(std::string_view s) {
  auto is_space = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  size_t b = 0, e = s.size();
  while (b < e && is_space(s[b])) ++b;
  while (e > b && is_space(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

std::optional<int64_t> TryParseInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (INT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

int64_t ParseInt(std::string_view text) {
  auto v = TryParseInt(text);
  if (!v) ThrowNotAnInteger(std::string(text));
  return *v;
}

std::string CutThrough(std::string_view s, std::string_view mark) {
  size_t p = s.find(mark);
  if (p == std::string_view::npos) return std::string(s);
  return std::string(s.substr(p + mark.size()));
}

std::string Before(std::string_view s, std::string_view mark) {
  size_t p = s.find(mark);
  return std::string(s.substr(0, p));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

}  // namespace vrkt
