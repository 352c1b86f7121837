#include "sim/sim_unit.h"

#include <climits>

#include "base/error.h"

namespace vrkt {

SimUnit::SimUnit(const Clock& clock) : clock_(clock) {}

void SimUnit::Receive(std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\r') {
      if (!line_.empty()) {
        for (char r : std::string("\r\nOK\r\n")) to_pc_.push_back(r);
      }
      line_.clear();
    } else if (c != '\n') {
      line_.push_back(c);
    }
  }
}

void SimUnit::Update() {}

int64_t SimUnit::NextEventMs() const { return INT64_MAX; }

namespace {
class SimConnection : public PortConnection {
 public:
  explicit SimConnection(std::shared_ptr<SimUnit> unit) : unit_(std::move(unit)) {}
  void Write(std::string_view bytes) override { unit_->Receive(bytes); }
  size_t BytesToWrite() override { return 0; }
  size_t BytesAvailable() override { return unit_->to_pc().size(); }
  size_t Read(char* buffer, size_t max) override {
    size_t n = 0;
    while (n < max && !unit_->to_pc().empty()) {
      buffer[n++] = unit_->to_pc().front();
      unit_->to_pc().pop_front();
    }
    return n;
  }
  bool Cts() override { return unit_->cts(); }
  void SetDtr(bool on) override { unit_->SetDtr(on); }

 private:
  std::shared_ptr<SimUnit> unit_;
};
}  // namespace

SimProvider::SimProvider(const Clock& clock) : unit_(std::make_shared<SimUnit>(clock)) {}
SimProvider::~SimProvider() = default;

std::vector<PortInfo> SimProvider::ListPorts() { return {{"sim", "Simulated unit"}}; }

std::unique_ptr<PortConnection> SimProvider::Open(const std::string& name) {
  if (name != "sim") throw AppError("No such port: " + name);
  return std::make_unique<SimConnection>(unit_);
}

}  // namespace vrkt
