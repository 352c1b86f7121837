#pragma once

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace vrkt {
class SimProvider;
}

namespace vrkt::qt {

// One open RS-232 port: 115200 8N1, RTS/CTS hardware flow control, DTR off once open.
class QtSerialConnection : public QObject, public PortConnection {
 public:
  // `on_event` runs when data arrives or the port fails; the owner services the program then.
  explicit QtSerialConnection(std::function<void()> on_event);
  ~QtSerialConnection() override;
  // Throws AppError with the system's reason when the port does not open.
  void Open(const std::string& name);

  void Write(std::string_view bytes) override;
  // Qt's own write buffer: bytes not yet handed to the system driver.
  size_t BytesToWrite() override;
  size_t BytesAvailable() override;
  size_t Read(char* buffer, size_t max) override;
  bool Cts() override;
  void SetDtr(bool on) override;
  std::string Failure() override { return failure_; }

 private:
  void OnError(QSerialPort::SerialPortError error);
  QSerialPort port_;
  std::function<void()> on_event_;
  std::string failure_;
};

// The ports the user can choose: every serial port the system lists, with its description, and
// always the simulated unit ("sim"). A device path typed by the user opens as well.
class QtPortProvider : public PortProvider {
 public:
  QtPortProvider(SimProvider& sim, std::function<void()> on_event);
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

 private:
  SimProvider& sim_;
  std::function<void()> on_event_;
};

}  // namespace vrkt::qt
