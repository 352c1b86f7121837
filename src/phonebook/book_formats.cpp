#include "phonebook/book_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>

#include "base/codepage.h"
#include "base/error.h"

namespace vrkt {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// --- Text decoding.

std::string Utf16ToUtf8(std::string_view bytes, bool little_endian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](size_t i) -> char32_t {
    auto lo = static_cast<unsigned char>(bytes[i + (little_endian ? 0 : 1)]);
    auto hi = static_cast<unsigned char>(bytes[i + (little_endian ? 1 : 0)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out += Utf8Of(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    // A surrogate without its partner is no character; it must not pass silently.
    out += Utf8Of(u >= 0xD800 && u <= 0xDFFF ? U'\uFFFD' : u);
  }
  if (bytes.size() % 2 != 0) out += Utf8Of(U'\uFFFD');
  return out;
}

// --- Telling encodings apart.

// UTF-16 without a byte-order mark: Latin text has a zero byte in every second place. Returns
// whether it is little-endian, or nullopt when the bytes do not look like UTF-16.
std::optional<bool> Utf16WithoutMark(std::string_view bytes) {
  const size_t pairs = std::min<size_t>(bytes.size() / 2, 2048);
  if (pairs < 2) return std::nullopt;
  size_t even_zeros = 0, odd_zeros = 0;
  for (size_t i = 0; i < pairs; ++i) {
    even_zeros += bytes[2 * i] == '\0';
    odd_zeros += bytes[2 * i + 1] == '\0';
  }
  if (odd_zeros * 10 >= pairs * 4 && even_zeros * 20 < pairs) return true;
  if (even_zeros * 10 >= pairs * 4 && odd_zeros * 20 < pairs) return false;
  return std::nullopt;
}

// The offset of the first byte that cuts UTF-8 short, or nullopt when the text is UTF-8.
std::optional<size_t> FirstNonUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::nullopt;
  size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > bytes.size() || !IsValidUtf8(bytes.substr(i, len))) return i;
    i += len;
  }
  return i;
}

// Whether a byte is text in the code page: not a control byte (other than tab and line ends),
// nor one the code page leaves undefined (codepage_tables.h gives those C1 or private code
// points).
bool PlausibleCodePageByte(unsigned char b, int code_page) {
  if (b < 0x20) return b == '\t' || b == '\r' || b == '\n';
  if (b == 0x7F) return false;
  if (b < 0x80) return true;
  const std::string u = CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(&b), 1), code_page);
  // U+0080 ... U+009F are C2 80 ... C2 9F; U+F700 ... U+F7FF are EF 9C 80 ... EF 9F BF.
  if (u.size() == 2 && static_cast<unsigned char>(u[0]) == 0xC2 &&
      static_cast<unsigned char>(u[1]) < 0xA0)
    return false;
  if (u.size() == 3 && static_cast<unsigned char>(u[0]) == 0xEF &&
      static_cast<unsigned char>(u[1]) >= 0x9C && static_cast<unsigned char>(u[1]) <= 0x9F)
    return false;
  return true;
}

std::optional<size_t> FirstImplausibleByte(std::string_view bytes, int code_page) {
  std::array<bool, 256> ok{};
  for (int b = 0; b < 256; ++b) ok[static_cast<size_t>(b)] = PlausibleCodePageByte(static_cast<unsigned char>(b), code_page);
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!ok[static_cast<unsigned char>(bytes[i])]) return i;
  return std::nullopt;
}

// "line 4 holds the byte 0x81"
std::string BadByteAt(std::string_view bytes, size_t offset) {
  const size_t line = 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(bytes[offset])));
  return "line " + std::to_string(line) + " holds the byte " + hex;
}

// --- CSV.

struct CsvRecord {
  int row = 0;
  std::vector<std::string> fields;
  bool unclosed = false;
};

