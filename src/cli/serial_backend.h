#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace vrkt::cli {

class SerialConnection;

// Real serial ports through QSerialPort, with the link's fixed settings: 115200 baud, 8N1,
// RTS/CTS flow control unless the port has no modem lines. Needs a QCoreApplication.
class SerialProvider : public PortProvider {
 public:
  explicit SerialProvider(bool hardware_flow) : hardware_flow_(hardware_flow) {}
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

  // Runs the Qt event loop for up to `ms` milliseconds, returning as soon as the open port has
  // received data or failed. The port reads and writes in the background meanwhile.
  void WaitForData(int ms);

 private:
  friend class SerialConnection;
  bool hardware_flow_;
  SerialConnection* active_ = nullptr;
};

// Runs the Qt event loop for `ms` milliseconds: the port keeps reading and writing, but nothing
// of the program runs (its handlers are never Qt slots).
void RunQtEventsFor(int ms);

}  // namespace vrkt::cli
