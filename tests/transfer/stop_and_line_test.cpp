// Stopping a unit whose application owns the line, a unit that is stopped already, one that
// answers nothing, and a line that drops in the middle of a write: in virtual time against the
// simulated unit, whose module is deaf while its application runs.
#include <gtest/gtest.h>

#include "transfer/transfer_fixture.h"

namespace vrkt::testing {
namespace {

TEST(StopAndLineTest, StopCostsNoDeadlineWhileTheApplicationOwnsTheLine) {
  Harness h;
  h.Start();
  Form1& f = h.form();
  // The greeting went to the running application: nothing answers it.
  h.RunFor(100);
  ASSERT_EQ(h.unit().taken_by_application().size(), 1u);
  EXPECT_EQ(h.unit().taken_by_application()[0].line, "ATE0");
  EXPECT_TRUE(h.Commands().empty());
  const int64_t click = h.clock.NowMs();
  ClickOn(h, f.StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.MonitorCount("STOP") > 0; }, 10000));
  const int64_t stop = h.clock.NowMs();
  EXPECT_LE(stop - click, 3100);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning() &&
                                       h.MonitorCount("+COPS") > 0; },
                         20000));
  // The read's first command follows the STOP after the dispatcher's pause, not after the
  // greeting's deadline and its late-answer second.
  const int64_t ate0 = h.CommandTime("ATE0");
  ASSERT_GE(ate0, 0);
  EXPECT_LT(ate0 - stop, 1100);
  EXPECT_LT(ate0 - click, CommandLink::kReplyDeadlineMs);
  EXPECT_EQ(h.MonitorCount("no answer to ATE0: the unit's application had the line"), 1);
  EXPECT_TRUE(f.RunGDI.visible());
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(StopAndLineTest, AUnitStoppedAlreadyIsRecognisedAndRead) {
  Harness h;
  SimConfig c;
  c.app_running_at_start = false;  // an earlier session left it stopped
  c.capacity = 40;
  h.unit().Configure(c);
  h.Start();
  Form1& f = h.form();
  h.RunFor(100);
  EXPECT_EQ(h.Commands(), std::vector<std::string>{"ATE0"});  // the module answered at once
  EXPECT_TRUE(h.program->status.greeting_answered());
  const int64_t click = h.clock.NowMs();
  ClickOn(h, f.StopGDI);
  // No STOP comes, and none is waited for: the read runs at once and the window is filled.
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 20000));
  EXPECT_EQ(h.MonitorCount("STOP"), 0);
  EXPECT_LT(h.clock.NowMs() - click, 2000);
  EXPECT_TRUE(f.RunGDI.visible());
  EXPECT_TRUE(f.LoadGDI.enabled());
  ASSERT_TRUE(h.RunUntil([&] { return f.RunGDI.visible(); }, 3000));
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 20000));
  EXPECT_EQ(h.program->op.SimCapacity, 40);
  std::string master1;
  for (int i = 1; i <= 40; ++i)
    if (h.unit().card().At(i) && h.unit().card().At(i)->text == "MASTER1")
      master1 = h.unit().card().At(i)->number;
  ASSERT_FALSE(master1.empty());
  EXPECT_EQ(f.MASTER1.text(), master1);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(StopAndLineTest, AUnitThatAnswersNothingIsNeverShownStopped) {
  Harness h;
  h.unit().faults().silent = true;
  h.unit().faults().never_stop = true;
  h.Start();
  Form1& f = h.form();
  ClickOn(h, f.StopGDI);
  h.RunFor(10000);
  // DTR is on, but nothing has shown the unit stopped: Stop stays, Load stays off.
  EXPECT_TRUE(h.program->port().Dtr());
  EXPECT_FALSE(f.RunGDI.visible());
  EXPECT_TRUE(f.StopGDI.visible());
  EXPECT_FALSE(f.LoadGDI.enabled());
  h.RunFor(StatusQueries::kWaitLimitS * 1000);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0],
            "The unit does not answer on sim: check the cable and the unit's power.");
}

