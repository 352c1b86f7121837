#include <gtest/gtest.h>

#include "transfer_fixture.h"

namespace vrkt::testing {
namespace {

// A stopped unit with a 40-position SIM, read and ready to be written.
void Ready(Harness& h, bool dvg) {
  SimConfig c;
  c.family = dvg ? SimFamily::kDvg : SimFamily::kVrkt;
  c.capacity = 40;
  h.sim.unit().Configure(c);
  h.Start();
  StopAndLoad(h);
  h.dialogs.messages.clear();
}

// Starts a write and runs it until the unit has taken `commands` of its commands.
size_t WriteUntil(Harness& h, size_t commands) {
  const size_t from = h.sim.unit().commands().size();
  ClickOn(h, h.program->form.SaveGDI);
  EXPECT_TRUE(h.RunUntil([&] { return h.sim.unit().commands().size() >= from + commands; }));
  return from;
}

TEST(WriteFaultsTest, UnitThatStopsAnsweringEndsTheWriteAfterTheDeadline) {
  enum Fault { kSilent, kCtsLost, kSilentWithCregFlood };
  for (Fault fault : {kSilent, kCtsLost, kSilentWithCregFlood}) {
    for (bool dvg : {false, true}) {
      SCOPED_TRACE(std::to_string(fault) + (dvg ? " DVG" : " VRKT"));
      Harness h(dvg ? "DVG1Cset" : "VRKTset");
      Ready(h, dvg);
      Form1& f = h.program->form;
      WriteUntil(h, 8);
      SimUnit& unit = h.sim.unit();
      if (fault == kCtsLost) {
        unit.faults().cts_lost_after_bytes = static_cast<int64_t>(BytesSent(h)) + 20;
      } else {
        unit.faults().silent = true;
      }
      const size_t taken = unit.commands().size();
      if (fault == kSilentWithCregFlood) {
        // One report every 700 ms for a minute: none of them is an answer.
        for (int i = 1; i <= 85; ++i) unit.Inject("\r\n+CREG: 0,1\r\n", h.clock.NowMs() + i * 700);
      }
      ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
      const int64_t last_sent = unit.commands().back().at_ms;
      EXPECT_LE(h.clock.NowMs() - last_sent, CommandLink::kReplyDeadlineMs + 1000);
      EXPECT_LE(unit.commands().size(), taken + 2);
      EXPECT_TRUE(WindowGivenBack(f));
      // Held back by CTS, the command never left: the message says so rather than blame the unit.
      EXPECT_EQ(h.MonitorCount(fault == kCtsLost ? "write stopped: the unit took no data: CTS "
                                                   "stayed off"
                                                 : "write stopped: the unit gave no answer"),
                1);
      ASSERT_EQ(h.dialogs.messages.size(), 1u);
      const std::string& m = h.dialogs.messages[0];
      EXPECT_NE(m.find("Writing to the unit stopped"), std::string::npos) << m;
      EXPECT_NE(m.find(" were written."), std::string::npos) << m;
      EXPECT_NE(m.find("to 40 were not written"), std::string::npos) << m;
      // A unit that went quiet did not fill the SIM.
      EXPECT_EQ(m.find("did not fit"), std::string::npos) << m;
      EXPECT_EQ(m.find("filled up"), std::string::npos) << m;

      // The next write runs to its end once the unit answers again.
      unit.faults().silent = false;
      if (fault == kCtsLost) unit.SetCts(true);
      h.RunFor(60000);
      h.dialogs.messages.clear();
      ClickOn(h, f.SaveGDI);
      ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
      EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
      EXPECT_EQ(unit.commands().back().line, "AT+CPBW=40");
    }
  }
}

TEST(WriteFaultsTest, RefusedEntryStopsTheWriteAndSaysWhatToChange) {
  Harness h("VRKTset");
  SimConfig c;
  c.capacity = 40;
  // An older module: its range reply leaves the lengths out, so only the SIM itself can tell
  // that a name is too long for it.
  c.range_without_lengths = true;
  h.sim.unit().Configure(c);
  h.Start();
  StopAndLoad(h);
  h.dialogs.messages.clear();
  Form1& f = h.program->form;
  // The SIM takes names of at most 16 characters.
  f.PhoneBook1.mutable_rows() = {"Ann=1", "A name far too long=2", "Bob=3"};
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
  const std::vector<std::string> cmds = CommandsSince(h, 0);
  const std::string refused = cmds.back();
  EXPECT_NE(refused.find("A name far too long"), std::string::npos) << refused;
  const int position = std::stoi(refused.substr(8));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  const std::string& m = h.dialogs.messages[0];
  EXPECT_NE(m.find("answered \"+CME ERROR"), std::string::npos) << m;
  EXPECT_NE(m.find("to SIM position " + std::to_string(position) + " (A name far too long=2)"),
            std::string::npos)
      << m;
  EXPECT_NE(m.find("positions 1 to " + std::to_string(position - 1) + " were written"),
            std::string::npos)
      << m;
  EXPECT_EQ(m.find("may have been"), std::string::npos) << m;
  // Trying again would fail again: the message says what to change instead.
  EXPECT_NE(m.find("+CME ERROR: 24 (text string too long)"), std::string::npos) << m;
  EXPECT_NE(m.find("The unit will refuse that entry again as it stands: change it, then write "
                   "again."),
            std::string::npos)
      << m;
  EXPECT_EQ(m.find("once the unit answers"), std::string::npos) << m;
  EXPECT_TRUE(WindowGivenBack(f));

  // A plain "ERROR" to a delete is no more ignored than one to a write.
  h.dialogs.messages.clear();
  f.PhoneBook1.mutable_rows().clear();
  h.sim.unit().faults().error_on = {"AT+CPBW=35"};
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("answered \"ERROR\" to SIM position 35."),
            std::string::npos)
      << h.dialogs.messages[0];
  EXPECT_NE(h.dialogs.messages[0].find("Positions 35 to 40 were not written."), std::string::npos)
      << h.dialogs.messages[0];
}

TEST(WriteFaultsTest, UnansweredOpeningAtClaimsNoPosition) {
  Harness h("VRKTset");
  Ready(h, false);
  h.sim.unit().faults().silent = true;
  ClickOn(h, h.program->form.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  const std::string& m = h.dialogs.messages[0];
  EXPECT_NE(m.find("No SIM position was written. Positions 1 to 40 were not written."),
            std::string::npos)
      << m;
  EXPECT_EQ(m.find("may have been"), std::string::npos) << m;
}

TEST(WriteFaultsTest, ReadingBackShowsWhatTheUnitDidNotKeep) {
  Harness h("VRKTset");
  Ready(h, false);
  Form1& f = h.program->form;
  f.MASTER2.SetText("+420999");
  f.PhoneBook1.mutable_rows() = {"Ann=1", "Bob=2"};
  // Position 4 (MASTER2) and 13 (the first row, after eleven settings and the unit's VER entry,
  // which the write passes over) are answered "OK" but not stored: the latter keeps its old entry.
  ASSERT_LT(h.program->transfer.version_position(), 13);
  ASSERT_GT(h.program->transfer.version_position(), 4);
  h.sim.unit().faults().lost_writes = {4, 13};
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil(
      [&] { return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning(); }, 60000));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  const std::string& m = h.dialogs.messages[0];
  EXPECT_EQ(m.rfind("Written, but reading the unit back shows that it does not hold what was "
                    "written (3 differences):\n",
                    0),
            0u)
      << m;
  EXPECT_NE(m.find("  MASTER2       written \"+420999\", unit \"+420731555202\"\n"),
            std::string::npos)
      << m;
  EXPECT_NE(m.find("  Ann           written \"1\", not on the unit\n"), std::string::npos) << m;
  EXPECT_NE(m.find("  Service desk  not written, unit \"+420800555000\"\n"), std::string::npos)
      << m;
  EXPECT_EQ(h.program->transfer.verified_differences(), 3);

  // A unit that stops answering after the write: the check, not the write, failed.
  h.dialogs.messages.clear();
  h.sim.unit().faults() = SimFaults{};
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
  h.sim.unit().faults().silent = true;
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].rfind("Every SIM position was written, but reading the unit back "
                                        "to check it failed: the unit gave no answer within 5 "
                                        "seconds.",
                                        0),
            0u)
      << h.dialogs.messages[0];
}

