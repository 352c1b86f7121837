#include "phonebook/book_files.h"

#include "app/program.h"
#include "base/codepage.h"
#include "base/file_io.h"
#include "phonebook/book_import.h"

namespace vrkt {

namespace {

constexpr char kOpenFilter[] =
    "Phone lists (*.csv;*.vcf;*.txt)|*.csv;*.vcf;*.txt|CSV files (*.csv)|*.csv|"
    "vCard files (*.vcf)|*.vcf";
constexpr char kSaveFilter[] = "CSV files (*.csv)|*.csv|vCard files (*.vcf)|*.vcf";
// A message box has room for a screenful; the rest is counted.
constexpr size_t kRefusedShown = 15;

std::string RowCount(size_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

}  // namespace

void PhoneBookFiles::ImportClick() {
  std::optional<std::string> path = p_.dialogs().OpenFile({kOpenFilter, "", ""});
  if (!path) return;
  const std::string bytes = ReadFileBytes(*path, "Cannot open file \"%s\". %s");
  const int code_page = ActiveCodePage();
  BookImport in = ImportBook(bytes, BookFormatOf(*path, bytes), p_.variant, p_.op.sim_limits,
                             code_page);
  // Messages are built in UTF-8, where every refused character can be named, and shown in the
  // window's code page.
  const std::string file = "\"" + FileNameOf(*path) + "\"";
  const std::string refused = RefusedList(in.refused, kRefusedShown);
  if (in.rows.empty()) {
    p_.dialogs().ShowMessage(Utf8ToCodePage(
        in.refused.empty() ? file + " holds no phone book rows."
                           : "No row of " + file + " can be put on the SIM, so nothing was "
                             "imported:" + refused));
    return;
  }
  std::string question = RowCount(in.rows.size()) + " of " + file + " can be imported.";
  if (!in.refused.empty())
    question += "\n\n" + RowCount(in.refused.size()) + " cannot be put on the SIM and " +
                (in.refused.size() == 1 ? "is" : "are") + " left out:" + refused;
  question += "\n\nAppend the rows to the phone book, or replace the phone book with them?";
  const int answer = p_.dialogs().Ask(Utf8ToCodePage(question), {"Append", "Replace"});
  if (answer < 0) return;
  p_.phonebook.SetRows(RowsAfterImport(p_.form.PhoneBook1.rows(), in.rows, answer == 1));
}

void PhoneBookFiles::ExportClick() {
  int left_out = 0;
  std::vector<BookRow> rows = RowsForExport(p_.form.PhoneBook1.rows(), left_out);
  if (rows.empty()) {
    p_.dialogs().ShowMessage("The phone book has no row with both a name and a number to export.");
    return;
  }
  std::optional<std::string> path = p_.dialogs().SaveFile({kSaveFilter, "csv", ""});
  if (!path) return;
  const BookFormat format = BookFormatForPath(*path).value_or(BookFormat::kCsv);
  WriteFileAtomically(*path, ExportBook(rows, format, ActiveCodePage()),
                      "Cannot create file \"%s\". %s");
  if (left_out > 0)
    p_.dialogs().ShowMessage(RowCount(static_cast<size_t>(left_out)) +
                             " without a name or a number " + (left_out == 1 ? "was" : "were") +
                             " not exported; a SIM cannot hold them.");
}

}  // namespace vrkt
