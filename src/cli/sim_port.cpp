#include "cli/sim_port.h"

#include <cstdint>
#include <functional>
#include <optional>

#include "base/text.h"
#include "cli/fleet_options.h"
#include "cli/options.h"

namespace vrkt::cli {

namespace {

constexpr const char kSim[] = "sim";

// A labelled unit has an IMEI of its own, so that several simulated units tell apart in a table:
// the usual type code, a serial number from the label, and the Luhn check digit IMEIs end with.
std::string ImeiForLabel(const std::string& label) {
  uint32_t hash = 2166136261u;
  for (char c : label) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  std::string serial = std::to_string(hash % 1000000);
  std::string digits = "35693803" + std::string(6 - serial.size(), '0') + serial;
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    int d = digits[i] - '0';
    if (i % 2 == 1) d = d * 2 > 9 ? d * 2 - 9 : d * 2;
    sum += d;
  }
  return digits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

// Takes the settings of a simulated port into `config` (power-on values) or `unit` (faults and
// the SIM's contents); with neither it only checks them.
void ForEachSetting(const std::string& port, SimConfig* config, SimUnit* unit) {
  if (port == kSim) return;
  std::string rest = port.substr(4);
  size_t start = 0;
  bool fill = false;
  bool imei_given = false;
  std::string label;
  while (start <= rest.size()) {
    size_t comma = rest.find(',', start);
    if (comma == std::string::npos) comma = rest.size();
    const std::string item = rest.substr(start, comma - start);
    start = comma + 1;
    const size_t eq = item.find('=');
    if (eq == std::string::npos) {
      if (item == "full")
        fill = true;
      else if (label.empty())
        label = item;
      continue;
    }
    const std::string key = item.substr(0, eq);
    const std::string value = item.substr(eq + 1);
    auto number = [&](int lo, int hi) {
      std::optional<int> n = WholeNumber(value, lo, hi);
      if (!n)
        Usage("The simulated unit's " + key + " needs a whole number from " + std::to_string(lo) +
              " to " + std::to_string(hi) + ", not \"" + value + "\".");
      return *n;
    };
    if (key == "imei") {
      if (value.size() < 14 || value.size() > 17 ||
          value.find_first_not_of("0123456789") != std::string::npos)
        Usage("The simulated unit's imei needs 14 to 17 digits, not \"" + value + "\".");
      imei_given = true;
      if (config) config->imei = value;
    } else if (key == "write-ms") {
      int n = number(0, 10000);
      if (config) config->write_ms = n;
    } else if (key == "busy-after-ok") {
      int n = number(0, 10000);
      if (config) config->write_busy_after_ok_ms = n;
    } else if (key == "silent-after") {
      int n = number(0, 1000000);
      if (unit) unit->faults().silent_after_commands = n;
    } else if (key == "refuse-write") {
      int n = number(1, 1000000);
      if (unit) unit->faults().error_on.push_back("AT+CPBW=" + std::to_string(n) + ",");
    } else {
      Usage("The simulated unit has no setting \"" + key + "\" (port " + port + ").");
    }
  }
  if (!label.empty() && !imei_given && config) config->imei = ImeiForLabel(label);
  if (fill && unit) unit->card().FillFree();
}

}  // namespace

bool IsSimPort(const std::string& port) { return port == kSim || StartsWith(port, "sim:"); }

void CheckSimPort(const std::string& port) {
  if (IsSimPort(port)) ForEachSetting(port, nullptr, nullptr);
}

void ConfigureSimPort(const std::string& port, SimConfig config, SimUnit& unit) {
  ForEachSetting(port, &config, nullptr);
  unit.Configure(config);
  // The unit's faults and its SIM's contents come after the power-on state, which resets them.
  ForEachSetting(port, nullptr, &unit);
}

}  // namespace vrkt::cli
