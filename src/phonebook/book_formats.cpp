#include "phonebook/book_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
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

// --- CSV.

// Letters with the accents of the header names we know, and their plain letters.
constexpr std::array<std::pair<std::string_view, char>, 40> kAccented = {{
    {"á", 'a'}, {"Á", 'a'}, {"ä", 'a'}, {"Ä", 'a'}, {"č", 'c'}, {"Č", 'c'}, {"ď", 'd'},
    {"Ď", 'd'}, {"é", 'e'}, {"É", 'e'}, {"ě", 'e'}, {"Ě", 'e'}, {"í", 'i'}, {"Í", 'i'},
    {"ĺ", 'l'}, {"Ĺ", 'l'}, {"ľ", 'l'}, {"Ľ", 'l'}, {"ň", 'n'}, {"Ň", 'n'}, {"ó", 'o'},
    {"Ó", 'o'}, {"ô", 'o'}, {"Ô", 'o'}, {"ř", 'r'}, {"Ř", 'r'}, {"š", 's'}, {"Š", 's'},
    {"ť", 't'}, {"Ť", 't'}, {"ú", 'u'}, {"Ú", 'u'}, {"ů", 'u'}, {"Ů", 'u'}, {"ý", 'y'},
    {"Ý", 'y'}, {"ž", 'z'}, {"Ž", 'z'}, {"ü", 'u'}, {"Ü", 'u'},
}};

// A header as plain lower-case letters and digits: "Telefonní číslo" gives "telefonnicislo".
std::string HeaderKey(std::string_view header) {
  std::string out;
  size_t i = 0;
  while (i < header.size()) {
    auto c = static_cast<unsigned char>(header[i]);
    if (c < 0x80) {
      if (std::isalnum(c)) out.push_back(static_cast<char>(std::tolower(c)));
      ++i;
      continue;
    }
    auto hit = std::find_if(kAccented.begin(), kAccented.end(),
                            [&](const auto& a) { return header.substr(i).starts_with(a.first); });
    if (hit != kAccented.end()) {
      out.push_back(hit->second);
      i += hit->first.size();
    } else {
      ++i;
    }
  }
  return out;
}

constexpr std::string_view kNameHeaders[] = {
    "name",     "fullname", "displayname", "contact",        "contactname",    "jmeno",
    "celejmeno", "jmenoaprijmeni", "prijmeniajmeno", "nazev", "kontakt", "meno",
};
constexpr std::string_view kNumberHeaders[] = {
    "number",  "phone",     "phonenumber", "telephone", "telephonenumber", "tel",
    "telno",   "mobile",    "mobilephone", "mobilenumber", "cell",      "cellphone",
    "cislo",   "telefon",   "telefonnicislo", "telefonnecislo", "telcislo", "mobil",
    "phone1value",
};

template <size_t N>
std::optional<size_t> FindColumn(const std::vector<std::string>& header,
                                 const std::string_view (&names)[N]) {
  for (size_t i = 0; i < header.size(); ++i) {
    std::string key = HeaderKey(header[i]);
    if (std::find(std::begin(names), std::end(names), key) != std::end(names)) return i;
  }
  return std::nullopt;
}

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
        field.push_back(' ');
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

// Physical lines joined where a folded line continues (a line that starts with a blank or a
// tab), and where a quoted-printable value ends in a soft line break ("=").
std::vector<std::string> UnfoldLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos
                                                                             : end - pos);
    const bool folded = !line.empty() && (line.front() == ' ' || line.front() == '\t');
    const bool soft_break = !lines.empty() && lines.back().ends_with('=') &&
                            Upper(lines.back()).find("QUOTED-PRINTABLE") != std::string::npos;
    if (!lines.empty() && folded) {
      lines.back().append(line.substr(1));
    } else if (soft_break) {
      lines.back().pop_back();
      lines.back().append(line);
    } else if (!line.empty()) {
      lines.emplace_back(line);
    }
    if (end == std::string_view::npos) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
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
struct ContentLine {
  std::string name;    // upper case, without its group
  std::string params;  // upper case, ";"-separated as written
  std::string value;
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
  if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
  ContentLine c;
  c.name = Upper(name);
  if (semi != std::string_view::npos) c.params = Upper(head.substr(semi));
  c.value = std::string(line.substr(colon + 1));
  return c;
}

