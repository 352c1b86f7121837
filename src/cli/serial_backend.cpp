#include "cli/serial_backend.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

#include "base/error.h"

namespace vrkt::cli {

class SerialConnection : public PortConnection {
 public:
  SerialConnection(SerialProvider& provider, std::unique_ptr<QSerialPort> port)
      : provider_(provider), port_(std::move(port)) {
    provider_.active_ = this;
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError e) {
                       // A hung-up device keeps failing reads while it stays open; the port
                       // service closes it once told.
                       if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError ||
                           e == QSerialPort::WriteError) {
                         if (failure_.empty()) failure_ = port_->errorString().toStdString();
                       }
                     });
  }
  ~SerialConnection() override {
    if (provider_.active_ == this) provider_.active_ = nullptr;
    port_->close();
  }

  void Write(std::string_view bytes) override {
    qint64 n = port_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size()))
      throw AppError("Cannot write to the serial port: " + port_->errorString().toStdString());
  }
  size_t BytesToWrite() override { return static_cast<size_t>(port_->bytesToWrite()); }
  size_t BytesAvailable() override { return static_cast<size_t>(port_->bytesAvailable()); }
  size_t Read(char* buffer, size_t max) override {
    qint64 n = port_->read(buffer, static_cast<qint64>(max));
    return n > 0 ? static_cast<size_t>(n) : 0;
  }
  bool Cts() override {
    QSerialPort::PinoutSignals s = port_->pinoutSignals();
    if (port_->error() != QSerialPort::NoError) {
      // No modem lines (pseudo-terminal, some adapters): CTS is unknown, which counts as off.
      port_->clearError();
      return false;
    }
    return (s & QSerialPort::ClearToSendSignal) != 0;
  }
  void SetDtr(bool on) override {
    if (!port_->setDataTerminalReady(on)) port_->clearError();
  }
  std::string Failure() override { return failure_; }

  QSerialPort& port() { return *port_; }

 private:
  SerialProvider& provider_;
  std::unique_ptr<QSerialPort> port_;
  std::string failure_;
};

std::vector<PortInfo> SerialProvider::ListPorts() {
  std::vector<PortInfo> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#if defined(_WIN32)
    std::string name = info.portName().toStdString();
#else
    std::string name = info.systemLocation().toStdString();
#endif
    std::string description = info.description().toStdString();
    std::string maker = info.manufacturer().toStdString();
    if (!maker.empty() && description.find(maker) == std::string::npos)
      description += description.empty() ? maker : " (" + maker + ")";
    if (!info.serialNumber().isEmpty())
      description += (description.empty() ? "serial " : ", serial ") +
                     info.serialNumber().toStdString();
    ports.push_back({name, description});
  }
  return ports;
}

std::unique_ptr<PortConnection> SerialProvider::Open(const std::string& name) {
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size())));
  if (!port->open(QIODevice::ReadWrite)) throw AppError(port->errorString().toStdString());
  bool ok = port->setBaudRate(QSerialPort::Baud115200) && port->setDataBits(QSerialPort::Data8) &&
            port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop) &&
            port->setFlowControl(hardware_flow_ ? QSerialPort::HardwareControl
                                                : QSerialPort::NoFlowControl);
  if (!ok) {
    std::string why = port->errorString().toStdString();
    port->close();
    throw AppError("cannot set 115200 baud, 8N1 and flow control: " + why);
  }
  port->clear();
  return std::make_unique<SerialConnection>(*this, std::move(port));
}

void SerialProvider::WaitForData(int ms) {
  if (!active_) {
    RunQtEventsFor(ms);
    return;
  }
  QSerialPort& port = active_->port();
  if (port.bytesAvailable() > 0 || ms <= 0) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
  QObject::connect(&port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void RunQtEventsFor(int ms) {
  if (ms <= 0) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vrkt::cli
