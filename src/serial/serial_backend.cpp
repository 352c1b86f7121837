#include "serial/serial_backend.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTimer>

#include "base/error.h"

namespace vrkt::serial {

SerialConnection::SerialConnection(SerialProvider& provider, std::unique_ptr<QSerialPort> port)
    : provider_(provider), port_(std::move(port)) {
  provider_.active_ = this;
  QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
    if (provider_.options_.on_event) provider_.options_.on_event();
  });
  QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                   [this](QSerialPort::SerialPortError e) { OnError(e); });
}

SerialConnection::~SerialConnection() {
  if (provider_.active_ == this) provider_.active_ = nullptr;
  if (port_->isOpen()) port_->close();
}

void SerialConnection::OnError(QSerialPort::SerialPortError error) {
  if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
      error != QSerialPort::ResourceError)
    return;
  // A device that has gone fails reads and writes; the far end of a pseudo-terminal hanging up
  // looks the same.
  if (failure_.empty()) failure_ = kAdapterDisconnected;
  if (port_->isOpen()) port_->close();
  if (provider_.options_.on_event) provider_.options_.on_event();
}

void SerialConnection::Write(std::string_view bytes) {
  if (!port_->isOpen() || bytes.empty()) return;
  qint64 n = port_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (n != static_cast<qint64>(bytes.size()))
    throw AppError("Cannot write to the serial port: " + port_->errorString().toStdString());
}

void SerialConnection::DiscardOutput() {
  if (port_->isOpen()) port_->clear(QSerialPort::Output);
}

size_t SerialConnection::BytesToWrite() {
  return port_->isOpen() ? static_cast<size_t>(port_->bytesToWrite()) : 0;
}

size_t SerialConnection::BytesAvailable() {
  return port_->isOpen() ? static_cast<size_t>(port_->bytesAvailable()) : 0;
}

size_t SerialConnection::Read(char* buffer, size_t max) {
  if (!port_->isOpen()) return 0;
  qint64 n = port_->read(buffer, static_cast<qint64>(max));
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool SerialConnection::Cts() {
  if (!port_->isOpen()) return false;
  QSerialPort::PinoutSignals s = port_->pinoutSignals();
  if (!port_->isOpen()) return false;
  QSerialPort::SerialPortError error = port_->error();
  if (error == QSerialPort::NoError) return s.testFlag(QSerialPort::ClearToSendSignal);
  port_->clearError();
  return error == QSerialPort::UnsupportedOperationError && provider_.options_.cts_when_unknown;
}

void SerialConnection::SetDtr(bool on) {
  if (!port_->isOpen()) return;
  if (!port_->setDataTerminalReady(on)) port_->clearError();
}

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
      description +=
          (description.empty() ? "serial " : ", serial ") + info.serialNumber().toStdString();
    ports.push_back({name, description});
  }
  return ports;
}

std::string NoPermissionText(const QString& device) {
  QString group = QFileInfo(device).group();
  if (group.isEmpty()) group = QStringLiteral("dialout");
  return QStringLiteral(
             "Permission denied. Only members of the group \"%1\" that owns %2 may use it: "
             "add your user to that group (sudo usermod -a -G %1 $USER), then log out and in "
             "again.")
      .arg(group, device)
      .toStdString();
}

namespace {

// The reason a port did not open, in words that help the user.
std::string OpenFailure(const QSerialPort& port) {
#if defined(Q_OS_LINUX)
  if (port.error() == QSerialPort::PermissionError) {
    QString device = port.portName();
    if (!device.startsWith('/')) device.prepend(QStringLiteral("/dev/"));
    // Qt says "permission" also when another program holds the device's lock; only a device
    // this user may not read and write needs the group.
    QFileInfo info(device);
    if (info.exists() && !(info.isReadable() && info.isWritable())) return NoPermissionText(device);
  }
#endif
  return port.errorString().toStdString();
}

}  // namespace

std::unique_ptr<PortConnection> SerialProvider::Open(const std::string& name) {
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(QString::fromStdString(name));
  if (!port->open(QIODevice::ReadWrite)) throw AppError(OpenFailure(*port));
  bool ok = port->setBaudRate(QSerialPort::Baud115200) && port->setDataBits(QSerialPort::Data8) &&
            port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop) &&
            port->setFlowControl(options_.hardware_flow ? QSerialPort::HardwareControl
                                                        : QSerialPort::NoFlowControl);
  if (!ok) {
    std::string why = port->errorString().toStdString();
    port->close();
    throw AppError("cannot set 115200 baud, 8N1 and flow control: " + why);
  }
  port->clear();
  auto connection = std::make_unique<SerialConnection>(*this, std::move(port));
  connection->SetDtr(false);
  return connection;
}

void SerialProvider::WaitForData(int ms) {
  QSerialPort* port = active_ && active_->port().isOpen() ? &active_->port() : nullptr;
  RunEventsFor(port && port->bytesAvailable() > 0 ? 0 : ms, port);
}

void RunEventsFor(int ms, QSerialPort* port) {
  if (ms <= 0) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  if (port) {
    QObject::connect(port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
  }
  timer.start(ms);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vrkt::serial
