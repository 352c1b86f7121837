#include <gtest/gtest.h>

#include "transfer_fixture.h"

namespace vrkt::testing {
namespace {

struct VariantCase {
  const char* program;
  bool dvg;
};
const VariantCase kVariants[] = {{"VRKTset", false}, {"DVG1Cset", true}};

void Configure(Harness& h, bool dvg, int capacity) {
  SimConfig c;
  c.family = dvg ? SimFamily::kDvg : SimFamily::kVrkt;
  c.capacity = capacity;
  h.sim.unit().Configure(c);
}

// Runs write-all and the check that reads the unit back after it.
void RunWrite(Harness& h) {
  ClickOn(h, h.program->form.SaveGDI);
  ASSERT_TRUE(h.RunUntil(
      [&] { return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning(); }, 600000));
}

TEST(WriteAllTest, ReservedEntriesThenRowsThenDeletesExactBytes) {
  for (const VariantCase& v : kVariants) {
    SCOPED_TRACE(v.program);
    Harness h(v.program);
    Configure(h, v.dvg, 40);
    h.Start();
    StopAndLoad(h);
    Form1& f = h.program->form;
    FillEveryControl(f, v.dvg);
    f.PhoneBook1.mutable_rows() = {"Jan Novak=+420603", "=5", "Eve=", "Ann=777"};
    const size_t from = h.sim.unit().commands().size();
    // The unit's firmware version keeps its position: the write passes over it.
    const int ver = h.program->transfer.version_position();
    ASSERT_GT(ver, 0);
    RunWrite(h);

    std::vector<std::string> want = {"AT"};
    int pos = 1;
    auto next = [&] {
      if (pos == ver) ++pos;
      return pos++;
    };
    auto put = [&](const std::string& value, const std::string& name) {
      want.push_back("AT+CPBW=" + std::to_string(next()) + "," + value + ",," + name);
    };
    const char* tests[] = {"+420111", "222", "333", "444", "555", "666", "777", "888"};
    for (int i = 0; i < 8; ++i) put(tests[i], "TEST" + std::to_string(i + 1));
    const char* masters[] = {"+420601", "602", "603", "604", "605", "606", "112"};
    for (int i = 0; i < 7; ++i) put(masters[i], "MASTER" + std::to_string(i + 1));
    if (v.dvg) {
      want.insert(want.end(), {"AT", "AT"});
    } else {
      put("+420999", "PORTCLOSE");
      put("998", "PORTOPEN");
    }
    put("6#2#4#7#6#2#50#6#5#0", "PARVRKT");
    put("5#2#17#1", "PARRL1");
    put("12*3", "VOLTAGE");
    if (v.dvg) {
      for (int i = 0; i < 3; ++i) {
        put("80" + std::to_string(i), "PORTCLOSE" + std::to_string(i + 1));
        put("70" + std::to_string(i), "PORTOPEN" + std::to_string(i + 1));
      }
      put("0045#0003#1200", "TINPUTS");
      put("07#38400", "SDATA");
    } else {
      want.insert(want.end(), 8, "AT");
    }
    EXPECT_EQ(pos, (v.dvg ? 27 : 21) + (ver < (v.dvg ? 27 : 21) ? 1 : 0));
    put("+420603", "\"Jan Novak\"");
    want.insert(want.end(), {"AT", "AT"});  // empty name, empty phone: no position
    put("777", "Ann");
    const int first_deleted = pos;
    while (pos <= 40) {
      const int at = next();
      if (at <= 40) want.push_back("AT+CPBW=" + std::to_string(at));
    }
    // The write, then the listing that reads the SIM back to check it.
    std::vector<std::string> sent = CommandsSince(h, from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "AT+CPBR=1,40");
    sent.pop_back();
    EXPECT_EQ(sent, want);

    // The SIM holds the name with its blank, and nothing above the last row.
    const SimCard& card = h.sim.unit().card();
    ASSERT_TRUE(card.At(first_deleted - 2).has_value());
    EXPECT_EQ(card.At(first_deleted - 2)->text, "Jan Novak");
    EXPECT_EQ(card.UsedCount(), first_deleted - 1);
    ASSERT_TRUE(card.At(ver).has_value());
    EXPECT_EQ(card.At(ver)->text, "VER");

    EXPECT_EQ(h.MonitorCount("SIM1 TEST1=+420111"), 1);
    EXPECT_EQ(h.MonitorCount("Jan Novak=+420603"), 1);
    EXPECT_EQ(h.MonitorCount("---"), v.dvg ? 4 : 10);
    int deletes = 0;
    for (const std::string& l : f.Monitor.lines())
      if (l.size() == 25 && l[0] == '[' && l.substr(9, 14) == "]   delete SIM") ++deletes;
    EXPECT_EQ(deletes, 40 - first_deleted + 1 - (ver >= first_deleted ? 1 : 0));
    EXPECT_TRUE(WindowGivenBack(f));
    EXPECT_EQ(f.Prubeh.max(), 50);
    // Read back and found as written; the two rows left out are counted and named, not dropped
    // without a word.
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].rfind("Written and verified: " +
                                              std::to_string(first_deleted - 1 - (ver < first_deleted ? 1 : 0)) + " positions.\n",
                                          0),
              0u)
        << h.dialogs.messages[0];
    EXPECT_NE(h.dialogs.messages[0].find("2 phone book rows were left out because a name or a "
                                         "number is empty:\n  row 2 (no name) 5\n  row 3 'Eve' "
                                         "(no number)"),
              std::string::npos)
        << h.dialogs.messages[0];
  }
}

