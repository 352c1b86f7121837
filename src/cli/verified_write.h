#pragma once

#include <string>
#include <vector>

#include "cli/compare.h"
#include "cli/sequences.h"
#include "cli/session.h"

namespace vrkt::cli {

// A write of the window's configuration, checked by reading the whole SIM back.
struct VerifiedWrite {
  ReadResult back;                // the last read-back
  std::vector<Difference> diffs;  // between the file's entries and `back`
  int written = 0;                // SIM positions written, every pass
  int already_right = 0;          // positions the first pass found holding their entry already
  bool changed_only = false;      // the first pass wrote only the positions that differed
  int pace_ms = 0;                // the first pass's pace
  int rewritten = 0;              // positions written again after the first read-back
  int repair_pace_ms = 0;         // their pace; 0 when there was no second pass
};

// Writes the window's configuration: only the positions that differ from what a write of every
// position would leave there (judged by the last reading), or every position with --all; then
// reads the whole SIM back and compares it with `expected`. Where the read-back differs (a
// reading that was wrong, a write the unit lost), the positions that still differ are written
// once more at the default pace and the SIM read back again; only that last read-back counts.
// --all writes once, as the window does, unless --pace auto asks for the second pass. Throws
// CliFailure when a write or a read-back fails.
VerifiedWrite WriteAndVerify(Session& s, const std::vector<UnitEntry>& expected);

// One line for the result: positions written and already right, and the pace.
std::string WriteSummary(const VerifiedWrite& w);

}  // namespace vrkt::cli
