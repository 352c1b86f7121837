#pragma once

namespace vrkt {

class Program;

// The Phone Book page's Import and Export buttons: the grid's rows to and from the CSV and vCard
// files that spreadsheets and address books keep phone lists in.
class PhoneBookFiles {
 public:
  explicit PhoneBookFiles(Program& program) : p_(program) {}
  // Asks for a file, checks its rows as a write to the unit would (with the SIM's limits once
  // the unit has been read), lists the rows it refuses and asks whether the others are
  // appended to the grid or replace it.
  void ImportClick();
  // Asks for a file name and writes every row with a name and a number; the extension chooses
  // the format (CSV unless it is ".vcf").
  void ExportClick();

 private:
  Program& p_;
};

}  // namespace vrkt