TEST(WriteAllTest, RefusesWhatCannotBeWrittenSoundly) {
  // Before any read the SIM's size is unknown.
  {
    Harness h("VRKTset");
    h.Start();
    h.RunFor(500);
    Form1& f = h.program->form;
    f.TLtime.SetItemIndex(1);
    f.SaveGDI.SetEnabled(true);
    const size_t from = h.sim.unit().commands().size();
    ClickOn(h, f.SaveGDI);
    h.RunFor(2000);
    EXPECT_TRUE(CommandsSince(h, from).empty());
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.dialogs.messages[0].find("Read the unit first"), std::string::npos);
    EXPECT_TRUE(WindowGivenBack(f));
  }
  // A SIM without settings leaves the lists empty: nothing built from them is sent.
  {
    Harness h("DVG1Cset");
    SimConfig c;
    c.family = SimFamily::kDvg;
    c.prefill = false;
    h.sim.unit().Configure(c);
    h.sim.unit().card().Write(1, "123", std::nullopt, "MASTER1");
    h.Start();
    StopAndLoad(h);
    Form1& f = h.program->form;
    ASSERT_EQ(f.MASTER1.text(), "123");
    ASSERT_FALSE(f.TLtime.HasSelection());
    const size_t from = h.sim.unit().commands().size();
    h.dialogs.messages.clear();
    ClickOn(h, f.SaveGDI);
    h.RunFor(2000);
    EXPECT_TRUE(CommandsSince(h, from).empty());
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    // Each list without a value is named, with the page it is on.
    EXPECT_NE(h.dialogs.messages[0].find("these settings have no value:\n  Push for activate "
                                         "(EMERGENCY page)\n  Port close for activate "
                                         "(EMERGENCY page)"),
              std::string::npos)
        << h.dialogs.messages[0];
    EXPECT_NE(h.dialogs.messages[0].find("Baud rate (Ports page)"), std::string::npos);
    EXPECT_EQ(h.dialogs.messages[0].find("Waiting"), std::string::npos);
  }
}

