#pragma once

#include <string>
#include <string_view>
#include <vector>

// Phone lists as other programs keep them: CSV from spreadsheets and vCard from address books.
// Everything here works on UTF-8 text; the conversion to the SIM's code page and the checks of
// what a SIM can hold come after (book_import.h).
namespace vrkt {

// A file's bytes as UTF-8 and what they were taken for.
struct DecodedText {
  std::string utf8;
  std::string encoding;  // for messages: "UTF-8", "UTF-16", "code page 1250"
};
// A byte-order mark decides (UTF-8, UTF-16 in either byte order); without one, text that is
// well-formed UTF-8 is taken as such, and anything else as 8-bit text in `code_page`.
DecodedText DecodeFileText(std::string_view bytes, int code_page);

// One name and number as a file gave them, before any cleaning or check.
struct BookRecord {
  std::string where;  // "row 7" (the spreadsheet's row), "card 3", "card 3, number 2"
  std::string name;
  std::string number;
  std::string problem;  // the file itself is faulty here (a quoted field never closed)
};

// CSV as spreadsheets write it: fields separated by commas, semicolons or tabs (the most frequent
// in the first line decides, or an Excel "sep=;" line), quoted fields with doubled quotes inside,
// CR LF or LF line ends. A line break inside a quoted field becomes a blank, since a row never
// holds one; blanks around unquoted fields are dropped. A first row that names a name column
// and a number column (in English or Czech, in either order) is the header; without one the
// first column is the name and the second the number. Records with no text at all are left out.
// Throws AppError when a header names only one of the two columns and there is no other.
std::vector<BookRecord> ReadCsv(std::string_view utf8);
// A header "Name,Number", then one line per row; fields quoted where they need it; CR LF line
// ends; UTF-8 with a byte-order mark, which spreadsheet programs need to read UTF-8 at all.
struct BookRow {
  std::string name;
  std::string number;
};
std::string WriteCsv(const std::vector<BookRow>& utf8_rows);

// vCard (3.0, and the 2.1 that older phones write): one record per TEL line of a card, named by
// FN or, without one, by the parts of N. Folded lines, property groups and parameters
// ("item1.TEL;TYPE=CELL:"), backslash escapes and quoted-printable values are understood. A card
// without a TEL line gives one record without a number, so that it can be reported. Bytes of a
// quoted-printable value that are not UTF-8 are taken in `code_page`.
std::vector<BookRecord> ReadVcard(std::string_view utf8, int code_page);
// One vCard 3.0 per row (BEGIN, VERSION, FN, N, TEL, END), text escaped, lines folded at 75
// bytes, CR LF line ends, UTF-8 without a byte-order mark (address books expect "BEGIN" first).
std::string WriteVcard(const std::vector<BookRow>& utf8_rows);

}  // namespace vrkt
