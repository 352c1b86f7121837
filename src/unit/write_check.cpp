#include "unit/write_check.h"

#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "phonebook/phonebook.h"

namespace vrkt {

namespace {

std::string TooLongName(size_t have, int takes) {
  return "name has " + std::to_string(have) + " characters, this SIM takes " +
         std::to_string(takes);
}

}  // namespace

WritePlan CheckBeforeWriting(const Form1& form, const HeldValues& held, const Variant& variant,
                             const SimLimits& limits) {
  WritePlan plan;
  for (const WriteStep& step : WriteOrder()) {
    const std::string value = WriteValue(step, form, held, variant);
    if (value.empty()) continue;  // left out, as the write leaves it out
    ++plan.entries;
    const std::string name(step.entry);
    std::vector<std::string> why = NumberProblems(value, limits);
    if (limits.name_length > 0 && name.size() > static_cast<size_t>(limits.name_length))
      why.push_back(TooLongName(name.size(), limits.name_length));
    if (!why.empty())
      plan.problems.push_back("setting " + name + "=" + Printable(value) + ": " + JoinWithAnd(why));
  }
  const std::vector<std::string>& rows = form.PhoneBook1.rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    const std::string name(RowName(rows[i]));
    const std::string number(RowPhone(rows[i]));
    if (name.empty() && number.empty()) continue;  // a blank line holds nothing to lose
    if (name.empty() || number.empty()) {
      plan.skipped.push_back("row " + std::to_string(row) + " " +
                             (name.empty() ? "(no name) " + Printable(number)
                                           : "'" + Printable(name) + "' (no number)"));
      continue;
    }
    ++plan.entries;
    std::vector<std::string> why = RowProblems(name, number, variant, limits);
    if (!why.empty()) plan.problems.push_back(DescribeRowProblems(row, name, why));
  }
  if (limits.positions > 0 && plan.entries > limits.positions) {
    const int over = plan.entries - limits.positions;
    plan.problems.push_back("the settings and the phone book take " + std::to_string(plan.entries) +
                            " positions, this SIM has " + std::to_string(limits.positions) + ": " +
                            std::to_string(over) + (over == 1 ? " row has" : " rows have") +
                            " to go");
  }
  return plan;
}

std::vector<std::string> ListsWithoutValue(const Form1& f, const Variant& variant) {
  struct Need {
    const ListControl& list;
    std::string what;
    const Page& page;
  };
  const std::vector<Need> needs = {
      {f.TLtime, f.LabelPushForActivate.caption(), f.Emergency},
      {f.BLtime, f.LabelPortCloseForActivate.caption(), f.Emergency},
      {f.BLbtime, f.LabelBlockingCall.caption() + ": " + f.LabelTime.caption(), f.Emergency},
      {f.Tperiod, f.LabelPeriode.caption(), f.Service},
      {f.TShift, f.LabelShift.caption(), f.Service},
  };
  std::vector<std::string> missing;
  for (const Need& n : needs)
    if (!n.list.HasSelection()) missing.push_back(n.what + " (" + n.page.caption() + " page)");
  if (variant.IsDvg() && f.Rate.text().empty())
    missing.push_back(f.LabelBaudRate.caption() + " (" + f.Ports.caption() + " page)");
  return missing;
}

std::string ListedLines(const std::vector<std::string>& lines, size_t most) {
  std::string out;
  for (size_t i = 0; i < lines.size() && i < most; ++i) out += "\n  " + lines[i];
  if (lines.size() > most) out += "\n  and " + std::to_string(lines.size() - most) + " more";
  return out;
}

}  // namespace vrkt
