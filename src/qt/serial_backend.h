#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/serial_port.h"
#include "serial/serial_backend.h"

namespace vrkt {
class ReplayProvider;
class SimProvider;
}  // namespace vrkt

namespace vrkt::qt {

// The ports the user can choose: every serial port the system lists, with its description, and
// always the simulated unit ("sim"). A device path typed by the user opens as well. Serial ports
// use RTS/CTS flow control; one without modem lines (a pseudo-terminal) counts as CTS on.
class QtPortProvider : public PortProvider {
 public:
  // `on_event` runs when data arrives or a serial port fails.
  QtPortProvider(SimProvider& sim, std::function<void()> on_event);
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;
  // Opens "replay:FILE" ports as a recorded unit played back.
  void set_replay(ReplayProvider* replay) { replay_ = replay; }

 private:
  SimProvider& sim_;
  ReplayProvider* replay_ = nullptr;
  serial::SerialProvider serial_;
};

}  // namespace vrkt::qt
