#include <cstdlib>
#include <string>

#include "random/session_runner.h"

namespace vrkt::testing {

namespace {

struct InvariantName {
  const char* name;
  bool Invariants::*flag;
};

constexpr InvariantName kInvariantNames[] = {
    {"in_flight", &Invariants::one_command_in_flight},
    {"ends", &Invariants::sequences_end},
    {"write_matches", &Invariants::write_success_matches},
    {"write_message", &Invariants::failed_write_message},
    {"duplicates", &Invariants::no_duplicate_reserved},
    {"rows", &Invariants::rows_from_sources},
    {"buttons", &Invariants::buttons_follow_state},
    {"files", &Invariants::files_load_back},
    {"commands", &Invariants::commands_well_formed},
    {"uploads", &Invariants::uploads_intact},
    {"sim_sources", &Invariants::sim_from_sources},
};

}  // namespace

Invariants Invariants::Parse(const std::string& list) {
  Invariants inv;
  for (const InvariantName& n : kInvariantNames) inv.*n.flag = false;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    pos = comma == std::string::npos ? list.size() + 1 : comma + 1;
    const bool off = !item.empty() && item[0] == '-';
    if (off) item.erase(0, 1);
    if (item == "all") {
      inv = All();
    } else {
      for (const InvariantName& n : kInvariantNames)
        if (item == n.name) inv.*n.flag = !off;
    }
  }
  return inv;
}

Invariants Invariants::Chosen() {
  if (const char* list = std::getenv("VRKT_INVARIANTS"); list && *list) return Parse(list);
  return All();
}

std::string Invariants::Names() const {
  std::string out;
  for (const InvariantName& n : kInvariantNames)
    if (this->*n.flag) out += (out.empty() ? "" : ",") + std::string(n.name);
  return out.empty() ? "none" : out;
}

}  // namespace vrkt::testing
