#include "cli/phonebook_commands.h"

#include "app/variant.h"
#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "cli/compare.h"
#include "cli/sequences.h"
#include "files/param_file.h"
#include "cli/verified_write.h"
#include "phonebook/book_import.h"
#include "phonebook/phonebook.h"

namespace vrkt::cli {

namespace {

std::string Rows(size_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

std::string ReadFile(const std::string& path, const std::string& what) {
  try {
    return ReadFileBytes(path, "Cannot open " + what + " \"%s\". %s");
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure, e.what());
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  try {
    WriteFileAtomically(path, bytes, "Cannot create file \"%s\". %s");
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure, e.what());
  }
}

std::optional<BookFormat> FormatOption(const Options& o) {
  if (o.book_format.empty()) return std::nullopt;
  return o.book_format == "vcard" ? BookFormat::kVcard : BookFormat::kCsv;
}

// Writes the rows to the export file and says what was written.
int Export(const Options& o, CliIo& io, const std::vector<std::string>& row_texts,
           const std::string& from) {
  int left_out = 0;
  std::vector<BookRow> rows = RowsForExport(row_texts, left_out);
  const BookFormat format =
      FormatOption(o).value_or(BookFormatForPath(o.operand).value_or(BookFormat::kCsv));
  WriteFile(o.operand, ExportBook(rows, format, ActiveCodePage()));
  io.out << "Exported " << Rows(rows.size()) << " of " << from << " to " << o.operand << ".\n";
  if (left_out > 0)
    io.out << Rows(static_cast<size_t>(left_out)) << " without a name or a number "
           << (left_out == 1 ? "was" : "were") << " left out; a SIM cannot hold them.\n";
  return kExitOk;
}

// Reads and checks the import file. Lists the rows it refuses; unless --skip-bad lets the others
// through, a refused row stops the import before anything has changed.
BookImport ReadImport(const Options& o, CliIo& io, const Variant& variant, const SimLimits& limits) {
  const std::string bytes = ReadFile(o.operand, "file");
  const BookFormat format = FormatOption(o).value_or(BookFormatOf(o.operand, bytes));
  BookImport in;
  try {
    in = ImportBook(bytes, format, variant, limits, ActiveCodePage());
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure, o.operand + ": " + e.what());
  }
  for (const std::string& line : in.refused) io.err << o.operand << ": " << line << "\n";
  if (in.rows.empty() && in.refused.empty())
    throw CliFailure(kExitFailure, o.operand + " holds no phone book rows; nothing was imported.");
  if (!in.refused.empty() && (!o.skip_bad || in.rows.empty()))
    throw CliFailure(kExitBadRows,
                     Rows(in.refused.size()) + " of " + o.operand +
                         " cannot be put on a SIM (listed above); nothing was imported." +
                         (in.rows.empty() ? "" : " Run with --skip-bad to import the other " +
                                                     Rows(in.rows.size()) + "."));
  return in;
}

std::string Imported(const Options& o, const BookImport& in, const std::string& into,
                     size_t had) {
  std::string text = "Imported " + Rows(in.rows.size()) + " of " + o.operand + " (" +
                     in.encoding + ") into " + into +
                     (o.replace ? ", replacing its " : ", after its ") + Rows(had);
  if (!in.refused.empty()) text += "; " + Rows(in.refused.size()) + " left out";
  return text;
}

std::optional<Family> FamilyOfParameterFile(const std::string& path) {
  const std::string lower = AsciiLower(path);
  if (EndsWith(lower, ".dvg")) return Family::DVG;
  if (EndsWith(lower, ".vrk")) return Family::VRKT;
  return std::nullopt;
}

// The family whose keys the parameter file holds: --variant, else the file's own type, else the
// program's name. Taken from the program's name alone, a DVG file handled by the VRKT program
// would have its port settings counted as phone book rows, and a --replace would drop them.
Variant FileVariant(const Options& o) {
  std::string name = o.program_name;
  if (!o.variant.empty()) {
    name = ProgramNameForVariant(o.variant);
  } else if (std::optional<Family> f = FamilyOfParameterFile(o.param_file)) {
    name = *f == Family::DVG ? "DVG1Cset" : "VRKTset";
  }
  return VariantFromFileName(FileNameOf(name));
}

}  // namespace

int PhoneBookFileCommand(const Options& o, CliIo& io) {
  const std::string params = ReadFile(o.param_file, "parameter file");
  const Variant variant = FileVariant(o);
  const std::vector<std::string> lines = SplitTextLines(params);
  const std::vector<bool> settings = SettingsLines(lines, variant);
  std::vector<std::string> book;
  for (size_t i = 0; i < lines.size(); ++i)
    if (!settings[i]) book.push_back(lines[i]);

  if (o.book_action == "export") return Export(o, io, book, o.param_file);

  // A parameter file tells nothing of the SIM it will go to: its limits are checked when the
  // file is written to a unit.
  BookImport in = ReadImport(o, io, variant, SimLimits{});
  std::string out;
  if (o.replace) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (settings[i]) out += lines[i] + "\r\n";
  } else {
    // The file stays as it is, byte for byte, with the rows after it.
    out = params;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
  }
  for (const std::string& row : RowsAfterImport({}, in.rows, false)) out += row + "\r\n";
  WriteFile(o.param_file, out);
  io.out << Imported(o, in, o.param_file, book.size()) << ".\n";
  return kExitOk;
}

int PhoneBookUnitCommand(Session& s) {
  const Options& o = s.options();
  Program& p = s.program();
  ReadWithRetries(s, 3, /*stop_first=*/true);
  if (o.book_action == "export") {
    s.ClearProgress();
    return Export(o, s.io(), s.form().PhoneBook1.rows(), "the unit's SIM");
  }

  BookImport in = ReadImport(o, s.io(), p.variant, p.op.sim_limits);
  // Written back as read: without the unit's settings entry there is nothing to write them from.
  if (!s.form().TLtime.HasSelection())
    throw CliFailure(kExitFailure, "The unit's SIM holds no settings entry (PARVRKT), so it cannot "
                                   "be written; nothing was imported.");
  const size_t had = s.form().PhoneBook1.rows().size();
  s.Run([&] { p.phonebook.SetRows(RowsAfterImport(s.form().PhoneBook1.rows(), in.rows, o.replace)); });
  std::vector<UnitEntry> expected = EntriesOfWindow(s);
  const VerifiedWrite w = WriteAndVerify(s, expected);
  const std::vector<Difference>& diffs = w.diffs;
  s.ClearProgress();
  s.io().out << WriteSummary(w) << "\n";
  if (!diffs.empty()) {
    s.io().out << "Differences between what was written and the unit after the write:\n"
               << FormatDifferences(diffs, "written");
    s.io().err << "The unit does not hold the imported phone book.\n";
    return kExitMismatch;
  }
  s.io().out << Imported(o, in, "the unit", had) << "; written and read back.\n";
  return kExitOk;
}

}  // namespace vrkt::cli
