#include "qt/serial_backend.h"

#include <QSerialPortInfo>

#include "base/error.h"
#include "sim/sim_unit.h"

namespace vrkt::qt {

QtSerialConnection::QtSerialConnection(std::function<void()> on_event)
    : on_event_(std::move(on_event)) {
  port_.setBaudRate(QSerialPort::Baud115200);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::HardwareControl);
  connect(&port_, &QSerialPort::readyRead, this, [this] {
    if (on_event_) on_event_();
  });
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialConnection::OnError);
}

QtSerialConnection::~QtSerialConnection() {
  if (port_.isOpen()) port_.close();
}

void QtSerialConnection::Open(const std::string& name) {
  port_.setPortName(QString::fromStdString(name));
  if (!port_.open(QIODevice::ReadWrite)) throw AppError(port_.errorString().toStdString());
  failure_.clear();
  SetDtr(false);
}

void QtSerialConnection::OnError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
      // An unplugged adapter or a closed pseudo-terminal keeps raising read errors while the
      // port stays open; close at once so the loop does not spin, and let the program report it.
      if (failure_.empty()) failure_ = port_.errorString().toStdString();
      if (failure_.empty()) failure_ = "the device stopped responding";
      if (port_.isOpen()) port_.close();
      if (on_event_) on_event_();
      break;
    default:
      break;
  }
}

void QtSerialConnection::Write(std::string_view bytes) {
  if (!port_.isOpen() || bytes.empty()) return;
  port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

size_t QtSerialConnection::BytesToWrite() {
  return port_.isOpen() ? static_cast<size_t>(port_.bytesToWrite()) : 0;
}

size_t QtSerialConnection::BytesAvailable() {
  return port_.isOpen() ? static_cast<size_t>(port_.bytesAvailable()) : 0;
}

size_t QtSerialConnection::Read(char* buffer, size_t max) {
  if (!port_.isOpen()) return 0;
  qint64 n = port_.read(buffer, static_cast<qint64>(max));
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool QtSerialConnection::Cts() {
  if (!port_.isOpen()) return false;
  QSerialPort::PinoutSignals s = port_.pinoutSignals();
  if (port_.error() == QSerialPort::UnsupportedOperationError) {
    // A pseudo-terminal has no modem lines at all; treat it as a unit that is always present,
    // so a pty-connected simulator can be used like a real port.
    port_.clearError();
    return true;
  }
  return s.testFlag(QSerialPort::ClearToSendSignal);
}

void QtSerialConnection::SetDtr(bool on) {
  if (!port_.isOpen()) return;
  port_.setDataTerminalReady(on);
  if (port_.error() == QSerialPort::UnsupportedOperationError) port_.clearError();
}

QtPortProvider::QtPortProvider(SimProvider& sim, std::function<void()> on_event)
    : sim_(sim), on_event_(std::move(on_event)) {}

std::vector<PortInfo> QtPortProvider::ListPorts() {
  std::vector<PortInfo> out;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#if defined(Q_OS_WIN)
    QString name = info.portName();
#else
    QString name = info.systemLocation();
#endif
    QString desc = info.description();
    if (!info.manufacturer().isEmpty() && !desc.contains(info.manufacturer()))
      desc = desc.isEmpty() ? info.manufacturer() : desc + " (" + info.manufacturer() + ")";
    out.push_back({name.toStdString(), desc.toStdString()});
  }
  for (PortInfo& p : sim_.ListPorts()) out.push_back(std::move(p));
  return out;
}

std::unique_ptr<PortConnection> QtPortProvider::Open(const std::string& name) {
  for (const PortInfo& p : sim_.ListPorts())
    if (p.name == name) return sim_.Open(name);
  auto connection = std::make_unique<QtSerialConnection>(on_event_);
  connection->Open(name);
  return connection;
}

}  // namespace vrkt::qt
