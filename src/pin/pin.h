#pragma once

#include <string>

namespace vrkt {

class Program;

// Switching the SIM's PIN request off and changing the PIN.
class PinHandler {
 public:
  explicit PinHandler(Program& program) : p_(program) {}
  void UNPINClick();
  void CodePINClick();

 private:
  Program& p_;
};

}  // namespace vrkt
