#pragma once

namespace vrkt {

class Program;

// Write-all and read-all of the whole parameter set and phone book.
class Transfer {
 public:
  explicit Transfer(Program& program) : p_(program) {}
  void SaveGDIClick();
  void LoadGDIClick();

 private:
  Program& p_;
};

}  // namespace vrkt