// The separator: a "sep=X" first line says it; otherwise the most frequent of comma, semicolon
// and tab outside quotes in the first line (a comma on a tie or when there is none).
char DetectSeparator(std::string_view& text) {
  if (text.size() >= 5 && (text.starts_with("sep=") || text.starts_with("SEP="))) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (line.size() == 5) {
      size_t next = end == std::string_view::npos ? text.size() : end + 1;
      if (next < text.size() && text[end] == '\r' && text[next] == '\n') ++next;
      const char sep = line[4];
      text.remove_prefix(next);
      return sep;
    }
  }
  int commas = 0, semicolons = 0, tabs = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\r' || c == '\n') break;
    commas += c == ',';
    semicolons += c == ';';
    tabs += c == '\t';
  }
  if (semicolons > commas && semicolons >= tabs) return ';';
  if (tabs > commas && tabs > semicolons) return '\t';
  return ',';
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::vector<CsvRecord> SplitCsv(std::string_view text, char sep) {
  std::vector<CsvRecord> records;
  CsvRecord record;
  std::string field;
  bool quoted = false;      // inside quotes now
  bool was_quoted = false;  // the field began with a quote
  size_t quote_end = 0;     // the field's length when its quotes closed
  int row = 1;

  auto end_field = [&] {
    if (!was_quoted) {
      field = std::string(TrimSpaces(field));
    } else {
      // Blanks between the closing quote and the separator belong to no one.
      std::string tail(TrimSpaces(std::string_view(field).substr(quote_end)));
      field.resize(quote_end);
      field += tail;
    }
    record.fields.push_back(std::move(field));
    field.clear();
    was_quoted = false;
  };
  auto end_record = [&] {
    end_field();
    record.row = row++;
    records.push_back(std::move(record));
    record = CsvRecord();
  };

  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field.push_back('"');
          ++i;
        } else {
          quoted = false;
          quote_end = field.size();
        }
      } else if (c == '\r' || c == '\n') {
        // Kept as a line break: in a cell of numbers it separates two of them.
        field.push_back('\n');
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        field.push_back(c);
      }
      continue;
    }
    if (c == '"' && !was_quoted && TrimSpaces(field).empty()) {
      field.clear();
      quoted = true;
      was_quoted = true;
    } else if (c == sep) {
      end_field();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_record();
    } else {
      field.push_back(c);
    }
  }
  if (quoted) {
    quote_end = field.size();
    record.unclosed = true;
  }
  if (quoted || !field.empty() || !record.fields.empty() || was_quoted) end_record();
  return records;
}

bool AllEmpty(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return f.empty(); });
}

// A spreadsheet's text formula ="+420602" stands for its text.
std::string FormulaText(std::string field) {
  if (field.size() < 3 || !field.starts_with("=\"") || field.back() != '"') return field;
  std::string inner = field.substr(2, field.size() - 3);
  std::string out;
  for (size_t i = 0; i < inner.size(); ++i) {
    out.push_back(inner[i]);
    if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
  }
  return out;
}

std::string LineBreaksAsBlanks(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// A cell of numbers: several are joined by " ::: " (a web address book's export) or stand on
// lines of their own.
std::vector<std::string> SplitNumbers(std::string_view cell) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= cell.size()) {
    size_t next_break = cell.find('\n', start);
    size_t next_join = cell.find(":::", start);
    size_t end = std::min(next_break, next_join);
    std::string_view piece = TrimSpaces(cell.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (!piece.empty()) out.emplace_back(piece);
    if (end == std::string_view::npos) break;
    start = end + (end == next_join ? 3 : 1);
  }
  return out;
}

struct CsvPhone {
  size_t column;
  PhoneKind kind;
  std::optional<size_t> label_column;  // Google's "Phone N - Label" beside "Phone N - Value"
};

struct CsvLayout {
  bool header = false;
  std::vector<size_t> display, first, middle, last, organisation;
  std::vector<CsvPhone> phones;
};

