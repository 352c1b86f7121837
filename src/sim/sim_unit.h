#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "base/clock.h"
#include "link/serial_port.h"

namespace vrkt {

// The simulated unit: a GSM module with its SIM and the unit's application at the far end of a
// simulated serial line. It works on the program's clock, so tests run it in virtual time.
class SimUnit {
 public:
  explicit SimUnit(const Clock& clock);
  // The bytes the PC wrote, as they come off the wire.
  void Receive(std::string_view bytes);
  // Replies whose time has come are moved to the PC's input queue.
  void Update();
  // Time of the next thing the unit will do, INT64_MAX when idle.
  int64_t NextEventMs() const;
  std::deque<char>& to_pc() { return to_pc_; }
  bool cts() const { return cts_; }
  void SetDtr(bool on) { dtr_ = on; }

 private:
  const Clock& clock_;
  std::string line_;
  std::deque<char> to_pc_;
  bool cts_ = true;
  bool dtr_ = false;
};

// A port provider that offers only the simulated unit, under the name "sim".
class SimProvider : public PortProvider {
 public:
  explicit SimProvider(const Clock& clock);
  ~SimProvider() override;
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;
  SimUnit& unit() { return *unit_; }

 private:
  std::shared_ptr<SimUnit> unit_;
};

}  // namespace vrkt
