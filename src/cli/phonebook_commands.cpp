#include "cli/phonebook_commands.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "base/variant.h"
#include "cli/compare.h"
#include "cli/sequences.h"
#include "cli/verified_write.h"
#include "files/param_file.h"
#include "link/transfer_wire.h"
#include "phonebook/book_import.h"
#include "phonebook/phonebook.h"
#include "sim/sim_unit.h"

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
  if (o.book_format == "sheet") return BookFormat::kCsv;
  return o.book_format == "vcard" ? BookFormat::kVcard : BookFormat::kCsv;
}

// Writes the rows to the export file and says what was written.
int Export(const Options& o, CliIo& io, const std::vector<std::string>& row_texts,
           const std::string& from) {
  int left_out = 0;
  std::vector<BookRow> rows = RowsForExport(row_texts, left_out);
  const BookFormat format =
      FormatOption(o).value_or(BookFormatForPath(o.operand).value_or(BookFormat::kCsv));
  WriteFile(o.operand, ExportBook(rows, format, ActiveCodePage(), o.book_format == "sheet"));
  io.out << "Exported " << Rows(rows.size()) << " of " << from << " to " << o.operand << ".\n";
  if (left_out > 0)
    io.out << Rows(static_cast<size_t>(left_out)) << " without a name or a number "
           << (left_out == 1 ? "was" : "were") << " left out; a SIM cannot hold them.\n";
  return kExitOk;
}

// Reads and checks the import file. Lists the rows it refuses; unless --skip-bad lets the others
// through, a refused row stops the import before anything has changed.
BookImport ReadImport(const Options& o, CliIo& io, const Variant& variant,
                      const SimLimits& limits) {
  const std::string bytes = ReadFile(o.operand, "file");
  const BookFormat format = FormatOption(o).value_or(BookFormatOf(o.operand, bytes));
  BookImport in;
  try {
    in = ImportBook(bytes, format, variant, limits, ActiveCodePage(),
                    o.book_encoding.empty() ? std::nullopt : ParseEncodingName(o.book_encoding));
  } catch (const AppError& e) {
    throw CliFailure(kExitFailure,
                     o.operand + ": " + e.what() +
                         (o.book_encoding.empty() ? " Name its encoding with --encoding (" +
                                                        std::string(kEncodingNames) + ")."
                                                  : ""));
  }
  for (const std::string& line : in.refused) io.err << o.operand << ": " << line << "\n";
  for (const std::string& line : in.warnings) io.err << o.operand << ": warning: " << line << "\n";
  if (in.rows.empty() && in.refused.empty())
    throw CliFailure(kExitFailure, o.operand + " holds no phone book rows; nothing was imported.");
  if (!in.refused.empty() && (!o.skip_bad || in.rows.empty()))
    throw CliFailure(kExitBadRows,
                     Rows(in.refused.size()) + " of " + o.operand +
                         " cannot be put on a SIM (listed above); nothing was imported." +
                         (in.rows.empty() ? ""
                                          : " Run with --skip-bad to import the other " +
                                                Rows(in.rows.size()) + "."));
  return in;
}

MergeMode ModeOf(const Options& o) {
  return o.replace ? MergeMode::kReplace : o.add ? MergeMode::kAdd : MergeMode::kMerge;
}

