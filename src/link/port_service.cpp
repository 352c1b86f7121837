#include "link/port_service.h"

#include <cctype>

#include "base/error.h"

namespace vrkt {

PortService::PortService(PortProvider& provider, PortChooser& chooser)
    : provider_(provider), chooser_(chooser) {}

PortService::~PortService() = default;

int PortService::NumberOfPort(const std::string& name) {
  if (name == "sim") return 99;
  size_t end = name.size();
  size_t b = end;
  while (b > 0 && std::isdigit(static_cast<unsigned char>(name[b - 1]))) --b;
  if (b == end) return 1;
  int n = 0;
  for (size_t i = b; i < end && n < 100000; ++i) n = n * 10 + (name[i] - '0');
  bool com = name.size() >= 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0);
  return com ? (n == 0 ? 1 : n) : n + 1;
}

void PortService::OpenNamed(const std::string& name) {
  Close();
  connection_ = provider_.Open(name);
  port_name_ = name;
  port_number_ = NumberOfPort(name);
  dtr_ = false;
  connection_->SetDtr(false);
}

void PortService::SetPreferredPorts(std::string configured, std::string last) {
  configured_ = std::move(configured);
  last_ = std::move(last);
}

std::string PortService::Preselection(const std::vector<PortInfo>& ports,
                                      const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    bool numeric = name.find_first_not_of("0123456789") == std::string::npos;
    for (const PortInfo& p : ports) {
      if (numeric ? std::to_string(NumberOfPort(p.name)) == name : p.name == name) return p.name;
    }
  }
  return {};
}

bool PortService::AskAndOpen(const std::string& first) {
  std::vector<PortInfo> ports = provider_.ListPorts();
  std::optional<std::string> chosen =
      chooser_.ChoosePort(ports, Preselection(ports, {first, configured_, last_}));
  if (!chosen || chosen->empty()) return false;
  try {
    OpenNamed(*chosen);
  } catch (const AppError& e) {
    throw AppError("Cannot open serial port " + *chosen + ": " + e.what());
  }
  last_ = *chosen;
  chosen_this_run_ = true;
  lost_ = false;
  return true;
}

void PortService::OpenByDialog() {
  if (lost_) throw AppError("No serial port is open. Choose one with Port....");
  if (!AskAndOpen({})) throw AppError("No serial port was chosen; the port stays closed.");
}

bool PortService::ChooseAnother() { return AskAndOpen(IsOpen() ? port_name_ : std::string()); }

void PortService::SendCommand(std::string_view bytes) {
  if (!connection_) OpenByDialog();
  if (bytes.size() > OutputFree())
    throw AppError("Output buffer overflow: " + std::to_string(bytes.size()) +
                   " bytes do not fit into the free " + std::to_string(OutputFree()) + " bytes.");
  connection_->Write(bytes);
}

unsigned char PortService::ReadByte() {
  if (!connection_) return 0;
  char c = 0;
  if (connection_->Read(&c, 1) != 1) return 0;
  return static_cast<unsigned char>(c);
}

size_t PortService::BytesAvailable() { return connection_ ? connection_->BytesAvailable() : 0; }

size_t PortService::OutputFree() {
  if (!connection_) return kOutputQueueSize;
  size_t pending = connection_->BytesToWrite();
  return pending >= kOutputQueueSize ? 0 : kOutputQueueSize - pending;
}

void PortService::DiscardOutput() {
  if (connection_) connection_->DiscardOutput();
}

bool PortService::IsCtsOn() { return connection_ && connection_->Cts(); }

void PortService::SetDtr(bool on) {
  dtr_ = on;
  if (connection_) connection_->SetDtr(on);
}

void PortService::Close() {
  connection_.reset();
}

std::string PortService::CheckFailure() {
  if (!connection_) return {};
  std::string why = connection_->Failure();
  if (why.empty()) return {};
  Close();
  lost_ = true;
  return why;
}

}  // namespace vrkt
