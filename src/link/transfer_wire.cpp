#include "link/transfer_wire.h"

#include "base/text.h"

#include <cstdint>

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

namespace {

// Reads the text from `pos` on, one piece at a time, the way a listing line is laid out.
class LineScanner {
 public:
  LineScanner(std::string_view text, size_t pos) : t_(text), pos_(pos) {}
  void SkipBlanks() {
    while (pos_ < t_.size() && t_[pos_] == ' ') ++pos_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ >= t_.size() || t_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // Decimal digits, at most 9 of them so that the value fits.
  std::optional<int> Number() {
    SkipBlanks();
    size_t start = pos_;
    int64_t v = 0;
    while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9' && pos_ - start < 9)
      v = v * 10 + (t_[pos_++] - '0');
    if (pos_ == start || (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9'))
      return std::nullopt;
    return static_cast<int>(v);
  }
  std::optional<std::string> Quoted() {
    if (!Take('"')) return std::nullopt;
    size_t end = t_.find('"', pos_);
    if (end == std::string_view::npos) return std::nullopt;
    std::string out(t_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return out;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= t_.size();
  }

 private:
  std::string_view t_;
  size_t pos_;
};

constexpr std::string_view kListingHead = "+CPBR:";

}  // namespace

std::optional<ListedEntry> ParseListedEntry(std::string_view line) {
  if (line.substr(0, kListingHead.size()) != kListingHead) return std::nullopt;
  LineScanner in(line, kListingHead.size());
  ListedEntry e;
  auto index = in.Number();
  if (!index || *index < 1 || !in.Take(',')) return std::nullopt;
  auto number = in.Quoted();
  if (!number || number->find_first_not_of("0123456789+*#pPwW,") != std::string::npos ||
      !in.Take(','))
    return std::nullopt;
  auto type = in.Number();
  if (!type || !in.Take(',')) return std::nullopt;
  auto name = in.Quoted();
  if (!name) return std::nullopt;
  for (char ch : *name)
    if (static_cast<unsigned char>(ch) < 32) return std::nullopt;
  // Modules may add fields of their own (hidden, group, ...) after the name.
  if (!in.AtEnd() && !in.Take(',')) return std::nullopt;
  e.index = *index;
  e.number = std::move(*number);
  e.type = *type;
  e.name = std::move(*name);
  return e;
}

std::optional<SimLimits> ParseRangeReply(std::string_view line) {
  if (line.substr(0, kListingHead.size()) != kListingHead) return std::nullopt;
  LineScanner in(line, kListingHead.size());
  const bool parens = in.Take('(');
  auto first = in.Number();
  if (!first || *first != 1 || !in.Take('-')) return std::nullopt;
  auto last = in.Number();
  if (!last || (parens && !in.Take(')'))) return std::nullopt;
  SimLimits r;
  r.positions = *last;
  if (in.AtEnd()) return r;
  if (!in.Take(',')) return std::nullopt;
  auto number_length = in.Number();
  if (!number_length) return std::nullopt;
  r.number_length = *number_length;
  if (in.AtEnd()) return r;
  if (!in.Take(',')) return std::nullopt;
  auto name_length = in.Number();
  if (!name_length) return std::nullopt;
  r.name_length = *name_length;
  // Some modules add further lengths (e.g. for groups or e-mail addresses).
  if (!in.AtEnd() && !in.Take(',')) return std::nullopt;
  return r;
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
