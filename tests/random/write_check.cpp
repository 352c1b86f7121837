#include "random/write_check.h"

#include <algorithm>
#include <cstdlib>

#include "app/program.h"
#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "params/mapping.h"
#include "support/session_checks.h"
#include "support/wire_checks.h"

namespace vrkt::testing {

namespace {

bool Same(const std::optional<SimEntry>& a, const std::optional<SimEntry>& b) {
  if (!a || !b) return !a && !b;
  return a->text == b->text && a->number == b->number && a->type == b->type;
}

std::string EntryText(const std::optional<SimEntry>& e) {
  return e ? Quoted(e->text) + "=" + Quoted(e->number) : "(empty)";
}

bool Holds(const std::optional<SimEntry>& e, const ExpectedEntry* want) {
  if (!want) return !e;
  return e && e->text == want->name && e->number == want->value;
}

// "SIM positions 1 to 7 were written." and the position that "may have been".
struct WrittenClaim {
  int last = 0;
  int maybe = 0;
};

std::optional<WrittenClaim> ParseWrittenClaim(const std::string& m) {
  WrittenClaim c;
  if (m.find("No SIM position was written.") != std::string::npos) {
    c.last = 0;
  } else if (m.find("SIM position 1 was written.") != std::string::npos) {
    c.last = 1;
  } else if (size_t at = m.find("SIM positions 1 to "); at != std::string::npos) {
    c.last = std::atoi(m.c_str() + at + 19);
  } else {
    return std::nullopt;
  }
  if (size_t may = m.find("(position "); may != std::string::npos)
    c.maybe = std::atoi(m.c_str() + may + 10);
  return c;
}

}  // namespace

Card CardOf(const SimCard& card) {
  Card out;
  for (int i = 1; i <= card.capacity(); ++i) out.push_back(card.At(i));
  return out;
}

bool SameCard(const Card& a, const Card& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), Same);
}

std::vector<ExpectedEntry> ExpectedSim(Program& p) {
  HeldValues held = p.held;
  if (AllListsSelected(p.form)) EncodeEntryValues(p.form, held);
  std::vector<ExpectedEntry> out;
  for (const WriteStep& step : WriteOrder()) {
    std::string v = WriteValue(step, p.form, held, p.variant);
    if (!v.empty()) out.push_back({std::string(step.entry), v});
  }
  for (int line = 1; line <= p.phonebook.RowCount(); ++line) {
    std::string name = p.phonebook.Name(line), phone = p.phonebook.Phone(line);
    if (name.empty() || phone.empty()) continue;
    std::string command = SimWriteCommand(1, phone, name);
    if (CheckCommandLine(command.substr(0, command.size() - 2)).empty())
      out.push_back({name, phone});
  }
  return out;
}

WriteVerdict JudgeFinishedWrite(Program& p, const SimCard& card, const WriteRecord& write,
                                const std::vector<std::string>& messages, bool check_message,
                                bool check_success) {
  std::string stopped, finished;
  for (size_t i = write.messages; i < messages.size(); ++i) {
    if (messages[i].rfind("Writing to the unit stopped", 0) == 0) stopped = messages[i];
    if (messages[i].rfind("Writing to the unit finished", 0) == 0) finished = messages[i];
  }
  WriteVerdict verdict{!stopped.empty(), {}};
  const Card now = CardOf(card);
  // The write passes over the unit's VER entry: it keeps its position, and the entries after it
  // move up by one.
  const int ver = p.transfer.version_position();
  const bool ver_kept = ver > 0 && static_cast<size_t>(ver) <= write.before.size() &&
                        write.before[static_cast<size_t>(ver) - 1] &&
                        write.before[static_cast<size_t>(ver) - 1]->text == "VER";
  auto with_version = [&](std::vector<ExpectedEntry> list) {
    if (ver_kept && static_cast<size_t>(ver) <= list.size() + 1)
      list.insert(list.begin() + (ver - 1),
                  ExpectedEntry{"VER", write.before[static_cast<size_t>(ver) - 1]->number});
    return list;
  };
  const std::vector<ExpectedEntry> want = with_version(write.wanted);
  const std::vector<ExpectedEntry> later = with_version(ExpectedSim(p));
  auto at = [](const std::vector<ExpectedEntry>& list, size_t pos) -> const ExpectedEntry* {
    return pos <= list.size() ? &list[pos - 1] : nullptr;
  };
  auto written_well = [&](size_t pos) {
    if (ver_kept && static_cast<int>(pos) == ver && Same(now[pos - 1], write.before[pos - 1]))
      return true;
    return Holds(now[pos - 1], at(want, pos)) || Holds(now[pos - 1], at(later, pos));
  };
  auto wanted = [&](size_t pos) {
    return at(want, pos) ? Quoted(want[pos - 1].name) + "=" + Quoted(want[pos - 1].value)
                         : std::string("nothing");
  };
  auto fail = [&](std::string why) {
    verdict.failure = std::move(why);
    return verdict;
  };

  if (!stopped.empty()) {
    if (!check_message) return verdict;
    std::optional<WrittenClaim> claim = ParseWrittenClaim(stopped);
    if (!claim) return fail("a failed write does not say what it wrote: " + Quoted(stopped));
    for (size_t pos = 1; pos <= now.size(); ++pos) {
      const bool claimed = static_cast<int>(pos) <= claim->last;
      const bool maybe = static_cast<int>(pos) == claim->maybe;
      if (!Same(now[pos - 1], write.before[pos - 1]) && !claimed && !maybe)
        return fail("a failed write changed SIM position " + std::to_string(pos) + " (now " +
                    EntryText(now[pos - 1]) + ") but its message says: " + Quoted(stopped));
      if (claimed && !written_well(pos))
        return fail("a failed write says position " + std::to_string(pos) +
                    " was written, but it holds " + EntryText(now[pos - 1]) + " instead of " +
                    wanted(pos));
    }
    return verdict;
  }
  if (!check_success) return verdict;
  if (finished.empty() && std::min(want.size(), later.size()) > now.size())
    return fail("a write reported success, but the window holds " + std::to_string(want.size()) +
                " entries for a SIM of " + std::to_string(now.size()));
  for (size_t pos = 1; pos <= now.size(); ++pos) {
    if (!written_well(pos))
      return fail("after a write that reported success, SIM position " + std::to_string(pos) +
                  " holds " + EntryText(now[pos - 1]) + " instead of " + wanted(pos));
  }
  return verdict;
}

}  // namespace vrkt::testing
