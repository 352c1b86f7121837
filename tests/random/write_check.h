#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/sim_card.h"

namespace vrkt {
class Program;
}

namespace vrkt::testing {

// The SIM's phone book, position 1 first.
using Card = std::vector<std::optional<SimEntry>>;
Card CardOf(const SimCard& card);
bool SameCard(const Card& a, const Card& b);

struct ExpectedEntry {
  std::string name;
  std::string value;
};

// What the SIM should hold after a complete write of the window as it stands: the reserved
// entries that have a value, then every grid row that can go on the wire.
std::vector<ExpectedEntry> ExpectedSim(Program& p);

// A write-all from the user's press of Save to its end.
struct WriteRecord {
  Card before;                       // the SIM when Save was pressed
  std::vector<ExpectedEntry> wanted;  // the window when Save was pressed
  size_t messages = 0;               // messages shown before
};

struct WriteVerdict {
  bool stopped = false;  // the write ended with "Writing to the unit stopped"
  std::string failure;   // the invariant it broke, or empty
};

// Judges a write that has ended, against the SIM and the window as they are now and the messages
// shown since it began. A stopped write must name exactly the positions it changed (when
// `check_message`); one that ended without saying so must leave the window on the SIM (when
// `check_success`). Edits made while a write runs may or may not reach the SIM, as the Service
// and Ports pages stay open, so a position may hold what the window held at the press of Save or
// at the end.
WriteVerdict JudgeFinishedWrite(Program& p, const SimCard& card, const WriteRecord& write,
                                const std::vector<std::string>& messages, bool check_message,
                                bool check_success);

}  // namespace vrkt::testing
