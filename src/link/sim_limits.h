#pragma once

namespace vrkt {

// What the SIM can hold, from its range reply "+CPBR: (1-250),40,16"; 0 = not known.
struct SimLimits {
  int positions = 0;
  int number_length = 0;
  int name_length = 0;
  friend bool operator==(const SimLimits&, const SimLimits&) = default;
};

}  // namespace vrkt
