#pragma once

namespace vrkt {

class Program;

// Parameter files (.vrk, .dvg) and the saved traffic log (.mon).
class PcFiles {
 public:
  explicit PcFiles(Program& program) : p_(program) {}
  void SaveClick();
  void LoadClick();
  void SaveMonitorClick();

 private:
  Program& p_;
};

}  // namespace vrkt