// The layout a first row gives: a header when any cell is a column name book_columns.h knows;
// otherwise the first column is the name and the second the number.
CsvLayout LayoutOf(const std::vector<std::string>& cells) {
  CsvLayout l;
  std::vector<std::optional<ColumnMeaning>> m;
  for (const std::string& c : cells) m.push_back(MeaningOfHeader(c));
  const bool last_names = std::any_of(m.begin(), m.end(), [](const auto& x) {
    return x && x->role == ColumnRole::kLastName;
  });
  for (size_t i = 0; i < m.size(); ++i) {
    if (!m[i]) continue;
    l.header = true;
    switch (m[i]->role) {
      case ColumnRole::kDisplayName:
        l.display.push_back(i);
        break;
      case ColumnRole::kNameOrFirst:
        (last_names ? l.first : l.display).push_back(i);
        break;
      case ColumnRole::kFirstName:
        l.first.push_back(i);
        break;
      case ColumnRole::kMiddleName:
        l.middle.push_back(i);
        break;
      case ColumnRole::kLastName:
        l.last.push_back(i);
        break;
      case ColumnRole::kOrganisation:
        l.organisation.push_back(i);
        break;
      case ColumnRole::kPhone:
        l.phones.push_back({i, m[i]->kind, std::nullopt});
        break;
      case ColumnRole::kPhoneValue: {
        CsvPhone p{i, PhoneKind::kAny, std::nullopt};
        for (size_t j = 0; j < m.size(); ++j)
          if (m[j] && m[j]->role == ColumnRole::kPhoneLabel && m[j]->number == m[i]->number)
            p.label_column = j;
        l.phones.push_back(p);
        break;
      }
      case ColumnRole::kPhoneLabel:
        break;
    }
  }
  if (!l.header) {
    l.display = {0};
    l.phones = {{1, PhoneKind::kAny, std::nullopt}};
    return l;
  }
  const bool names = !l.display.empty() || !l.first.empty() || !l.middle.empty() ||
                     !l.last.empty() || !l.organisation.empty();
  const bool numbers = !l.phones.empty();
  if (names && numbers) return l;
  if (!names && !numbers) {
    // Only label columns: no header that says where names and numbers are.
    throw AppError("The file's first row names no column of names and none of numbers (a "
                   "header such as \"Name;Number\" is expected).");
  }
  // "Kdo;Telefon": with two columns the one not named is the other.
  if (cells.size() == 2) {
    if (names) {
      const size_t name_col = !l.display.empty() ? l.display[0] : 0;
      l.phones = {{1 - std::min<size_t>(name_col, 1), PhoneKind::kAny, std::nullopt}};
    } else {
      l.display = {1 - std::min<size_t>(l.phones[0].column, 1)};
    }
    return l;
  }
  throw AppError(std::string("The file's first row names a column of ") +
                 (names ? "names but none of numbers" : "numbers but none of names") +
                 " (a header such as \"Name;Number\" is expected).");
}

std::string JoinParts(const std::vector<size_t>& columns, const std::vector<std::string>& cells,
                      std::string out = {}) {
  for (size_t c : columns) {
    if (c >= cells.size()) continue;
    std::string part(TrimSpaces(LineBreaksAsBlanks(cells[c])));
    if (part.empty()) continue;
    if (!out.empty()) out.push_back(' ');
    out += part;
  }
  return out;
}

std::string NameOfRow(const CsvLayout& l, const std::vector<std::string>& cells) {
  for (size_t c : l.display)
    if (c < cells.size() && !cells[c].empty()) return LineBreaksAsBlanks(cells[c]);
  std::string name = JoinParts(l.last, cells, JoinParts(l.middle, cells, JoinParts(l.first, cells)));
  return name.empty() ? JoinParts(l.organisation, cells) : name;
}

std::string CsvField(std::string_view text) {
  bool quote = text.find_first_of(",;\"\r\n") != std::string_view::npos ||
               (!text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                  text.front() == '\t' || text.back() == '\t'));
  if (!quote) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

// --- vCard.

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Whether `s` is `upper` in any letter case; the names of a vCard are ASCII.
bool EqualsUpper(std::string_view s, std::string_view upper) {
  if (s.size() != upper.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i] >= 'a' && s[i] <= 'z' ? static_cast<char>(s[i] - 'a' + 'A') : s[i];
    if (c != upper[i]) return false;
  }
  return true;
}

bool ContainsUpper(std::string_view s, std::string_view upper) {
  for (size_t i = 0; i + upper.size() <= s.size(); ++i)
    if (EqualsUpper(s.substr(i, upper.size()), upper)) return true;
  return false;
}

