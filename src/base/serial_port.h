#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrkt {

// The line rate of every link to a unit, 115200 baud 8N1: bytes a second on the wire, each way.
inline constexpr int64_t kLineBytesPerSecond = 11520;

// The serial port as the protocol uses it. One instance for the whole run; the first command
// opens the port, asking the user which one when none is chosen yet.
class SerialPort {
 public:
  static constexpr size_t kOutputQueueSize = 64000;

  virtual ~SerialPort() = default;
  // Opens the port first if it is closed (may throw AppError). Queues all bytes and returns at
  // once. A write that does not fit into the free output space throws AppError.
  virtual void SendCommand(std::string_view bytes) = 0;
  // The oldest received byte; 0 while the port is closed.
  virtual unsigned char ReadByte() = 0;
  // Received bytes waiting to be read.
  virtual size_t BytesAvailable() = 0;
  // Free space in the output queue; the whole size when closed or drained.
  virtual size_t OutputFree() = 0;
  // True only while the port is open and CTS is on.
  virtual bool IsCtsOn() = 0;
  // Drives DTR when open; always remembers the value.
  virtual void SetDtr(bool on) = 0;
  virtual bool Dtr() const = 0;
  // Non-zero once a port has been chosen and opened.
  virtual int PortNumber() const = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  // Drops what waits in the output queue: a command held back by CTS must not reach the unit
  // long after it was given up.
  virtual void DiscardOutput() = 0;
};

struct PortInfo {
  std::string name;         // what opens it: "/dev/ttyUSB0", "COM3", "sim"
  std::string description;  // what the user reads: adapter name, "Simulated unit"
};

// One open connection to a unit: a real serial device or the simulated unit.
class PortConnection {
 public:
  virtual ~PortConnection() = default;
  virtual void Write(std::string_view bytes) = 0;
  // Bytes written but not yet on the wire.
  virtual size_t BytesToWrite() = 0;
  virtual size_t BytesAvailable() = 0;
  // Takes up to `max` received bytes.
  virtual size_t Read(char* buffer, size_t max) = 0;
  virtual bool Cts() = 0;
  virtual void SetDtr(bool on) = 0;
  // Drops the bytes written but not yet on the wire.
  virtual void DiscardOutput() = 0;
  // Empty while healthy; the reason once the connection has failed (adapter unplugged).
  virtual std::string Failure() { return {}; }
};

// Lists and opens ports. The Qt shell provides real serial ports; the simulated unit is always
// offered as well.
class PortProvider {
 public:
  virtual ~PortProvider() = default;
  virtual std::vector<PortInfo> ListPorts() = 0;
  // Opens a port by name (listed or typed); throws AppError with the reason on failure.
  virtual std::unique_ptr<PortConnection> Open(const std::string& name) = 0;
};

// The port-choice dialog: returns the chosen port's name, or nothing on Cancel.
class PortChooser {
 public:
  virtual ~PortChooser() = default;
  virtual std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                                const std::string& preselect) = 0;
};

}  // namespace vrkt
