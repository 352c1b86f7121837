#include "phonebook/book_files.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "phonebook/book_import.h"
#include "phonebook/phonebook.h"
#include "ui/dialogs.h"

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
  std::optional<std::string> path =
      dialogs_.OpenFile({kOpenFilter, "", "", FileKind::kPhoneBookFiles});
  if (!path) return;
  const std::string bytes = ReadFileBytes(*path, "Cannot open file \"%s\". %s");
  const int code_page = ActiveCodePage();
  const std::string file = "\"" + FileNameOf(*path) + "\"";
  std::optional<TextEncoding> encoding;
  // Messages are built in UTF-8, where every refused character can be named, and shown in the
  // window's code page.
  for (;;) {
    BookImport in;
    try {
      in = ImportBook(bytes, BookFormatOf(*path, bytes), variant_, limits_, code_page, encoding);
    } catch (const AppError& e) {
      encoding = AskEncoding(Utf8ToCodePage(file + ": " + e.what() + "\n\nRead it as:"));
      if (!encoding) return;
      continue;
    }
    const std::string refused = RefusedList(in.refused, kRefusedShown);
    if (in.rows.empty()) {
      dialogs_.ShowMessage(Utf8ToCodePage(in.refused.empty()
                                              ? file + " holds no phone book rows."
                                              : "No row of " + file +
                                                    " can be put on the SIM, so nothing was "
                                                    "imported:" +
                                                    refused));
      return;
    }
    std::string question =
        RowCount(in.rows.size()) + " of " + file + " (" + in.encoding + ") can be imported.";
    if (!in.refused.empty())
      question += "\n\n" + RowCount(in.refused.size()) + " cannot be put on the SIM and " +
                  (in.refused.size() == 1 ? "is" : "are") + " left out:" + refused;
    if (!in.warnings.empty())
      question += "\n\nCheck these numbers:" + RefusedList(in.warnings, kRefusedShown);
    question +=
        "\n\nMerge the rows into the phone book (a name it has gets the new number), replace "
        "the phone book with them, or add them beside the rows of the same name?";
    const int answer =
        dialogs_.Ask(Utf8ToCodePage(question), {"Merge", "Replace", "Add", "Other encoding..."});
    if (answer < 0) return;
    if (answer == 3) {
      encoding = AskEncoding("Read " + Utf8ToCodePage(file) + " as:");
      if (!encoding) return;
      continue;
    }
    const MergeMode mode = answer == 1   ? MergeMode::kReplace
                           : answer == 2 ? MergeMode::kAdd
                                         : MergeMode::kMerge;
    MergedBook merged = MergeRows(phonebook_.rows(), in.rows, mode, limits_.name_length);
    phonebook_.SetRows(std::move(merged.rows));
    dialogs_.ShowMessage(Utf8ToCodePage("Imported " + file + " (" + in.encoding +
                                        "): " + ImportCounts(merged, in) + "."));
    return;
  }
}

std::optional<TextEncoding> PhoneBookFiles::AskEncoding(const std::string& question) {
  static constexpr const char* kChoices[] = {"UTF-8",  "UTF-16LE", "UTF-16BE", "CP1250",
                                             "CP1251", "CP1252",   "CP1257"};
  const int answer = dialogs_.Ask(question, {std::begin(kChoices), std::end(kChoices)});
  if (answer < 0 || answer >= static_cast<int>(std::size(kChoices))) return std::nullopt;
  return ParseEncodingName(kChoices[answer]);
}

void PhoneBookFiles::ExportClick() {
  int left_out = 0;
  std::vector<BookRow> rows = RowsForExport(phonebook_.rows(), left_out);
  if (rows.empty()) {
    dialogs_.ShowMessage("The phone book has no row with both a name and a number to export.");
    return;
  }
  std::optional<std::string> path =
      dialogs_.SaveFile({kSaveFilter, "csv", "", FileKind::kPhoneBookFiles});
  if (!path) return;
  const BookFormat format = BookFormatForPath(*path).value_or(BookFormat::kCsv);
  bool for_spreadsheet = false;
  if (format == BookFormat::kCsv) {
    const int answer = dialogs_.Ask(
        "Write the numbers so that a spreadsheet keeps their \"+\" and leading zeros (as "
        "=\"+420...\")? Address books read the plain CSV.",
        {"Plain CSV", "For a spreadsheet"});
    if (answer < 0) return;
    for_spreadsheet = answer == 1;
  }
  WriteFileAtomically(*path, ExportBook(rows, format, ActiveCodePage(), for_spreadsheet),
                      "Cannot create file \"%s\". %s");
  if (left_out > 0)
    dialogs_.ShowMessage(RowCount(static_cast<size_t>(left_out)) + " without a name or a number " +
                         (left_out == 1 ? "was" : "were") +
                         " not exported; a SIM cannot hold them.");
}

}  // namespace vrkt
