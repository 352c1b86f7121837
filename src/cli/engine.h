#pragma once

#include <cstdint>
#include <memory>

#include "base/clock.h"
#include "base/serial_port.h"

class QCoreApplication;

namespace vrkt {
class SimProvider;
}

namespace vrkt::cli {

// Time and the port backend the command runs on: the simulated unit in virtual time, or a real
// port (or the simulated unit) in wall-clock time.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual Clock& clock() = 0;
  virtual PortProvider& provider() = 0;
  // The simulated unit, or nullptr for a real port.
  virtual SimProvider* sim() = 0;
  // Lets time pass until `until_ms` at the latest; returns earlier when the port may have data.
  virtual void WaitUntil(int64_t until_ms) = 0;
};

// The simulated unit on a virtual clock: pauses and waits cost no wall time.
std::unique_ptr<Engine> MakeVirtualSimEngine();
// Wall-clock time on the Qt event loop; `sim` picks the simulated unit instead of a serial port.
// `hardware_flow` opens serial ports with RTS/CTS flow control.
std::unique_ptr<Engine> MakeLiveEngine(bool sim, bool hardware_flow);

// Qt's event loop needs an application object; this makes one when the process has none yet
// (the command line's main has none; a test or a host program may).
std::unique_ptr<QCoreApplication> MakeQtApplicationIfNone();

}  // namespace vrkt::cli