// Calls `each(text, line)` for every logical line, with the file line it starts on: physical
// lines joined where a folded line continues (a line that starts with a blank or a tab), and
// where a quoted-printable value ends in a soft line break ("="). Works on bytes, so that a fold
// inside a multi-byte letter joins the letter again before anything decodes it. The text handed
// over lives until the next call only.
template <typename Each>
void ForEachUnfoldedLine(std::string_view text, Each&& each) {
  std::string joined;        // the logical line when it spans physical lines
  std::string_view pending;  // the logical line so far, in `text` or in `joined`
  bool have = false, in_joined = false;
  int pending_line = 0;
  auto extend = [&](std::string_view more) {
    if (!in_joined) {
      joined.assign(pending);
      in_joined = true;
    }
    joined.append(more);
    pending = joined;
  };
  size_t pos = 0;
  int number = 0;
  while (pos <= text.size()) {
    ++number;
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::string_view line = text.substr(pos, end - pos);
    const bool folded = !line.empty() && (line.front() == ' ' || line.front() == '\t');
    if (have && folded) {
      extend(line.substr(1));
    } else if (have && pending.ends_with('=') && ContainsUpper(pending, "QUOTED-PRINTABLE")) {
      if (!in_joined) {
        joined.assign(pending);
        in_joined = true;
      }
      joined.pop_back();
      extend(line);
    } else if (!line.empty()) {
      if (have) each(pending, pending_line);
      pending = line;
      pending_line = number;
      have = true;
      in_joined = false;
    }
    if (end == text.size()) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  if (have) each(pending, pending_line);
}

// Backslash escapes of vCard text; a line break becomes a blank, since a row never holds one.
std::string Unescape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    char next = value[++i];
    out.push_back(next == 'n' || next == 'N' ? ' ' : next);
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == ',' || c == ';') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// Splits at the separators that are not escaped.
std::vector<std::string_view> SplitUnescaped(std::string_view value, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\') {
      ++i;
    } else if (value[i] == sep) {
      parts.push_back(value.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(value.substr(start));
  return parts;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '=' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
        HexDigit(value[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2])));
      i += 2;
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

// One content line: "group.NAME;PARAM=x;PARAM2:value".
// The properties a phone list needs, told apart once per line.
enum class Property { kOther, kBegin, kEnd, kVersion, kFn, kN, kOrg, kTel, kAbLabel };

struct ContentLine {
  Property property = Property::kOther;
  std::string group;       // upper case: "ITEM1" of "item1.TEL"
  std::string params;      // upper case, ";"-separated as written
  std::string_view value;  // in the line it was parsed from
  int line = 0;
};

std::optional<ContentLine> ParseContentLine(std::string_view line) {
  // The value starts after the first colon that no parameter value quotes.
  bool quoted = false;
  size_t colon = std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view head = line.substr(0, colon);
  size_t semi = head.find(';');
  std::string_view name = head.substr(0, semi);
  ContentLine c;
  if (size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    c.group = Upper(name.substr(0, dot));
    name.remove_prefix(dot + 1);
  }
  static const std::pair<std::string_view, Property> kProperties[] = {
      {"BEGIN", Property::kBegin}, {"END", Property::kEnd}, {"VERSION", Property::kVersion},
      {"FN", Property::kFn},       {"N", Property::kN},     {"ORG", Property::kOrg},
      {"TEL", Property::kTel},     {"X-ABLABEL", Property::kAbLabel}};
  for (const auto& [text, property] : kProperties)
    if (EqualsUpper(name, text)) c.property = property;
  if (semi != std::string_view::npos) c.params = Upper(head.substr(semi));
  c.value = line.substr(colon + 1);
  return c;
}

// ISO 8859-2, which older phones name as their CHARSET, differs from code page 1250 in these
// bytes; 0x80 ... 0x9F are controls there.
constexpr std::pair<unsigned char, char32_t> kIso88592[] = {
    {0xA1, U'Ą'}, {0xA5, U'Ľ'}, {0xA6, U'Ś'}, {0xA9, U'Š'}, {0xAB, U'Ť'},
    {0xAC, U'Ź'}, {0xAE, U'Ž'}, {0xB1, U'ą'}, {0xB5, U'ľ'}, {0xB6, U'ś'},
    {0xB7, U'ˇ'}, {0xB9, U'š'}, {0xBB, U'ť'}, {0xBC, U'ź'}, {0xBE, U'ž'},
};

std::string Iso88592ToUtf8(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    auto hit = std::find_if(std::begin(kIso88592), std::end(kIso88592),
                            [&](const auto& p) { return p.first == b; });
    if (hit != std::end(kIso88592)) {
      out += Utf8Of(hit->second);
    } else if (b >= 0x80 && b < 0xA0) {
      out += Utf8Of(b);
    } else {
      out += CodePageToUtf8(std::string_view(&ch, 1), 1250);
    }
  }
  return out;
}