TEST(WriteFaultsTest, EditsMadeWhileWritingWaitForTheNextWrite) {
  Harness h("VRKTset");
  Ready(h, false);
  Form1& f = h.program->form;
  const std::string master1 = f.MASTER1.text();
  // MASTER1 is written after the TEST entries: it is changed before its step comes.
  WriteUntil(h, 2);
  f.MASTER1.SetText("+420999");
  ASSERT_TRUE(h.RunUntil([&] { return h.dialogs.messages.size() == 1; }, 120000));
  bool written = false;
  for (int i = 1; i <= 40; ++i) {
    const auto& e = h.sim.unit().card().At(i);
    if (e && e->text == "MASTER1") {
      EXPECT_EQ(e->number, master1);  // the value at the click
      written = true;
    }
  }
  EXPECT_TRUE(written);
  const std::string& m = h.dialogs.messages[0];
  EXPECT_NE(m.find("Written and verified"), std::string::npos) << m;
  EXPECT_NE(m.find("Settings changed in the window while the unit was being written are not on "
                   "the unit: write again to store them."),
            std::string::npos)
      << m;
  // Unchanged, the next write says nothing of the kind.
  h.dialogs.messages.clear();
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.dialogs.messages.size() == 1; }, 120000));
  EXPECT_EQ(h.dialogs.messages[0].find("Settings changed"), std::string::npos);
}

}  // namespace
}  // namespace vrkt::testing
