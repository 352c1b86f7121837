#include "qt/serial_backend.h"

#include "sim/replay_unit.h"
#include "sim/sim_unit.h"

namespace vrkt::qt {

QtPortProvider::QtPortProvider(SimProvider& sim, std::function<void()> on_event)
    : sim_(sim),
      serial_({.hardware_flow = true, .cts_when_unknown = true, .on_event = std::move(on_event)}) {}

std::vector<PortInfo> QtPortProvider::ListPorts() {
  std::vector<PortInfo> out = serial_.ListPorts();
  for (PortInfo& p : sim_.ListPorts()) out.push_back(std::move(p));
  return out;
}

std::unique_ptr<PortConnection> QtPortProvider::Open(const std::string& name) {
  if (replay_ && ReplayProvider::IsReplayPort(name)) return replay_->Open(name);
  for (const PortInfo& p : sim_.ListPorts())
    if (p.name == name) return sim_.Open(name);
  return serial_.Open(name);
}

}  // namespace vrkt::qt