TEST(StopAndLineTest, ALineDroppedAfterACommandHedgesThePositionInFlight) {
  Harness h;
  SimConfig c;
  c.capacity = 40;
  h.unit().Configure(c);
  h.Start();
  StopAndLoad(h);
  Form1& f = h.form();
  const char* values[] = {"111", "222", "333", "444"};
  Edit* fields[] = {&f.TEST1, &f.TEST2, &f.TEST3, &f.TEST4};
  for (int i = 0; i < 4; ++i) fields[i]->SetText(values[i]);
  const std::optional<SimEntry> old5 = h.unit().card().At(5);
  ASSERT_TRUE(old5.has_value());
  ASSERT_GT(h.program->transfer.version_position(), 5);
  // The line drops just after the carriage return of position 4's command: the unit stores the
  // entry, and its "OK" never reaches the program.
  int64_t n = h.unit().bytes_taken() + 4;  // "AT\r\n"
  for (int i = 1; i <= 4; ++i) {
    const std::string cmd = "AT+CPBW=" + std::to_string(i) + "," + values[i - 1] + ",,TEST" +
                            std::to_string(i) + "\r\n";
    n += static_cast<int64_t>(cmd.size()) - (i == 4 ? 1 : 0);
  }
  h.unit().faults().line_lost_after_bytes = n;
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 30000));
  std::string m;
  for (const std::string& shown : h.dialogs.messages)
    if (shown.rfind("Writing to the unit stopped", 0) == 0) m = shown;
  ASSERT_FALSE(m.empty()) << h.dialogs.messages.size();
  EXPECT_NE(m.find("SIM positions 1 to 3 were written."), std::string::npos) << m;
  EXPECT_NE(m.find("(position 4 may have been)"), std::string::npos) << m;
  // The SIM as the line left it: position 4 holds the new entry, position 5 its old one.
  const SimCard& card = h.unit().card();
  ASSERT_TRUE(card.At(4).has_value());
  EXPECT_EQ(card.At(4)->text, "TEST4");
  EXPECT_EQ(card.At(4)->number, "444");
  ASSERT_TRUE(card.At(5).has_value());
  EXPECT_EQ(card.At(5)->text, old5->text);
  EXPECT_EQ(card.At(5)->number, old5->number);
  EXPECT_FALSE(h.program->port().IsOpen());
}

TEST(StopAndLineTest, AWriteLeavesTheUnitsVersionEntryWhereItIs) {
  Harness h;
  SimConfig c;
  c.capacity = 30;
  c.version = "318";
  h.unit().Configure(c);
  h.Start();
  StopAndLoad(h);
  const int ver = h.program->transfer.version_position();
  ASSERT_GT(ver, 0);
  Form1& f = h.form();
  // More rows than positions: the write fills every position it may, and still passes over VER.
  f.PhoneBook1.mutable_rows().clear();
  for (int i = 0; i < 40; ++i) f.PhoneBook1.mutable_rows().push_back("R" + std::to_string(i) + "=5");
  f.PhoneBook1.RowsChanged();
  ClickOn(h, f.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning &&
                                       !h.program->transfer.ReadRunning(); },
                         60000));
  const SimCard& card = h.unit().card();
  ASSERT_TRUE(card.At(ver).has_value());
  EXPECT_EQ(card.At(ver)->text, "VER");
  EXPECT_EQ(card.At(ver)->number, "318");
  // Positions on both sides of it were written.
  ASSERT_TRUE(card.At(ver + 1).has_value());
  EXPECT_NE(card.At(ver + 1)->text, "VER");
  for (const SimCommand& cmd : h.unit().commands()) {
    EXPECT_NE(cmd.line.rfind("AT+CPBW=" + std::to_string(ver) + ",", 0), 0u) << cmd.line;
    EXPECT_NE(cmd.line, "AT+CPBW=" + std::to_string(ver)) << cmd.line;
  }
}

}  // namespace
}  // namespace vrkt::testing
