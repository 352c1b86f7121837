#pragma once

#include <string>

namespace vrkt {

class Program;

// Write-all and read-all of the whole parameter set and phone book.
class Transfer {
 public:
  explicit Transfer(Program& program) : p_(program) {}
  void SaveGDIClick();
  void LoadGDIClick();
  // The dispatcher calls these: each "OK" while write-all runs, and each phone-book entry line.
  void WriteAllStep();
  void SortEntry(const std::string& line);

 private:
  Program& p_;
};

}  // namespace vrkt
