#include "base/profile.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"

namespace vrkt {

namespace {

constexpr char kWriteFailed[] = "Unable to write to %s";
constexpr size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names compare without regard to case; only ASCII letters fold, so bytes of other code-page
// letters compare as they are.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The text a reader sees in the raw value after the '='.
std::string ValueOf(std::string_view raw) {
  std::string_view v = Trim(raw);
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  if (v.size() > ProfileFile::kMaxValue) v = v.substr(0, ProfileFile::kMaxValue);
  return std::string(v);
}

// The raw text to store so that a reader gets `value` back: a line end inside would split the
// line (and could forge keys or sections), so it becomes a blank; blanks at either end, or a
// value that is itself quoted, would be stripped, so such values get a pair of quotes.
std::string RawOf(const std::string& value) {
  std::string v = value;
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  bool needs_quotes = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()));
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) needs_quotes = true;
  return needs_quotes ? "\"" + v + "\"" : v;
}

// The text of a line as the parser sees it: a byte-order mark on the first line is no part of it.
std::string_view ParsedText(const std::string& text, size_t index) {
  std::string_view t = text;
  if (index == 0 && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
  return Trim(t);
}

bool IsSectionHeader(std::string_view parsed) { return !parsed.empty() && parsed.front() == '['; }

std::string_view SectionName(std::string_view parsed) {
  std::string_view name = parsed.substr(1);
  size_t close = name.find(']');
  if (close != npos) name = name.substr(0, close);
  return Trim(name);
}

bool ParseInt32(std::string_view s, int64_t* out) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    int64_t v = 0;
    for (char c : s.substr(2)) {
      int d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        return false;
      v = v * 16 + d;
      if (v > kMax) return false;
    }
    *out = v;
    return true;
  }
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > kMax + 1) return false;
  }
  v = negative ? -v : v;
  if (v < kMin || v > kMax) return false;
  *out = v;
  return true;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

void ProfileFile::Load() {
  try {
    Parse(ReadFileBytes(path_, "%s"));
  } catch (const AppError&) {
    Parse({});
    std::error_code ec;
    std::filesystem::path p(std::u8string(path_.begin(), path_.end()));
    unreadable_ = std::filesystem::exists(p, ec) || ec;
  }
}

void ProfileFile::Parse(std::string_view bytes) {
  lines_.clear();
  unreadable_ = false;
  const bool mark = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  const bool beyond_ascii = std::any_of(
      bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  utf8_ = mark || (beyond_ascii && IsValidUtf8(bytes));
  eol_ = "\r\n";
  bool eol_known = false;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == npos) {
      // A carriage return that ends the file ends its last line, as a line feed would; kept as
      // that line's end, it is written back as it was.
      std::string_view rest = bytes.substr(pos);
      if (!rest.empty() && rest.back() == '\r') {
        rest.remove_suffix(1);
        line.end = "\r";
      }
      line.text = std::string(rest);
      pos = bytes.size();
    } else {
      size_t text_end = (nl > pos && bytes[nl - 1] == '\r') ? nl - 1 : nl;
      line.text = std::string(bytes.substr(pos, text_end - pos));
      line.end = std::string(bytes.substr(text_end, nl + 1 - text_end));
      pos = nl + 1;
      if (!eol_known) {
        eol_ = line.end;
        eol_known = true;
      }
    }
    lines_.push_back(std::move(line));
  }
}

size_t ProfileFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view t = ParsedText(lines_[i].text, i);
    if (IsSectionHeader(t) && SameName(SectionName(t), section)) return i;
  }
  return npos;
}

bool ProfileFile::FindKey(size_t header, std::string_view key, KeyLine* found) const {
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    std::string_view t = ParsedText(lines_[i].text, i);
    if (IsSectionHeader(t)) break;
    if (t.empty() || t.front() == ';') continue;
    size_t eq = lines_[i].text.find('=');
    if (eq == npos) continue;
    std::string_view name = lines_[i].text;
    name = Trim(name.substr(0, eq));
    if (SameName(name, key)) {
      *found = {i, eq};
      return true;
    }
  }
  return false;
}

size_t ProfileFile::SectionInsertPoint(size_t header) const {
  size_t last = header;
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    std::string_view t = ParsedText(lines_[i].text, i);
    if (IsSectionHeader(t)) break;
    if (!t.empty()) last = i;
  }
  return last + 1;
}

bool ProfileFile::FindValue(std::string_view section, std::string_view key,
                            std::string* value) const {
  size_t header = FindSection(section);
  KeyLine at;
  if (header == npos || !FindKey(header, key, &at)) return false;
  *value = ValueOf(std::string_view(lines_[at.line].text).substr(at.eq + 1));
  return true;
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  std::string value;
  if (!FindValue(section, key, &value)) return def;
  return utf8_ ? Utf8ToCodePage(value) : value;
}

int64_t ProfileFile::ReadInteger(const std::string& section, const std::string& key,
                                 int64_t def) const {
  std::string value;
  int64_t n;
  if (!FindValue(section, key, &value) || !ParseInt32(value, &n)) return def;
  return n;
}

bool ProfileFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& text) {
  WriteRaw(section, key, utf8_ ? CodePageToUtf8(text) : text);
}

std::string ProfileFile::ReadPath(const std::string& section, const std::string& key) const {
  std::string value;
  if (!FindValue(section, key, &value)) return {};
  return utf8_ ? value : CodePageToUtf8(value);
}

bool ProfileFile::WritePath(const std::string& section, const std::string& key,
                            const std::string& utf8) {
  if (utf8_) {
    WriteRaw(section, key, utf8);
    return true;
  }
  CheckedCodePageText text = Utf8ToCodePageChecked(utf8, ActiveCodePage());
  if (!text.missing.empty()) return false;
  WriteRaw(section, key, text.bytes);
  return true;
}

void ProfileFile::WriteRaw(const std::string& section, const std::string& key,
                           const std::string& value) {
  const std::string raw = RawOf(value);
  size_t header = FindSection(section);
  if (header == npos) {
    if (!lines_.empty()) EndLastLine();
    lines_.push_back({"[" + section + "]", eol_});
    lines_.push_back({key + "=" + raw, eol_});
    return;
  }
  KeyLine at;
  if (FindKey(header, key, &at)) {
    Line& line = lines_[at.line];
    // A line that already says the same (perhaps quoted, or with blanks) is kept as it is.
    if (ValueOf(std::string_view(line.text).substr(at.eq + 1)) == value) return;
    line.text = line.text.substr(0, at.eq + 1) + raw;
    return;
  }
  size_t insert = SectionInsertPoint(header);
  if (insert == lines_.size()) EndLastLine();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), Line{key + "=" + raw, eol_});
}

void ProfileFile::EndLastLine() {
  std::string& end = lines_.back().end;
  if (end.empty())
    end = eol_;
  else if (end == "\r")
    end += "\n";  // the lone carriage return stays; a line feed makes it a line end for all
}

void ProfileFile::WriteInteger(const std::string& section, const std::string& key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::Commit() {
  // Replacing a file we could not read would throw away whatever it holds.
  if (unreadable_) throw AppError(FormatMessage(kWriteFailed, DisplayPath(path_)));
  WriteFileAtomically(path_, Bytes(), kWriteFailed);
}

std::string ProfileFile::Bytes() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.text;
    out += l.end;
  }
  return out;
}

}  // namespace vrkt