// A value decoded, or why it cannot be.
struct VcardText {
  std::string utf8;
  std::string problem;
};

// How the values of one card are decoded.
struct CardDecoding {
  std::string version;  // "2.1", "3.0", "4.0", or empty when the card gives none
  int code_page = 1252;
  std::optional<TextEncoding> forced;
  bool utf16 = false;               // the file was UTF-16 and is UTF-8 now
  std::vector<std::string>* used;   // the encodings used, each once
};

void NoteUsed(const CardDecoding& d, const std::string& name) {
  if (std::find(d.used->begin(), d.used->end(), name) == d.used->end()) d.used->push_back(name);
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string LineLabel(int line) { return "line " + std::to_string(line); }

// The value's text as UTF-8: quoted-printable decoded, and its bytes taken as the card says.
VcardText ValueText(const ContentLine& c, const CardDecoding& d) {
  if (c.params.empty() || c.params.find("QUOTED-PRINTABLE") == std::string::npos) {
    if (IsAscii(c.value)) return {std::string(c.value), {}};
  }
  std::string bytes = c.params.find("QUOTED-PRINTABLE") != std::string::npos
                          ? DecodeQuotedPrintable(c.value)
                          : std::string(c.value);
  if (IsAscii(bytes)) return {std::move(bytes), {}};
  auto as_utf8 = [&](std::string_view why) -> VcardText {
    if (IsValidUtf8(bytes)) {
      NoteUsed(d, "UTF-8");
      return {std::move(bytes), {}};
    }
    return {{}, LineLabel(c.line) + " is not UTF-8" + std::string(why)};
  };
  auto as_code_page = [&](int page) -> VcardText {
    NoteUsed(d, "code page " + std::to_string(page));
    return {CodePageToUtf8(bytes, page), {}};
  };
  if (d.utf16) return as_utf8("");
  if (d.forced) {
    if (d.forced->kind != TextEncoding::kCodePage) return as_utf8("");
    if (FirstImplausibleByte(bytes, d.forced->code_page))
      return {{}, LineLabel(c.line) + " is not text in code page " +
                      std::to_string(d.forced->code_page)};
    return as_code_page(d.forced->code_page);
  }
  const size_t at = c.params.find("CHARSET=");
  if (at != std::string::npos) {
    std::string charset = c.params.substr(at + 8, c.params.find(';', at) - at - 8);
    std::erase(charset, '"');
    if (charset == "UTF-8" || charset == "UTF8") return as_utf8(", though its CHARSET says so");
    if (charset == "ISO-8859-2") {
      NoteUsed(d, "ISO 8859-2");
      return {Iso88592ToUtf8(bytes), {}};
    }
    if (charset == "ISO-8859-1" || charset == "US-ASCII") return as_code_page(1252);
    if (std::optional<TextEncoding> e = ParseEncodingName(charset))
      if (e->kind == TextEncoding::kCodePage) return as_code_page(e->code_page);
  }
  if (d.version == "3.0" || d.version == "4.0")
    return as_utf8(", which a vCard " + d.version + " must be");
  if (IsValidUtf8(bytes)) return as_utf8("");
  if (FirstImplausibleByte(bytes, d.code_page))
    return {{}, LineLabel(c.line) + " is neither UTF-8 nor text in code page " +
                    std::to_string(d.code_page)};
  return as_code_page(d.code_page);
}

// The kind of a TEL line: its TYPE values ("TEL;TYPE=CELL,VOICE", 2.1's bare "TEL;CELL"), or
// the label an address book gives its group ("item1.X-ABLabel:_$!<Mobile>!$_").
PhoneKind KindOfTel(std::string_view params, std::string_view group_label) {
  if (params.empty() && group_label.empty()) return PhoneKind::kAny;
  std::string types;
  for (std::string_view p : SplitUnescaped(params, ';')) {
    if (p.empty()) continue;
    size_t eq = p.find('=');
    if (eq == std::string_view::npos) {
      types += std::string(p) + ",";
    } else if (p.substr(0, eq) == "TYPE") {
      types += std::string(p.substr(eq + 1)) + ",";
    }
  }
  PhoneKind kind = KindOfLabel(types);
  if (kind == PhoneKind::kAny || kind == PhoneKind::kMain) {
    std::string label(group_label);
    for (std::string_view wrap : {"_$!<", ">!$_"})
      if (size_t at = label.find(wrap); at != std::string::npos) label.erase(at, wrap.size());
    if (PhoneKind from_label = KindOfLabel(label); from_label != PhoneKind::kAny) return from_label;
  }
  return kind;
}

// "a, b and c".
std::string JoinWords(const std::vector<std::string>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) out += i + 1 == words.size() ? " and " : ", ";
    out += words[i];
  }
  return out;
}

