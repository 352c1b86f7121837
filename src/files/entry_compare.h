#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vrkt {

// One SIM phone book entry: its name and its number field.
struct UnitEntry {
  std::string name;
  std::string value;
  friend bool operator==(const UnitEntry&, const UnitEntry&) = default;
};

// The entries a parameter file puts on the SIM, in file order: every key=value line with a
// name and a value (write-all skips the others), the compound keys under their entry names.
std::vector<UnitEntry> EntriesOfParameterFile(const std::string& text);

struct Difference {
  enum Kind { kDifferent, kMissing, kExtra } kind;
  std::string name;
  std::string expected;  // empty for kExtra
  std::string actual;    // empty for kMissing
};

// Differences between what the file holds and what the unit holds, in file order, then what
// only the unit holds. Names are compared exactly; an entry that occurs several times (phone
// book rows) must occur as often on the unit. Entries named in `ignored` on the unit only are
// not reported.
std::vector<Difference> CompareEntries(const std::vector<UnitEntry>& expected,
                                       const std::vector<UnitEntry>& actual,
                                       const std::vector<std::string>& ignored);

// One line per difference, names aligned: "  MASTER2   file "+420111", unit "+420222"".
// `expected_word` names where the expected values come from ("file", "written"); `utf8`
// converts the text from the code page, for a terminal (a window converts on its own).
std::string FormatDifferences(const std::vector<Difference>& diffs,
                              const std::string& expected_word = "file", bool utf8 = true);

}  // namespace vrkt