// The value's text as UTF-8: quoted-printable decoded, and its bytes taken in the charset the
// parameters name, or as UTF-8 when they are UTF-8, or in the user's code page.
std::string ValueText(const ContentLine& c, int code_page) {
  if (c.params.find("QUOTED-PRINTABLE") == std::string::npos) return c.value;
  std::string bytes = DecodeQuotedPrintable(c.value);
  for (int page = 1250; page <= 1258; ++page)
    if (c.params.find("CHARSET=WINDOWS-" + std::to_string(page)) != std::string::npos)
      return CodePageToUtf8(bytes, page);
  return IsValidUtf8(bytes) ? bytes : CodePageToUtf8(bytes, code_page);
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

DecodedText DecodeFileText(std::string_view bytes, int code_page) {
  if (bytes.starts_with(kUtf8Bom)) return {std::string(bytes.substr(3)), "UTF-8"};
  if (bytes.starts_with("\xFF\xFE")) return {Utf16ToUtf8(bytes.substr(2), true), "UTF-16"};
  if (bytes.starts_with("\xFE\xFF")) return {Utf16ToUtf8(bytes.substr(2), false), "UTF-16"};
  if (IsValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
  return {CodePageToUtf8(bytes, code_page), "code page " + std::to_string(code_page)};
}

std::vector<BookRecord> ReadCsv(std::string_view utf8) {
  std::string_view text = utf8;
  // A spreadsheet hides a "sep=" line: its rows are counted after it.
  const char sep = DetectSeparator(text);
  std::vector<CsvRecord> records = SplitCsv(text, sep);
  auto first_data =
      std::find_if(records.begin(), records.end(), [](const CsvRecord& r) { return !AllEmpty(r.fields); });
  if (first_data == records.end()) return {};

  size_t name_col = 0, number_col = 1;
  auto data_begin = first_data;
  std::optional<size_t> name_header = FindColumn(first_data->fields, kNameHeaders);
  std::optional<size_t> number_header = FindColumn(first_data->fields, kNumberHeaders);
  if (name_header || number_header) {
    ++data_begin;
    const size_t columns = first_data->fields.size();
    if (name_header && number_header) {
      name_col = *name_header;
      number_col = *number_header;
    } else if (columns == 2) {
      name_col = name_header ? *name_header : 1 - *number_header;
      number_col = 1 - name_col;
    } else {
      throw AppError(std::string("The file's first row names a column of ") +
                     (name_header ? "names but none of numbers" : "numbers but none of names") +
                     " (a header such as \"Name;Number\" is expected).");
    }
  }

  std::vector<BookRecord> out;
  for (auto it = data_begin; it != records.end(); ++it) {
    if (AllEmpty(it->fields) && !it->unclosed) continue;
    BookRecord r;
    r.where = "row " + std::to_string(it->row);
    if (name_col < it->fields.size()) r.name = it->fields[name_col];
    if (number_col < it->fields.size()) r.number = it->fields[number_col];
    if (it->unclosed) r.problem = "a quoted field is never closed, so the rest of the file is in it";
    out.push_back(std::move(r));
  }
  return out;
}

std::string WriteCsv(const std::vector<BookRow>& utf8_rows) {
  std::string out(kUtf8Bom);
  out += "Name,Number\r\n";
  for (const BookRow& r : utf8_rows) out += CsvField(r.name) + "," + CsvField(r.number) + "\r\n";
  return out;
}

std::vector<BookRecord> ReadVcard(std::string_view utf8, int code_page) {
  std::vector<BookRecord> out;
  bool in_card = false;
  int card = 0;
  std::string fn, n_name;
  std::vector<std::string> numbers;
  auto finish = [&] {
    std::string name = fn.empty() ? n_name : fn;
    const std::string where = "card " + std::to_string(card);
    if (numbers.empty()) out.push_back({where, name, {}, {}});
    for (size_t i = 0; i < numbers.size(); ++i) {
      std::string at = numbers.size() == 1 ? where : where + ", number " + std::to_string(i + 1);
      out.push_back({at, name, numbers[i], {}});
    }
    in_card = false;
  };
  for (const std::string& line : UnfoldLines(utf8)) {
    std::optional<ContentLine> c = ParseContentLine(line);
    if (!c) continue;
    if (c->name == "BEGIN" && Upper(TrimSpaces(c->value)) == "VCARD") {
      if (in_card) finish();
      in_card = true;
      ++card;
      fn.clear();
      n_name.clear();
      numbers.clear();
      continue;
    }
    if (!in_card) continue;
    if (c->name == "END") {
      finish();
    } else if (c->name == "FN") {
      // Not trimmed: blanks around a name are part of it on the SIM too.
      fn = Unescape(ValueText(*c, code_page));
    } else if (c->name == "N") {
      n_name = NameFromN(ValueText(*c, code_page));
    } else if (c->name == "TEL") {
      std::string number(TrimSpaces(Unescape(ValueText(*c, code_page))));
      // vCard 4 writes numbers as "tel:" addresses.
      if (Upper(number.substr(0, 4)) == "TEL:") number.erase(0, 4);
      numbers.push_back(std::move(number));
    }
  }
  if (in_card) finish();
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