std::string NameFromN(std::string_view value) {
  // Family;Given;Additional;Prefixes;Suffixes, shown as "Prefixes Given Additional Family
  // Suffixes".
  std::vector<std::string_view> parts = SplitUnescaped(value, ';');
  parts.resize(5);
  std::string out;
  for (size_t i : {3, 1, 2, 0, 4}) {
    std::string part(TrimSpaces(Unescape(parts[i])));
    if (part.empty()) continue;
    if (!out.empty()) out.push_back(' ');
    out += part;
  }
  return out;
}

// Appends a content line folded at 75 bytes, never inside a UTF-8 sequence.
void AppendFolded(std::string& out, std::string_view line) {
  constexpr size_t kWidth = 75;
  size_t width = kWidth;
  while (line.size() > width) {
    size_t cut = width;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) cut = width;  // not UTF-8 after all: cut where the width says
    out.append(line.substr(0, cut)).append("\r\n ");
    line.remove_prefix(cut);
    width = kWidth - 1;  // the blank that starts a continuation counts
  }
  out.append(line).append("\r\n");
}

}  // namespace

std::optional<TextEncoding> ParseEncodingName(std::string_view name) {
  std::string n;
  for (char c : name) n.push_back(c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (n == "utf-8" || n == "utf8") return TextEncoding{TextEncoding::kUtf8};
  if (n == "utf-16" || n == "utf16" || n == "utf-16le" || n == "utf16le")
    return TextEncoding{TextEncoding::kUtf16Le};
  if (n == "utf-16be" || n == "utf16be") return TextEncoding{TextEncoding::kUtf16Be};
  for (std::string_view prefix : {"cp", "windows-", "cp-", ""}) {
    if (!n.starts_with(prefix)) continue;
    std::string digits = n.substr(prefix.size());
    if (digits.size() == 4 && std::all_of(digits.begin(), digits.end(), ::isdigit)) {
      int page = std::stoi(digits);
      if (page >= 1250 && page <= 1258) return TextEncoding{TextEncoding::kCodePage, page};
    }
  }
  return std::nullopt;
}

std::string EncodingName(const TextEncoding& e) {
  switch (e.kind) {
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      return "UTF-16";
    case TextEncoding::kCodePage:
      break;
  }
  return "code page " + std::to_string(e.code_page);
}

DecodedText DecodeFileText(std::string_view bytes, int code_page,
                           std::optional<TextEncoding> forced) {
  if (forced) {
    switch (forced->kind) {
      case TextEncoding::kUtf16Le:
      case TextEncoding::kUtf16Be: {
        const bool le = forced->kind == TextEncoding::kUtf16Le;
        if (bytes.starts_with(le ? "\xFF\xFE" : "\xFE\xFF")) bytes.remove_prefix(2);
        return {Utf16ToUtf8(bytes, le), "UTF-16", true};
      }
      case TextEncoding::kUtf8:
        if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(3);
        if (std::optional<size_t> bad = FirstNonUtf8(bytes))
          throw AppError("The file is not UTF-8: " + BadByteAt(bytes, *bad) + ".");
        return {std::string(bytes), "UTF-8"};
      case TextEncoding::kCodePage:
        if (std::optional<size_t> bad = FirstImplausibleByte(bytes, forced->code_page))
          throw AppError("The file is not text in " + EncodingName(*forced) + ": " +
                         BadByteAt(bytes, *bad) + ".");
        return {CodePageToUtf8(bytes, forced->code_page), EncodingName(*forced)};
    }
  }
  if (bytes.starts_with(kUtf8Bom)) return {std::string(bytes.substr(3)), "UTF-8"};
  if (bytes.starts_with("\xFF\xFE")) return {Utf16ToUtf8(bytes.substr(2), true), "UTF-16", true};
  if (bytes.starts_with("\xFE\xFF")) return {Utf16ToUtf8(bytes.substr(2), false), "UTF-16", true};
  if (std::optional<bool> le = Utf16WithoutMark(bytes))
    return {Utf16ToUtf8(bytes, *le), "UTF-16", true};
  if (IsValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
  if (std::optional<size_t> bad = FirstImplausibleByte(bytes, code_page))
    throw AppError("The file is neither UTF-8 nor text in code page " + std::to_string(code_page) +
                   ": " + BadByteAt(bytes, *bad) + ".");
  return {CodePageToUtf8(bytes, code_page), "code page " + std::to_string(code_page)};
}

std::vector<BookRecord> ReadCsv(std::string_view utf8) {
  std::string_view text = utf8;
  // A spreadsheet hides a "sep=" line: its rows are counted after it.
  const char sep = DetectSeparator(text);
  std::vector<CsvRecord> records = SplitCsv(text, sep);
  for (CsvRecord& r : records)
    for (std::string& f : r.fields) f = FormulaText(std::move(f));
  auto first_data =
      std::find_if(records.begin(), records.end(), [](const CsvRecord& r) { return !AllEmpty(r.fields); });
  if (first_data == records.end()) return {};

  CsvLayout layout = LayoutOf(first_data->fields);
  auto data_begin = layout.header ? first_data + 1 : first_data;
  std::vector<BookRecord> out;
  out.reserve(records.size());
  int contact = 0;
  for (auto it = data_begin; it != records.end(); ++it) {
    if (AllEmpty(it->fields) && !it->unclosed) continue;
    ++contact;
    const std::string where = "row " + std::to_string(it->row);
    const std::string name = NameOfRow(layout, it->fields);
    if (it->unclosed) {
      // What the open quote swallowed is shown as it stands.
      std::string number;
      if (!layout.phones.empty() && layout.phones.front().column < it->fields.size())
        number = LineBreaksAsBlanks(it->fields[layout.phones.front().column]);
      out.push_back({where, name, number,
                     "a quoted field is never closed, so the rest of the file is in it",
                     PhoneKind::kAny, contact});
      continue;
    }
    const size_t before = out.size();
    for (const CsvPhone& phone : layout.phones) {
      if (phone.column >= it->fields.size()) continue;
      PhoneKind kind = phone.kind;
      if (phone.label_column && *phone.label_column < it->fields.size())
        kind = KindOfLabel(it->fields[*phone.label_column]);
      for (std::string& number : SplitNumbers(it->fields[phone.column]))
        out.push_back({where, name, std::move(number), {}, kind, contact});
    }
    if (out.size() == before) out.push_back({where, name, {}, {}, PhoneKind::kAny, contact});
  }
  return out;
}

std::string WriteCsv(const std::vector<BookRow>& utf8_rows, bool for_spreadsheet) {
  std::string out(kUtf8Bom);
  out += "Name,Number\r\n";
  for (const BookRow& r : utf8_rows)
    out += CsvField(r.name) + "," +
           CsvField(for_spreadsheet ? "=\"" + r.number + "\"" : r.number) + "\r\n";
  return out;
}

std::vector<BookRecord> ReadVcard(std::string_view bytes, int code_page,
                                  std::optional<TextEncoding> forced, std::string* encoding) {
  std::vector<std::string> used;
  CardDecoding decoding{{}, code_page, forced, false, &used};
  std::string converted;
  std::string_view text = bytes;
  const bool forced_utf16 = forced && (forced->kind == TextEncoding::kUtf16Le ||
                                       forced->kind == TextEncoding::kUtf16Be);
  if (forced_utf16 || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
      (!forced && Utf16WithoutMark(bytes))) {
    DecodedText t = DecodeFileText(bytes, code_page, forced);
    converted = std::move(t.utf8);
    text = converted;
    decoding.utf16 = true;
    used.push_back("UTF-16");
  } else if (text.starts_with(kUtf8Bom)) {
    text.remove_prefix(3);
  }

  std::vector<BookRecord> out;
  out.reserve(text.size() / 64);
  int card = 0;
  bool in_card = false;
  // A card's values are decoded as its lines arrive once its VERSION is known; lines before it
  // wait for it (or for the card's end), with their text kept.
  bool version_read = false;
  std::vector<std::pair<ContentLine, std::string>> waiting;
  std::map<std::string, std::string> labels;  // group -> X-ABLABEL value
  struct Tel {
    std::string number;
    std::string group;  // the kind is told at the card's end, when every label is known
    std::string params;
    std::string problem;
  };
  std::vector<Tel> tels;
  std::string fn, n_name, org, problem;
  auto take = [&](ContentLine& c) {
    VcardText v = ValueText(c, decoding);
    if (c.property == Property::kTel) {
      std::string number(TrimSpaces(Unescape(v.utf8)));
      // vCard 4 writes numbers as "tel:" addresses.
      if (number.size() >= 4 && EqualsUpper(std::string_view(number).substr(0, 4), "TEL:"))
        number.erase(0, 4);
      tels.push_back(
          {std::move(number), std::move(c.group), std::move(c.params), std::move(v.problem)});
      return;
    }
    if (!v.problem.empty() && problem.empty()) problem = v.problem;
    if (c.property == Property::kFn) {
      // Not trimmed: blanks around a name are part of it on the SIM too.
      fn = Unescape(v.utf8);
    } else if (c.property == Property::kN) {
      n_name = NameFromN(v.utf8);
    } else if (org.empty()) {
      org = std::string(TrimSpaces(Unescape(SplitUnescaped(v.utf8, ';').front())));
    }
  };
  auto take_waiting = [&] {
    for (auto& [c, value] : waiting) {
      c.value = value;
      take(c);
    }
    waiting.clear();
  };
  auto start = [&] {
    in_card = true;
    ++card;
    decoding.version.clear();
    version_read = false;
    labels.clear();
    tels.clear();
    fn.clear();
    n_name.clear();
    org.clear();
    problem.clear();
  };
  auto finish = [&] {
    in_card = false;
    take_waiting();
    const std::string name = !fn.empty() ? fn : !n_name.empty() ? n_name : org;
    const std::string where = "card " + std::to_string(card);
    if (tels.empty()) out.push_back({where, name, {}, problem, PhoneKind::kAny, card});
    for (size_t i = 0; i < tels.size(); ++i) {
      std::string at = tels.size() == 1 ? where : where + ", number " + std::to_string(i + 1);
      std::string_view label;
      if (!tels[i].group.empty())
        if (auto it = labels.find(tels[i].group); it != labels.end()) label = it->second;
      out.push_back({at, name, std::move(tels[i].number),
                     problem.empty() ? std::move(tels[i].problem) : problem,
                     KindOfTel(tels[i].params, label), card});
    }
  };
  ForEachUnfoldedLine(text, [&](std::string_view line, int line_number) {
    std::optional<ContentLine> c = ParseContentLine(line);
    if (!c) return;
    c->line = line_number;
    if (c->property == Property::kBegin && EqualsUpper(TrimSpaces(c->value), "VCARD")) {
      if (in_card) finish();
      start();
      return;
    }
    if (!in_card) return;
    switch (c->property) {
      case Property::kEnd:
        finish();
        break;
      case Property::kVersion:
        // The first VERSION counts; a card gives one.
        if (!version_read) {
          decoding.version = std::string(TrimSpaces(c->value));
          version_read = true;
          take_waiting();
        }
        break;
      case Property::kAbLabel:
        if (!c->group.empty()) labels[c->group] = std::string(c->value);
        break;
      case Property::kFn:
      case Property::kN:
      case Property::kOrg:
      case Property::kTel:
        if (version_read) {
          take(*c);
        } else {
          std::string value(c->value);
          waiting.emplace_back(std::move(*c), std::move(value));
        }
        break;
      default:
        break;
    }
  });
  if (in_card) finish();
  if (encoding) {
    if (used.empty()) used.push_back(forced ? EncodingName(*forced) : "UTF-8");
    *encoding = JoinWords(used);
  }
  return out;
}

std::string WriteVcard(const std::vector<BookRow>& utf8_rows) {
  std::string out;
  for (const BookRow& r : utf8_rows) {
    out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    AppendFolded(out, "FN:" + Escape(r.name));
    AppendFolded(out, "N:" + Escape(r.name) + ";;;;");
    AppendFolded(out, "TEL:" + r.number);
    out += "END:VCARD\r\n";
  }
  return out;
}

}  // namespace vrkt
