#pragma once

#include <string>

namespace vrkt {

// The last known texts of the compound entries and of VOLTAGE.
struct HeldValues {
  std::string PARVRKT;
  std::string PARRL1;
  std::string TINPUTS;
  std::string SDATA;
  std::string VOLTAGE;
};

}  // namespace vrkt
