#pragma once

#include <cstdint>
#include <string>

namespace vrkt {

class Program;

// Cuts the unit's bytes into lines, logs them in the Monitor and dispatches them.
class LineReceiver {
 public:
  explicit LineReceiver(Program& program) : p_(program) {}
  void ApdComPort1TriggerAvail(uint16_t count);
  void LedTimerTimer();

 private:
  Program& p_;
};

}  // namespace vrkt
