#pragma once

namespace vrkt {

class Program;

// The loader list: script files, files and commands sent to the module step by step.
class Loader {
 public:
  explicit Loader(Program& program) : p_(program) {}
  void LoadListClick();
  void ClrListClick();
  void SendClick();
  void LoaderStep(int index);

 private:
  Program& p_;
};

}  // namespace vrkt
