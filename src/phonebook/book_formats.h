#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/book_columns.h"

// Phone lists as other programs keep them: CSV from spreadsheets and vCard from address books.
// Everything here works on UTF-8 text; the conversion to the SIM's code page and the checks of
// what a SIM can hold come after (book_import.h).
namespace vrkt {

// What a file's text is taken for.
struct TextEncoding {
  enum Kind { kUtf8, kUtf16Le, kUtf16Be, kCodePage };
  Kind kind = kUtf8;
  int code_page = 0;  // kCodePage: 1250 ... 1258
};
// "utf-8", "utf-16" (little-endian without a mark), "utf-16le", "utf-16be", "cp1250",
// "windows-1250" or "1250" (any letter case; "_" for "-"); nullopt for any other name.
std::optional<TextEncoding> ParseEncodingName(std::string_view name);
// For messages: "UTF-8", "UTF-16", "code page 1250".
std::string EncodingName(const TextEncoding& encoding);
// The names the user can give, for messages and help texts.
inline constexpr char kEncodingNames[] = "utf-8, utf-16le, utf-16be, cp1250 ... cp1258";

// A file's bytes as UTF-8 and what they were taken for.
struct DecodedText {
  std::string utf8;
  std::string encoding;  // for messages: "UTF-8", "UTF-16", "code page 1250"
  bool utf16 = false;    // the file was UTF-16, so its text says nothing of its own encoding
};
// A byte-order mark decides (UTF-8, UTF-16 in either byte order); without one, text whose zero
// bytes fall every second byte is UTF-16, text that is well-formed UTF-8 is taken as such, and
// anything else as 8-bit text in `code_page`. `forced` overrides all of that. Throws AppError
// when the bytes are neither UTF-8 nor plausibly the code page (a control byte, or a byte the
// code page leaves undefined), naming the first such byte and its line; likewise for a forced
// UTF-8 that is not.
DecodedText DecodeFileText(std::string_view bytes, int code_page,
                           std::optional<TextEncoding> forced = std::nullopt);

// One name and number as a file gave them, before any cleaning or check.
struct BookRecord {
  std::string where;  // "row 7" (the spreadsheet's row), "card 3", "card 3, number 2"
  std::string name;
  std::string number;
  std::string problem;  // the file itself is faulty here (a quoted field never closed)
  PhoneKind kind = PhoneKind::kAny;  // from the column, its label or the TYPE of a TEL line
  int contact = 0;  // records of one spreadsheet row or one card share it (counted from 1)
};

// CSV as spreadsheets write it: fields separated by commas, semicolons or tabs (the most frequent
// in the first line decides, or an Excel "sep=;" line), quoted fields with doubled quotes inside,
// CR LF or LF line ends. A line break inside a quoted name becomes a blank, since a row never
// holds one; blanks around unquoted fields are dropped; a spreadsheet's text formula ="..." is
// its text. A first row whose cells book_columns.h knows is the header: the name is the
// display-name column's, else first, middle and last name, else the organisation; every phone
// column gives a record per number, a cell holding several (" ::: " or line breaks between them)
// one each. Without a header the first column is the name and the second the number. Records
// with no text at all are left out. Throws AppError when a header names only names or only
// numbers and there is no other column to take for the other.
std::vector<BookRecord> ReadCsv(std::string_view utf8);
// A header "Name,Number", then one line per row; fields quoted where they need it; CR LF line
// ends; UTF-8 with a byte-order mark, which spreadsheet programs need to read UTF-8 at all.
struct BookRow {
  std::string name;
  std::string number;
};
// `for_spreadsheet`: every number is written as a text formula ="+420602555101", so that a
// spreadsheet keeps its "+" and leading zeros (ReadCsv takes it back).
std::string WriteCsv(const std::vector<BookRow>& utf8_rows, bool for_spreadsheet = false);

// vCard (4.0, 3.0, and the 2.1 that older phones write): one record per TEL line of a card,
// named by FN or, without one, by the parts of N, else by ORG. Folded lines, property groups and
// parameters ("item1.TEL;TYPE=CELL:", with the group's X-ABLabel), backslash escapes and
// quoted-printable values are understood. A card without a TEL line gives one record without a
// number, so that it can be reported.
// Works on the file's bytes: lines are unfolded first, then each value is decoded, so a fold
// inside a letter does no harm. A 3.0 or 4.0 card is UTF-8; a 2.1 card's value uses its CHARSET,
// else UTF-8 when its bytes are, else `code_page`. A value that is not what its card says gets
// the record a problem naming the line. `forced` takes every value in that encoding. A UTF-16
// file (with or without a mark) is made UTF-8 first. `encoding`, when given, gets what was used.
std::vector<BookRecord> ReadVcard(std::string_view bytes, int code_page,
                                  std::optional<TextEncoding> forced = std::nullopt,
                                  std::string* encoding = nullptr);
// One vCard 3.0 per row (BEGIN, VERSION, FN, N, TEL, END), text escaped, lines folded at 75
// bytes, CR LF line ends, UTF-8 without a byte-order mark (address books expect "BEGIN" first).
std::string WriteVcard(const std::vector<BookRow>& utf8_rows);

}  // namespace vrkt
