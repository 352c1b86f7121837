#pragma once

#include <string>
#include <vector>

#include "base/variant.h"
#include "params/held_values.h"
#include "phonebook/row_check.h"
#include "ui/form.h"

namespace vrkt {

// What a write of the whole configuration would put on the SIM, checked before the first byte:
// an entry the SIM cannot hold stops a write half-done, so such entries are found first.
struct WritePlan {
  // Entries the SIM cannot store, one line each ("row 31 'Technical support desk': name has 22
  // characters, this SIM takes 16"). While there are any, nothing may be written.
  std::vector<std::string> problems;
  // Phone book rows left out because their name or number is empty, one line each.
  std::vector<std::string> skipped;
  // SIM positions the write fills with entries.
  int entries = 0;
};

// Checks every reserved value (after EncodeEntryValues) and every phone book row against the
// characters the module takes, the reserved names of the variant and the SIM's limits as far as
// they are known (0 = not known).
WritePlan CheckBeforeWriting(const Form1& form, const HeldValues& held, const Variant& variant,
                             const SimLimits& limits);

// The lists a write needs a value in that have none, as "Waiting for next (EMERGENCY page)".
// `waiting` without a selection is not among them: it stands for the unit's own 0 and is
// written back as such.
std::vector<std::string> ListsWithoutValue(const Form1& form, const Variant& variant);

// Lines for a message: each on its own line after two blanks, at most `most` of them, then "and
// N more".
std::string ListedLines(const std::vector<std::string>& lines, size_t most = 10);

}  // namespace vrkt
