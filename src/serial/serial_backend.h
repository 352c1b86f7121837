#pragma once

#include <QSerialPort>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/serial_port.h"

namespace vrkt::serial {

struct SerialOptions {
  // RTS/CTS flow control on the wire; off for ports without modem lines.
  bool hardware_flow = true;
  // What CTS reads as on a port that cannot report it (a pseudo-terminal has no modem lines).
  // The window counts it as on, so a pty-connected unit works like a real port; the command line
  // counts it as off, so that it can tell the user to switch the CTS watch off instead.
  bool cts_when_unknown = false;
  // Runs when data arrives or the port fails; the owner services the program then.
  std::function<void()> on_event;
};

class SerialConnection;

// Real serial ports with the link's fixed settings: 115200 baud, 8N1, DTR off once open. Needs a
// Qt application object. Lists only the system's ports; callers add the simulated unit.
class SerialProvider : public PortProvider {
 public:
  explicit SerialProvider(SerialOptions options) : options_(std::move(options)) {}
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

  // Runs the Qt event loop for up to `ms` milliseconds, returning as soon as the open port has
  // received data or failed. The port reads and writes in the background meanwhile.
  void WaitForData(int ms);

 private:
  friend class SerialConnection;
  SerialOptions options_;
  SerialConnection* active_ = nullptr;
};

// One open port. A read or resource failure (adapter unplugged, far end of a pty hung up) closes
// it at once and is kept as the reason: such a port would otherwise go on raising errors and
// keep the event loop spinning.
class SerialConnection : public PortConnection {
 public:
  SerialConnection(SerialProvider& provider, std::unique_ptr<QSerialPort> port);
  ~SerialConnection() override;

  // Throws AppError when the port takes fewer bytes than given.
  void Write(std::string_view bytes) override;
  // Qt's own write buffer: bytes not yet handed to the system driver.
  size_t BytesToWrite() override;
  void DiscardOutput() override;
  size_t BytesAvailable() override;
  size_t Read(char* buffer, size_t max) override;
  bool Cts() override;
  void SetDtr(bool on) override;
  std::string Failure() override { return failure_; }

  QSerialPort& port() { return *port_; }

 private:
  void OnError(QSerialPort::SerialPortError error);
  SerialProvider& provider_;
  std::unique_ptr<QSerialPort> port_;
  std::string failure_;
};

// What a failed connection reports once the device has gone (a USB adapter unplugged); the
// system's own text for it ("Inappropriate ioctl for device", "Input/output error") tells the
// user nothing.
inline constexpr char kAdapterDisconnected[] = "The serial adapter was disconnected";

// Why the serial device `device` (a path) could not be opened for lack of permission, and how
// to fix it: on Linux only members of the group that owns the device, usually "dialout", may.
std::string NoPermissionText(const QString& device);

// Runs the Qt event loop for `ms` milliseconds without user input: ports go on reading and
// writing and the window keeps painting, but none of the program's handlers run (they are never
// Qt slots). With `ms` <= 0 it only delivers what is pending. `port`, when given, ends the wait
// early on data or failure.
void RunEventsFor(int ms, QSerialPort* port = nullptr);

}  // namespace vrkt::serial
