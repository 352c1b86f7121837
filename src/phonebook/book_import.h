#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"
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
// and "(0602) 555.101" give "+420602555101" and "0602555101"; a "(0)" after a country code goes
// ("+44 (0)20 7946 0000" gives "+442079460000"), and "00" before a country code becomes "+".
// Everything else stays, so that the row check can name what is left that a SIM does not take.
std::string CleanNumber(std::string_view utf8);
// The same, with the reason why the number cannot be dialled from a SIM at all: an extension
// ("x25", "ext. 25", ";ext=25", ",25": a SIM's phone book takes no pauses), or the exponent form
// a spreadsheet gives a long number ("4.20602E+11"), which has lost digits. `number` is then
// what comes before the extension.
struct CleanedNumber {
  std::string number;
  std::string problem;
};
CleanedNumber CleanDialNumber(std::string_view utf8);

// The rows of a file to be imported.
struct BookImport {
  std::vector<BookRow> rows;  // 8-bit text in the code page, ready for the grid
  // One line per record that cannot be imported, in UTF-8: "row 7 'Jan Novák': no number".
  std::vector<std::string> refused;
  // Rows imported all the same that may be damaged: a number that lost its "+" in a spreadsheet.
  std::vector<std::string> warnings;
  std::string encoding;  // what the file's text was taken for: "UTF-8", "code page 1250"
  int fax_or_pager = 0;  // numbers left out because they cannot take a call
  int repeated = 0;      // rows left out because the file has the same name and number before
};

// Reads a file's bytes: decodes them (`encoding` overrides the detection), cuts them into
// records, cleans the numbers, converts to `code_page` and checks every row as the write to the
// unit does, and refuses the names the unit or a parameter file uses for its settings in either
// family and letter case. A contact with several numbers gives one row per number, its name
// followed by the number's kind ("Jan Novák mob", "Jan Novák work"; a second of a kind "mob2"),
// the name shortened by whole words where the SIM's name length needs it. Fax and pager numbers
// are left out and counted, and so is a row the file has given already. A record without a
// name or without a number is refused with the others; a record with neither is left out
// without a word (an empty spreadsheet row). Throws AppError for a file that cannot be read as
// `format`.
BookImport ImportBook(std::string_view bytes, BookFormat format, const Variant& variant,
                      const SimLimits& limits, int code_page,
                      std::optional<TextEncoding> encoding = std::nullopt);

// The file's bytes for these rows (8-bit text in `code_page`). `for_spreadsheet` (CSV only)
// writes the numbers as text formulas that a spreadsheet keeps as they are.
std::string ExportBook(const std::vector<BookRow>& rows, BookFormat format, int code_page,
                       bool for_spreadsheet = false);

// How an import meets the rows there are: kMerge replaces the number of a row of the same name
// (letter case aside) and adds the others; kAdd keeps the old row and adds the new one with a
// number after its name ("Jan Novák 2"); kReplace drops the old rows first. A row that is there
// already, name and number, stays as it is in every mode but kReplace.
enum class MergeMode { kMerge, kAdd, kReplace };
struct MergedBook {
  std::vector<std::string> rows;
  int added = 0;
  int replaced = 0;
  int unchanged = 0;
  std::vector<size_t> added_at;  // the indexes in `rows` of the rows added, in order
};
MergedBook MergeRows(std::vector<std::string> old_rows, const std::vector<BookRow>& imported,
                     MergeMode mode, int name_length = 0);
// "3 added, 1 replaced, 2 unchanged, 1 refused, 2 left out (1 fax or pager number, 1 repeated
// row)": the counts an import reports, in the window and on the command line alike.
std::string ImportCounts(const MergedBook& merged, const BookImport& in);

// The phone book rows ("name=number", as the grid and parameter files hold them) that an export
// writes: those with both a name and a number, which are the rows a SIM can get at all. The
// others are counted in `left_out`.
std::vector<BookRow> RowsForExport(const std::vector<std::string>& row_texts, int& left_out);
// The refused lines for a message box: at most `max` of them, then how many more there are.
std::string RefusedList(const std::vector<std::string>& refused, size_t max);

}  // namespace vrkt