std::string Imported(const Options& o, const BookImport& in, const MergedBook& merged,
                     const std::string& into, size_t had) {
  return "Imported " + o.operand + " (" + in.encoding + ") into " + into +
         (o.replace ? ", replacing its " : ", which had ") + Rows(had) + ": " +
         ImportCounts(merged, in);
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

  // A parameter file tells nothing of the SIM it will go to: it is checked against the SIM the
  // command line names, or the simulated unit's.
  const SimConfig sim;
  const SimLimits limits{o.book_capacity > 0 ? o.book_capacity : sim.capacity,
                         o.book_number_length > 0 ? o.book_number_length : sim.number_length,
                         o.book_name_length > 0 ? o.book_name_length : sim.name_length};
  const bool own_limits = o.book_capacity > 0 || o.book_name_length > 0 || o.book_number_length > 0;
  const std::string sim_text =
      std::string(own_limits ? "a SIM of " : "the simulated unit's SIM, ") +
      std::to_string(limits.positions) + " positions, names of " +
      std::to_string(limits.name_length) + " and numbers of " +
      std::to_string(limits.number_length) + " characters";
  io.out << "Checked against " << sim_text << ".\n";
  BookImport in = ReadImport(o, io, variant, limits);
  MergedBook merged = MergeRows(book, in.rows, ModeOf(o), limits.name_length);
  // The settings take a position each; what is left is for the phone book.
  size_t settings_positions = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (settings[i] && !RowPhone(lines[i]).empty()) ++settings_positions;
  const size_t free = static_cast<size_t>(limits.positions) > settings_positions
                          ? static_cast<size_t>(limits.positions) - settings_positions
                          : 0;
  size_t used = 0;
  for (const std::string& row : merged.rows)
    if (!RowName(row).empty() && !RowPhone(row).empty()) ++used;
  if (used > free) {
    const size_t over = std::min(used - free, merged.added_at.size());
    std::vector<std::string> unfit;
    for (size_t k = merged.added_at.size() - over; k < merged.added_at.size(); ++k)
      unfit.push_back("'" + Printable(CodePageToUtf8(RowName(merged.rows[merged.added_at[k]]))) +
                      "': does not fit on the SIM");
    for (const std::string& line : unfit) io.err << o.operand << ": " << line << "\n";
    if (!o.skip_bad || over == 0)
      throw CliFailure(kExitBadRows,
                       "The phone book would have " + Rows(used) + ", but " + sim_text + " has " +
                           std::to_string(free) +
                           " left beside the settings (listed above); "
                           "nothing was imported." +
                           (over > 0 ? " Run with --skip-bad to import the rows that fit." : ""));
    for (size_t k = 0; k < over; ++k) {
      merged.rows.erase(merged.rows.begin() + static_cast<std::ptrdiff_t>(merged.added_at.back()));
      merged.added_at.pop_back();
      --merged.added;
    }
    in.refused.insert(in.refused.end(), unfit.begin(), unfit.end());
  }
  std::string out;
  if (o.replace) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (settings[i]) out += lines[i] + "\r\n";
    for (const std::string& row : merged.rows) out += row + "\r\n";
  } else if (merged.replaced == 0) {
    // The file stays as it is, byte for byte, with the rows after it.
    out = params;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    for (size_t k : merged.added_at) out += merged.rows[k] + "\r\n";
  } else {
    // Rows were replaced: the settings lines stay where they were, the phone book rows follow
    // them in their new state.
    size_t next = 0;
    for (size_t i = 0; i < lines.size(); ++i)
      out += (settings[i] ? lines[i] : merged.rows[next++]) + "\r\n";
    for (; next < merged.rows.size(); ++next) out += merged.rows[next] + "\r\n";
  }
  WriteFile(o.param_file, out);
  io.out << Imported(o, in, merged, o.param_file, book.size()) << ".\n";
  return kExitOk;
}

int PhoneBookUnitCommand(Session& s) {
  const Options& o = s.options();
  Program& p = s.program();
  if (o.book_action == "export") {
    ReadWithRetries(s, 3, /*stop_first=*/true);
    s.ClearProgress();
    return Export(o, s.io(), s.form().PhoneBook1.rows(), "the unit's SIM");
  }

  // The unit's settings and rows are written back with the imported ones: only a reading that a
  // second one confirms is good enough for that.
  ReadTwiceAgreeing(s, 3, /*stop_first=*/true, "nothing was imported or written.");
  BookImport in = ReadImport(o, s.io(), p.variant, p.op.sim_limits);
  // Written back as read: without the unit's settings entry there is nothing to write them from.
  if (!s.form().TLtime.HasSelection())
    throw CliFailure(kExitFailure,
                     "The unit's SIM holds no settings entry (PARVRKT), so it cannot "
                     "be written; nothing was imported.");
  const size_t had = s.form().PhoneBook1.rows().size();
  MergedBook merged =
      MergeRows(s.form().PhoneBook1.rows(), in.rows, ModeOf(o), p.op.sim_limits.name_length);
  s.Run([&] { p.phonebook.SetRows(merged.rows); });
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
  s.io().out << Imported(o, in, merged, "the unit", had) << "; written and read back.\n";
  return kExitOk;
}

}  // namespace vrkt::cli
