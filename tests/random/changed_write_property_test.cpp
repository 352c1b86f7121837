// A write of changed positions only leaves the SIM as a write of every position does, over
// random units and window contents: deletions, full SIMs and the unit's version entry among them.
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <set>
#include <sstream>

#include "support/harness.h"
#include "unit/changed_positions.h"

namespace vrkt::testing {
namespace {

const char* const kNames[] = {"Ann", "Bob", "Cy Do", "Tenant 7", "MASTER2", "TEST1", "Eve"};
const char* const kNumbers[] = {"1", "22", "+420333", "4444", "+4205"};

struct Case {
  int capacity = 16;
  // Changes to the prefilled SIM: position, and an entry (name index, number index) or -1 to
  // empty it.
  std::vector<std::tuple<int, int, int>> unit_changes;
  bool drop_version = false;
  std::vector<std::pair<int, int>> rows;  // the window's phone book after the read
  int master2 = -1;                       // a new MASTER2 number, -1: as read
};

rc::Gen<Case> GenCase() {
  return rc::gen::exec([] {
    Case c;
    c.capacity = *rc::gen::inRange(16, 41);
    // Positions 9 and 10 hold the unit's settings (PARVRKT, PARRL1): without them it is not
    // written at all.
    const auto n = *rc::gen::inRange(0, 12);
    for (int i = 0; i < n; ++i) {
      int position = *rc::gen::inRange(1, c.capacity + 1);
      if (position == 9 || position == 10) continue;
      c.unit_changes.emplace_back(position, *rc::gen::inRange(-1, 7), *rc::gen::inRange(0, 5));
    }
    c.drop_version = *rc::gen::inRange(0, 4) == 0;
    // Up to one row more than the SIM has room for beside the settings and the version.
    const int room = c.capacity - 11;
    const int rows = *rc::gen::inRange(0, room + 1);
    for (int i = 0; i < rows; ++i)
      c.rows.emplace_back(*rc::gen::inRange(0, 7), *rc::gen::inRange(0, 5));
    c.master2 = *rc::gen::inRange(-1, 5);
    return c;
  });
}

using Sim = std::vector<std::optional<SimEntry>>;

Sim SimOf(Harness& h) {
  Sim out;
  for (int i = 1; i <= h.unit().card().capacity(); ++i) out.push_back(h.unit().card().At(i));
  return out;
}

SimSlots Slots(const Sim& sim) {
  SimSlots out;
  for (const auto& e : sim) out.push_back(e ? SimSlot(UnitEntry{e->text, e->number}) : SimSlot());
  return out;
}

struct Outcome {
  Sim before, after;
  std::vector<int> written;  // positions the write sent a command for
  int differences = -1;
  bool wrote = false;
};

Outcome RunWrite(const Case& c, bool changed_only) {
  Harness h("VRKTset");
  SimConfig config;
  config.capacity = c.capacity;
  h.unit().Configure(config);
  SimCard& card = h.unit().card();
  for (const auto& [position, name, number] : c.unit_changes) {
    if (name < 0)
      card.Erase(position);
    else
      card.Write(position, kNumbers[number], std::nullopt, kNames[name]);
  }
  if (c.drop_version && card.Find("VER")) card.Erase(card.Find("VER"));
  Outcome o;
  o.before = SimOf(h);
  h.Start();
  Program& p = *h.program;
  Form1& f = p.form;
  h.Click(f.StopGDI);
  h.RunUntil(
      [&] { return f.RunGDI.visible() && !p.transfer.ReadRunning() && p.op.SimCapacity > 0; },
      60000);
  h.RunFor(300);
  h.Click(f.LoadGDI);
  h.RunUntil([&] { return !p.transfer.ReadRunning(); }, 60000);
  h.RunFor(200);
  std::vector<std::string> rows;
  for (const auto& [name, number] : c.rows)
    rows.push_back(std::string(kNames[name]) + "=" + kNumbers[number]);
  f.PhoneBook1.mutable_rows() = rows;
  f.PhoneBook1.RowsChanged();
  if (c.master2 >= 0) f.Masters()[1]->SetText(kNumbers[c.master2]);
  p.transfer.set_changed_only(changed_only);
  const size_t from = h.unit().commands().size();
  h.Click(f.SaveGDI);
  o.wrote = p.op.WriteAllRunning;
  h.RunUntil([&] { return !p.op.WriteAllRunning && !p.transfer.ReadRunning(); }, 600000);
  for (size_t i = from; i < h.unit().commands().size(); ++i) {
    const std::string& line = h.unit().commands()[i].line;
    if (line.rfind("AT+CPBW=", 0) == 0) o.written.push_back(std::stoi(line.substr(8)));
  }
  o.after = SimOf(h);
  o.differences = p.transfer.verified_differences();
  return o;
}

TEST(ChangedWriteProperty, LeavesTheSimAsAWriteOfEveryPosition) {
  rc::detail::TestParams params;
  params.seed = 20261208;
  params.maxSuccess = 60;
  params.maxSize = 100;
  rc::detail::TestMetadata metadata;
  metadata.id = metadata.description = "changed positions only";
  const auto result = rc::detail::checkTestable(
      [] {
        const Case c = *GenCase();
        const Outcome full = RunWrite(c, false);
        const Outcome changed = RunWrite(c, true);
        RC_ASSERT(Slots(full.before) == Slots(changed.before));
        RC_ASSERT(full.wrote == changed.wrote);
        if (!full.wrote) return;
        RC_ASSERT(full.differences == 0);
        RC_ASSERT(changed.differences == 0);
        // Both leave the same SIM, the version entry where it was.
        const SimSlots before = Slots(changed.before);
        const int kept = PositionOf(before, "VER");
        const SimSlots want = Slots(full.after);
        RC_ASSERT(Slots(changed.after) == want);
        if (kept)
          RC_ASSERT(want[static_cast<size_t>(kept - 1)] == before[static_cast<size_t>(kept - 1)]);
        // Only the positions that differed were written, each once.
        const std::vector<int> differing = ChangedPositions(want, before, kept);
        RC_ASSERT(changed.written == differing);
      },
      metadata, params);
  if (!result.template is<rc::detail::SuccessResult>()) {
    std::ostringstream out;
    rc::detail::printResultMessage(result, out);
    FAIL() << out.str();
  }
}

}  // namespace
}  // namespace vrkt::testing