TEST(WriteAllTest, WhatTheSimCannotStoreIsRefusedBeforeTheFirstByte) {
  Harness h("VRKTset");
  SimConfig c;
  c.capacity = 24;
  c.name_length = 14;
  h.sim.unit().Configure(c);
  h.Start();
  StopAndLoad(h);
  Form1& f = h.program->form;
  FillEveryControl(f, false);
  // 20 reserved entries leave 4 positions for the rows.
  f.PhoneBook1.mutable_rows() = {
      "A;ATD112=1", "Bob=12 3",     "Eve=1,2",  "\"Q\"=1",  std::string("T\rX=5"),
      "Ok One=11",  "Ok Two=22",    "Bad=12a",  "Ok3=33",   "MASTER1=999",
      "Fifteen letters=55",
  };
  const SimContent before = SimContentOf(h);
  const size_t from = h.sim.unit().commands().size();
  ClickOn(h, f.SaveGDI);
  h.RunFor(3000);
  EXPECT_TRUE(CommandsSince(h, from).empty());  // not even the opening "AT"
  EXPECT_EQ(SimContentOf(h), before);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  const std::string& m = h.dialogs.messages[0];
  for (const char* row :
       {"row 1 'A;ATD112': name holds \";\"", "row 2 'Bob': number holds \" \"",
        "row 3 'Eve': number holds \",\"", "row 4 '\"Q\"': name holds \"\"\"",
        "row 5 'T?X': name holds a control character", "row 8 'Bad': number holds \"a\"",
        "row 10 'MASTER1': MASTER1 is a reserved name",
        "row 11 'Fifteen letters': name has 15 characters, this SIM takes 14",
        "the settings and the phone book take 31 positions, this SIM has 24: 7 rows have to go"})
    EXPECT_NE(m.find(row), std::string::npos) << row << "\n" << m;
  EXPECT_TRUE(WindowGivenBack(f));
  EXPECT_EQ(h.program->transfer.last_write_outcome().kind, SequenceOutcome::kRejected);
}

// The sim's answer times, as its module promises them: fixed latency per command plus up to 5 ms.
int SimLatencyMs(const std::string& cmd) { return cmd.rfind("AT+CPBW", 0) == 0 ? 60 : 10; }
int64_t WireUs(size_t bytes) { return static_cast<int64_t>(bytes) * 1000000 / SimUnit::kBytesPerSecond; }

TEST(WriteAllTest, TakesNoTimeBeyondPausesLineAndUnit) {
  for (const VariantCase& v : kVariants) {
    SCOPED_TRACE(v.program);
    Harness h(v.program);
    Configure(h, v.dvg, 250);
    h.Start();
    StopAndLoad(h);
    h.program->transfer.set_verify_after_write(false);  // the write alone is timed
    const size_t from = h.sim.unit().commands().size();
    const int64_t paused0 = h.clock.paused_ms();
    const int64_t t0 = h.clock.NowMs();
    RunWrite(h);
    const int64_t elapsed = h.clock.NowMs() - t0;
    std::vector<std::string> cmds = CommandsSince(h, from);
    int positions = 0;
    for (const std::string& c : cmds) positions += c.rfind("AT+CPBW=", 0) == 0;
    // Every position but the one of the unit's VER entry.
    ASSERT_EQ(positions, 249) << (h.dialogs.messages.empty() ? "" : h.dialogs.messages.back());
    int64_t floor_us = 0;
    for (const std::string& c : cmds)
      floor_us += WireUs(c.size() + 2) + SimLatencyMs(c) * 1000 + WireUs(6);  // "\r\nOK\r\n"
    const int64_t pauses = h.clock.paused_ms() - paused0;
    EXPECT_EQ(pauses, 200 * static_cast<int64_t>(cmds.size() - 1));
    const int64_t floor_ms = floor_us / 1000 + pauses;
    const int64_t jitter_ms = 6 * static_cast<int64_t>(cmds.size());  // 0..5 ms each, rounding
    std::printf("[ %s write-all 250 ] virtual %lld ms, floor %lld ms (+ up to %lld ms unit jitter)\n",
                v.program, static_cast<long long>(elapsed), static_cast<long long>(floor_ms),
                static_cast<long long>(jitter_ms));
    EXPECT_GE(elapsed, floor_ms);
    EXPECT_LE(elapsed, floor_ms + jitter_ms);
  }
}

}  // namespace
}  // namespace vrkt::testing
