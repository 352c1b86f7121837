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

}  // namespace
}  // namespace vrkt::testing
