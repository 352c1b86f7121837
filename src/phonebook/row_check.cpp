#include "phonebook/row_check.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "link/transfer_wire.h"
#include "params/entry_set.h"

namespace vrkt {

namespace {

bool IsControl(unsigned char c) { return c < 32 || c == 127; }

// "\",\" and a control character": each offending byte once, in order of appearance.
std::string ListBytes(std::string_view text, bool (*bad)(char)) {
  std::string seen;
  bool control = false;
  std::vector<std::string> parts;
  for (char ch : text) {
    if (!bad(ch)) continue;
    if (IsControl(static_cast<unsigned char>(ch))) {
      if (!control) parts.push_back("a control character");
      control = true;
    } else if (seen.find(ch) == std::string::npos) {
      seen.push_back(ch);
      parts.push_back("\"" + std::string(1, ch) + "\"");
    }
  }
  return JoinWithAnd(parts);
}

bool BadNumberChar(char c) { return !IsWireSafeValue(std::string_view(&c, 1)); }

bool BadNameChar(char c) {
  // "=" would split the row where the phone book keeps it ("name=number").
  return c == '=' || !IsWireSafeName(std::string_view(&c, 1));
}

std::string TooLong(std::string_view what, size_t has, int takes) {
  return std::string(what) + " has " + std::to_string(has) + " characters, this SIM takes " +
         std::to_string(takes);
}

}  // namespace

std::string JoinWithAnd(const std::vector<std::string>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += i + 1 == parts.size() ? " and " : ", ";
    out += parts[i];
  }
  return out;
}

std::vector<std::string> NumberProblems(std::string_view number, const SimLimits& limits) {
  std::vector<std::string> problems;
  if (!IsWireSafeValue(number))
    problems.push_back("number holds " + ListBytes(number, BadNumberChar) +
                       ", but a SIM number takes only digits, +, * and #");
  if (limits.number_length > 0 && number.size() > static_cast<size_t>(limits.number_length))
    problems.push_back(TooLong("number", number.size(), limits.number_length));
  return problems;
}

std::vector<std::string> NameProblems(std::string_view name, const Variant& variant,
                                      const SimLimits& limits) {
  std::vector<std::string> problems;
  if (std::any_of(name.begin(), name.end(), BadNameChar))
    problems.push_back("name holds " + ListBytes(name, BadNameChar) +
                       ", which cannot be sent to the SIM");
  if (limits.name_length > 0 && name.size() > static_cast<size_t>(limits.name_length))
    problems.push_back(TooLong("name", name.size(), limits.name_length));
  const ReservedEntry* reserved = FindReservedEntry(name);
  if (reserved && ReadInVariant(*reserved, variant))
    problems.push_back(std::string(name) +
                       " is a reserved name: the unit would take the row for one of its settings");
  return problems;
}

bool IsReservedRowName(std::string_view name) {
  // The parameter file's own keys for the two compound settings; every other key of a file is
  // the name of the unit's entry.
  static constexpr std::string_view kFileKeys[] = {"PARAMVRKT", "PARAMRL1"};
  auto same = [&](std::string_view key) {
    return key.size() == name.size() &&
           std::equal(key.begin(), key.end(), name.begin(), [](char k, char n) {
             return k == static_cast<char>(std::toupper(static_cast<unsigned char>(n)));
           });
  };
  if (std::any_of(std::begin(kFileKeys), std::end(kFileKeys), same)) return true;
  for (const ReservedEntry& e : ReservedEntries())
    if (same(e.name)) return true;
  return false;
}

std::string ReservedRowNameProblem(std::string_view name) {
  return std::string(name) + " is a name the unit or a parameter file uses for a setting";
}

std::vector<std::string> RowProblems(std::string_view name, std::string_view number,
                                     const Variant& variant, const SimLimits& limits) {
  if (name.empty() || number.empty()) return {};
  std::vector<std::string> problems = NumberProblems(number, limits);
  std::vector<std::string> more = NameProblems(name, variant, limits);
  problems.insert(problems.end(), more.begin(), more.end());
  return problems;
}

std::string DescribeRowProblems(int row, std::string_view name,
                                const std::vector<std::string>& problems) {
  return DescribeRowProblems("row " + std::to_string(row), name, problems);
}

std::string DescribeRowProblems(std::string_view where, std::string_view name,
                                const std::vector<std::string>& problems) {
  std::string out(where);
  out += " '" + Printable(name) + "': ";
  for (size_t i = 0; i < problems.size(); ++i) {
    if (i > 0) out += "; ";
    out += problems[i];
  }
  return out;
}

}  // namespace vrkt
