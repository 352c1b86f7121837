#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/variant.h"
#include "phonebook/book_formats.h"
#include "phonebook/row_check.h"

// Phone book rows to and from CSV and vCard files: the conversion between the SIM's 8-bit code
// page and the files' Unicode, the cleaning of numbers as spreadsheets leave them, and the row
// checks a SIM imposes. The window's buttons and the command line both come through here.
namespace vrkt {

enum class BookFormat { kCsv, kVcard };

// ".vcf" and ".vcard" are vCard, ".csv" and ".txt" CSV (either letter case); nullopt otherwise.
std::optional<BookFormat> BookFormatForPath(std::string_view path);
// The format of a file to import: its extension decides; without a known one, a file that holds
// "BEGIN:VCARD" is vCard and any other CSV.
BookFormat BookFormatOf(std::string_view path, std::string_view bytes);

// A number as spreadsheets and address books write it, made into what a SIM stores: blanks
// (also no-break ones), dashes, dots, slashes and parentheses are dropped, so "+420 602-555 101"
// and "(0602) 555.101" give "+420602555101" and "0602555101". Everything else stays, so that
// the row check can name what is left that a SIM does not take.
std::string CleanNumber(std::string_view utf8);

// The rows of a file to be imported.
struct BookImport {
  std::vector<BookRow> rows;  // 8-bit text in the code page, ready for the grid
  // One line per record that cannot be imported, in UTF-8: "row 7 'Jan Novák': no number".
  std::vector<std::string> refused;
  std::string encoding;  // what the file's text was taken for
};

// Reads a file's bytes: decodes them, cuts them into records, cleans the numbers, converts to
// `code_page` and checks every row as the write to the unit does. A record without a name or
// without a number is refused with the others; a record with neither is left out without a
// word (an empty spreadsheet row). Throws AppError for a file that cannot be read as `format`.
BookImport ImportBook(std::string_view bytes, BookFormat format, const Variant& variant,
                      const SimLimits& limits, int code_page);

// The file's bytes for these rows (8-bit text in `code_page`).
std::string ExportBook(const std::vector<BookRow>& rows, BookFormat format, int code_page);

// The phone book rows ("name=number", as the grid and parameter files hold them) that an export
// writes: those with both a name and a number, which are the rows a SIM can get at all. The
// others are counted in `left_out`.
std::vector<BookRow> RowsForExport(const std::vector<std::string>& row_texts, int& left_out);
// The phone book after an import: the imported rows after the old ones, or instead of them.
std::vector<std::string> RowsAfterImport(std::vector<std::string> old_rows,
                                         const std::vector<BookRow>& imported, bool replace);
// The refused lines for a message box: at most `max` of them, then how many more there are.
std::string RefusedList(const std::vector<std::string>& refused, size_t max);

}  // namespace vrkt
