#include "phonebook/book_import.h"

#include <cctype>
#include <cstdio>

#include "base/codepage.h"
#include "phonebook/phonebook.h"

namespace vrkt {

namespace {

// What people put between the digits of a phone number, in UTF-8: blanks, no-break and thin
// blanks, dashes of every length, dots, slashes and parentheses.
constexpr std::string_view kNumberDecoration[] = {
    " ", "\t", "-", ".", "/", "(", ")",
    "\xC2\xA0",      // no-break space
    "\xE2\x80\x87",  // figure space
    "\xE2\x80\x89",  // thin space
    "\xE2\x80\xAF",  // narrow no-break space
    "\xE2\x80\x90",  // hyphen
    "\xE2\x80\x91",  // non-breaking hyphen
    "\xE2\x80\x92",  // figure dash
    "\xE2\x80\x93",  // en dash
};

// "\"Ł\" (U+0141)": the character and its number, since a message in an 8-bit code page can
// show only the number of a character the code page lacks.
std::string CharacterLabel(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  return "\"" + Utf8Of(c) + "\" (" + code + ")";
}

std::string CharacterList(const std::vector<char32_t>& chars) {
  std::vector<std::string> labels;
  for (char32_t c : chars) labels.push_back(CharacterLabel(c));
  return JoinWithAnd(labels);
}

void AddConverted(std::vector<std::string>& to, const std::vector<std::string>& from,
                  int code_page) {
  for (const std::string& p : from) to.push_back(CodePageToUtf8(p, code_page));
}

}  // namespace

std::optional<BookFormat> BookFormatForPath(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
    return std::nullopt;
  std::string ext(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "vcf" || ext == "vcard") return BookFormat::kVcard;
  if (ext == "csv" || ext == "txt") return BookFormat::kCsv;
  return std::nullopt;
}

BookFormat BookFormatOf(std::string_view path, std::string_view bytes) {
  if (std::optional<BookFormat> f = BookFormatForPath(path)) return *f;
  std::string head(bytes.substr(0, 4096));
  for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // A UTF-16 file has a zero byte between the letters; look at the letters alone.
  std::erase(head, '\0');
  return head.find("BEGIN:VCARD") != std::string::npos ? BookFormat::kVcard : BookFormat::kCsv;
}

std::string CleanNumber(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    bool dropped = false;
    for (std::string_view d : kNumberDecoration) {
      if (utf8.substr(i).starts_with(d)) {
        i += d.size();
        dropped = true;
        break;
      }
    }
    if (!dropped) out.push_back(utf8[i++]);
  }
  return out;
}

BookImport ImportBook(std::string_view bytes, BookFormat format, const Variant& variant,
                      const SimLimits& limits, int code_page) {
  BookImport result;
  DecodedText text = DecodeFileText(bytes, code_page);
  result.encoding = text.encoding;
  std::vector<BookRecord> records =
      format == BookFormat::kCsv ? ReadCsv(text.utf8) : ReadVcard(text.utf8, code_page);

  const std::string page = std::to_string(code_page);
  for (const BookRecord& r : records) {
    if (!r.problem.empty()) {
      result.refused.push_back(DescribeRowProblems(r.where, r.name, {r.problem}));
      continue;
    }
    const std::string number = CleanNumber(r.number);
    if (r.name.empty() && number.empty()) continue;

    std::vector<std::string> problems;
    if (r.name.empty()) problems.push_back("no name");
    if (number.empty()) problems.push_back("no number");
    CheckedCodePageText name = Utf8ToCodePageChecked(r.name, code_page);
    CheckedCodePageText num = Utf8ToCodePageChecked(number, code_page);
    if (!name.missing.empty())
      problems.push_back("name holds " + CharacterList(name.missing) + ", which code page " +
                         page + " cannot hold");
    if (!num.missing.empty())
      problems.push_back("number holds " + CharacterList(num.missing) +
                         ", but a SIM number takes only digits, +, * and #");
    else if (!number.empty())
      AddConverted(problems, NumberProblems(num.bytes, limits), code_page);
    if (!r.name.empty()) AddConverted(problems, NameProblems(name.bytes, variant, limits), code_page);

    if (problems.empty())
      result.rows.push_back({std::move(name.bytes), std::move(num.bytes)});
    else
      result.refused.push_back(DescribeRowProblems(r.where, r.name, problems));
  }
  return result;
}

std::string ExportBook(const std::vector<BookRow>& rows, BookFormat format, int code_page) {
  std::vector<BookRow> utf8;
  utf8.reserve(rows.size());
  for (const BookRow& r : rows)
    utf8.push_back({CodePageToUtf8(r.name, code_page), CodePageToUtf8(r.number, code_page)});
  return format == BookFormat::kCsv ? WriteCsv(utf8) : WriteVcard(utf8);
}

std::vector<BookRow> RowsForExport(const std::vector<std::string>& row_texts, int& left_out) {
  std::vector<BookRow> rows;
  left_out = 0;
  for (const std::string& text : row_texts) {
    std::string_view name = RowName(text);
    std::string_view number = RowPhone(text);
    if (name.empty() || number.empty()) {
      ++left_out;
      continue;
    }
    rows.push_back({std::string(name), std::string(number)});
  }
  return rows;
}

std::vector<std::string> RowsAfterImport(std::vector<std::string> old_rows,
                                         const std::vector<BookRow>& imported, bool replace) {
  if (replace) old_rows.clear();
  old_rows.reserve(old_rows.size() + imported.size());
  for (const BookRow& r : imported) old_rows.push_back(MakeRow(r.name, r.number));
  return old_rows;
}

std::string RefusedList(const std::vector<std::string>& refused, size_t max) {
  std::string out;
  for (size_t i = 0; i < refused.size() && i < max; ++i) out += "\n" + refused[i];
  if (refused.size() > max)
    out += "\n... and " + std::to_string(refused.size() - max) + " more";
  return out;
}

}  // namespace vrkt
