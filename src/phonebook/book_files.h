#pragma once

#include <optional>
#include <string>

#include "base/variant.h"
#include "link/sim_limits.h"
#include "phonebook/book_formats.h"

namespace vrkt {

class Dialogs;
class PhoneBookEditor;

// The Phone Book page's Import and Export buttons: the grid's rows to and from the CSV and vCard
// files that spreadsheets and address books keep phone lists in.
class PhoneBookFiles {
 public:
  // `limits`: what the SIM takes, as the last read found it (nothing known before one).
  PhoneBookFiles(PhoneBookEditor& phonebook, Dialogs& dialogs, const Variant& variant,
                 const SimLimits& limits)
      : phonebook_(phonebook), dialogs_(dialogs), variant_(variant), limits_(limits) {}
  // Asks for a file, checks its rows as a write to the unit would (with the SIM's limits once
  // the unit has been read), lists the rows it refuses and the numbers to check, and asks
  // whether the others are merged into the grid, replace it or are added beside the rows of the
  // same name, or whether the file is read in another encoding (asked also when its bytes are
  // no text in the detected one). Then tells the counts of rows added, replaced, unchanged,
  // refused and left out.
  void ImportClick();
  // Asks for a file name and writes every row with a name and a number; the extension chooses
  // the format (CSV unless it is ".vcf"). For CSV it asks whether the numbers are written for
  // a spreadsheet.
  void ExportClick();

 private:
  std::optional<TextEncoding> AskEncoding(const std::string& question);
  PhoneBookEditor& phonebook_;
  Dialogs& dialogs_;
  const Variant& variant_;
  const SimLimits& limits_;
};

}  // namespace vrkt
