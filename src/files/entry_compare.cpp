#include "files/entry_compare.h"

#include <algorithm>
#include <map>

#include "base/codepage.h"
#include "base/text.h"

namespace vrkt {

std::vector<UnitEntry> EntriesOfParameterFile(const std::string& text) {
  std::vector<UnitEntry> entries;
  for (const std::string& line : SplitLines(text)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    UnitEntry e{line.substr(0, eq), line.substr(eq + 1)};
    if (e.name.empty() || e.value.empty()) continue;
    if (e.name == "PARAMVRKT") e.name = "PARVRKT";
    if (e.name == "PARAMRL1") e.name = "PARRL1";
    entries.push_back(std::move(e));
  }
  return entries;
}

std::vector<Difference> CompareEntries(const std::vector<UnitEntry>& expected,
                                       const std::vector<UnitEntry>& actual,
                                       const std::vector<std::string>& ignored) {
  // Values still unmatched on the unit, per name, in SIM order.
  std::map<std::string, std::vector<std::string>> unit;
  std::vector<std::string> unit_order;
  for (const UnitEntry& e : actual) {
    auto& values = unit[e.name];
    if (values.empty()) unit_order.push_back(e.name);
    values.push_back(e.value);
  }
  // Exact matches first, so that a row present twice is not paired with the wrong value.
  std::vector<bool> matched(expected.size(), false);
  for (size_t i = 0; i < expected.size(); ++i) {
    auto it = unit.find(expected[i].name);
    if (it == unit.end()) continue;
    auto v = std::find(it->second.begin(), it->second.end(), expected[i].value);
    if (v == it->second.end()) continue;
    it->second.erase(v);
    matched[i] = true;
  }
  std::vector<Difference> diffs;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (matched[i]) continue;
    auto it = unit.find(expected[i].name);
    if (it != unit.end() && !it->second.empty()) {
      diffs.push_back({Difference::kDifferent, expected[i].name, expected[i].value,
                       it->second.front()});
      it->second.erase(it->second.begin());
    } else {
      diffs.push_back({Difference::kMissing, expected[i].name, expected[i].value, {}});
    }
  }
  for (const std::string& name : unit_order) {
    if (std::find(ignored.begin(), ignored.end(), name) != ignored.end()) continue;
    for (const std::string& value : unit[name])
      diffs.push_back({Difference::kExtra, name, {}, value});
  }
  return diffs;
}

std::string FormatDifferences(const std::vector<Difference>& diffs,
                              const std::string& expected_word, bool utf8) {
  auto shown = [utf8](const std::string& text) { return utf8 ? CodePageToUtf8(text) : text; };
  size_t width = 4;
  for (const Difference& d : diffs) width = std::max(width, shown(d.name).size());
  width = std::min<size_t>(width, 24);
  std::string out;
  for (const Difference& d : diffs) {
    std::string name = shown(d.name);
    if (name.size() < width) name.resize(width, ' ');
    std::string expected = expected_word + " \"" + shown(d.expected) + "\"";
    std::string unit = "\"" + shown(d.actual) + "\"";
    switch (d.kind) {
      case Difference::kDifferent:
        out += "  " + name + "  " + expected + ", unit " + unit + "\n";
        break;
      case Difference::kMissing:
        out += "  " + name + "  " + expected + ", not on the unit\n";
        break;
      case Difference::kExtra:
        out += "  " + name + "  not " + (expected_word == "file" ? "in the file" : expected_word) +
               ", unit " + unit + "\n";
        break;
    }
  }
  return out;
}

}  // namespace vrkt
