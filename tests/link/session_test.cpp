#include <gtest/gtest.h>

#include "support/harness.h"
#include "unit/status.h"
#include "unit/transfer.h"

namespace vrkt {
namespace {

// A program that has started against the simulated unit and settled.
class SessionTest : public ::testing::Test {
 protected:
  explicit SessionTest(const char* name = "VRKTset") : h(name) {}
  void Begin(const SimConfig& config = {}) {
    h.unit().Configure(config);
    h.Start();
    h.RunFor(1000);
    mark = h.unit().commands().size();
  }
  bool Issued(const std::string& line) const { return h.CommandTime(line, mark) >= 0; }
  int64_t At(const std::string& line) const { return h.CommandTime(line, mark); }
  // Stop, then run the read chain until every entry line of the SIM has come in.
  bool StopAndRead(int64_t limit_ms = 60000) {
    h.Click(h.form().StopGDI);
    int entries = h.unit().card().UsedCount();
    return h.RunUntil(
        [&] { return h.MonitorCount("+CPBR: ") - h.MonitorCount("+CPBR: (") >= entries; },
        limit_ms);
  }
  testing::Harness h;
  size_t mark = 0;
};

TEST_F(SessionTest, StopReadsTheUnitAtTheRightTimes) {
  SimConfig config;
  config.signal = 18;
  Begin(config);
  int64_t click = h.clock.NowMs();
  ASSERT_TRUE(StopAndRead());
  EXPECT_FALSE(h.form().Prubeh.visible());
  EXPECT_FALSE(h.form().Cekani.is_enabled());
  EXPECT_TRUE(h.form().SaveGDI.enabled());
  // STOP comes 1.5..3 s after DTR; ATE0 follows it by the one-second pause.
  EXPECT_GE(At("ATE0") - click, 2500);
  EXPECT_LE(At("ATE0") - click, 4010);
  // Each later command: the reply's latency and wire time, plus the pacing pause.
  EXPECT_GE(At("AT+COPS?") - At("ATE0"), 210);
  EXPECT_LE(At("AT+COPS?") - At("ATE0"), 225);
  EXPECT_GE(At("AT+CPBR=?") - At("AT+COPS?"), 250);
  EXPECT_LE(At("AT+CPBR=?") - At("AT+COPS?"), 265);
  EXPECT_GE(At("AT+CPBR=1,250") - At("AT+CPBR=?"), 130);
  EXPECT_LE(At("AT+CPBR=1,250") - At("AT+CPBR=?"), 145);
  EXPECT_EQ(h.form().StatusBar1.panel(0), "Operator: \"SIMNET CZ\"");
  EXPECT_EQ(h.form().StatusBar1.panel(2), " SIM: 250");

  // The poll: signal 10 s after STOP, battery 2 s later, supply 2 s after that.
  ASSERT_TRUE(h.RunUntil([&] { return h.form().Power.caption() == "24.0 V"; }, 20000));
  EXPECT_NEAR(At("AT+CSQ") - At("ATE0"), 9000, 3);
  EXPECT_NEAR(At("AT#CBC") - At("AT+CSQ"), 2000, 3);
  EXPECT_NEAR(At("AT#ADC=1,2") - At("AT#CBC"), 2000, 3);
  EXPECT_EQ(h.form().Smeter.color(), kCyan);
  EXPECT_EQ(h.form().Voltage.caption(), "3850 mV");
  // Later polls every 30 s.
  size_t polls = h.Commands(mark).size();
  h.RunFor(30000);
  EXPECT_EQ(h.Commands(mark).size(), polls + 3);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST_F(SessionTest, ReadSurvivesNoiseSplitAndSlowReplies) {
  struct Case {
    double noise;
    bool split;
    int latency;
  } cases[] = {{0.5, false, 0}, {0, true, 0}, {1.0, true, 0}, {0.3, true, 400}};
  for (const Case& c : cases) {
    testing::Harness fresh;
    fresh.unit().Configure(SimConfig{});
    fresh.Start();
    fresh.RunFor(1000);
    fresh.unit().faults().noise_rate = c.noise;
    fresh.unit().faults().split_replies = c.split;
    fresh.unit().faults().extra_latency_ms = c.latency;
    fresh.Click(fresh.form().StopGDI);
    int entries = fresh.unit().card().UsedCount();
    bool done = fresh.RunUntil(
        [&] { return fresh.MonitorCount("+CPBR: ") - fresh.MonitorCount("+CPBR: (") >= entries; },
        60000);
    EXPECT_TRUE(done) << c.noise << " " << c.split << " " << c.latency;
    EXPECT_TRUE(fresh.dialogs.messages.empty());
    EXPECT_EQ(fresh.program->op.SimCapacity, 250);
    EXPECT_TRUE(fresh.program->receiver.partial_line().size() < 16);
  }
}

TEST_F(SessionTest, SilentUnitEndsTheWaitWithAMessage) {
  Begin();
  h.unit().faults().silent = true;
  h.Click(h.form().StopGDI);
  h.RunFor(5000);
  EXPECT_TRUE(h.form().Prubeh.visible());
  h.RunFor(StatusQueries::kWaitLimitS * 1000);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  // Nothing answered at all, not even the greeting: the unit is said not to answer.
  EXPECT_EQ(h.dialogs.messages[0], h.program->status.NoAnswerMessage());
  EXPECT_FALSE(h.form().Prubeh.visible());
  EXPECT_FALSE(h.form().Cekani.is_enabled());
  EXPECT_FALSE(Issued("ATE0"));
  // The window is usable: a signal query goes out and its answer shows once the unit speaks.
  h.unit().faults().silent = false;
  h.Click(h.form().signal);
  h.RunFor(200);
  EXPECT_EQ(h.program->op.SignalLevel >= 18, true);
}

TEST_F(SessionTest, ErrorReplyInTheChainStopsTheReadWithANote) {
  // Each command of the chain, refused in turn; the one after it must never go out.
  struct Case {
    const char* refused;
    const char* never_sent;
    const char* waiting_for;
  } cases[] = {
      {"ATE0", "AT+COPS?", "the unit's first answer after it stopped"},
      {"AT+COPS", "AT+CPBR=?", "the operator"},
      {"AT+CPBR=?", "AT+CPBR=1,", "the size of the SIM phone book"},
      {"AT+CPBR=1,", "", "the SIM phone book entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refused);
    testing::Harness fresh;
    fresh.unit().Configure(testing::AnsweringConfig());
    fresh.Start();
    fresh.RunFor(1000);
    const size_t from = fresh.unit().commands().size();
    fresh.unit().faults().error_on = {c.refused};
    fresh.Click(fresh.form().StopGDI);
    fresh.RunFor(15000);
    auto sent = [&](const std::string& prefix) {
      for (const std::string& l : fresh.Commands(from))
        if (l.rfind(prefix, 0) == 0) return true;
      return false;
    };
    EXPECT_TRUE(sent(c.refused));
    if (*c.never_sent) {
      EXPECT_FALSE(sent(c.never_sent));
    }
    ASSERT_EQ(fresh.dialogs.messages.size(), 1u);
    const std::string& msg = fresh.dialogs.messages[0];
    EXPECT_EQ(msg.rfind("Reading from the unit stopped: the unit answered \"ERROR\" while waiting "
                        "for " +
                            std::string(c.waiting_for) + ".",
                        0),
              0u)
        << msg;
    EXPECT_EQ(fresh.MonitorCount("read stopped: the unit answered \"ERROR\""), 1);
    EXPECT_FALSE(fresh.program->transfer.ReadRunning());
    EXPECT_FALSE(fresh.form().TransferDeadline.is_enabled());
    EXPECT_EQ(fresh.form().PINOK.color(), kGreen);  // green stays green
    EXPECT_FALSE(fresh.program->busy());

    // The next action works: Load reads the whole SIM without a word.
    fresh.unit().faults().error_on.clear();
    fresh.Click(fresh.form().LoadGDI);
    ASSERT_TRUE(fresh.RunUntil([&] { return !fresh.program->transfer.ReadRunning(); }, 60000));
    EXPECT_EQ(fresh.dialogs.messages.size(), 1u);
    EXPECT_EQ(fresh.program->op.SimCapacity, 250);
  }
}

TEST_F(SessionTest, CtsLostBrieflyMidChainHoldsCommandsUntilItReturns) {
  Begin();
  h.Click(h.form().StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.MonitorCount("STOP") > 0; }, 10000));
  h.unit().SetCts(false);
  h.RunFor(CommandLink::kReplyDeadlineMs - 1500);
  EXPECT_FALSE(Issued("ATE0"));  // written, but held in the port by flow control
  EXPECT_FALSE(h.form().LoadGDI.enabled());
  EXPECT_EQ(h.program->port().OutputFree(), SerialPort::kOutputQueueSize - 6);
  h.unit().SetCts(true);
  int entries = h.unit().card().UsedCount();
  ASSERT_TRUE(h.RunUntil(
      [&] { return h.MonitorCount("+CPBR: ") - h.MonitorCount("+CPBR: (") >= entries; }, 10000));
  EXPECT_TRUE(h.form().LoadGDI.enabled());
  h.RunFor(200);
  EXPECT_FALSE(h.program->transfer.ReadRunning());
  h.RunFor(CommandLink::kReplyDeadlineMs);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST_F(SessionTest, CtsLostBeyondTheDeadlineStopsTheRead) {
  Begin();
  h.Click(h.form().StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.MonitorCount("STOP") > 0; }, 10000));
  h.unit().SetCts(false);
  h.RunFor(CommandLink::kReplyDeadlineMs + 100);
  EXPECT_FALSE(Issued("ATE0"));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("CTS stayed off (is the cable in and the unit powered?) "
                                       "while waiting for the unit's first answer after it "
                                       "stopped"),
            std::string::npos)
      << h.dialogs.messages[0];
  EXPECT_EQ(h.MonitorCount("read stopped: the unit took no data"), 1);
  EXPECT_FALSE(h.program->transfer.ReadRunning());
  // The held command was given up: it does not reach the unit when the line returns, and
  // nothing follows it.
  h.unit().SetCts(true);
  h.RunFor(3000);
  EXPECT_FALSE(Issued("ATE0"));
  EXPECT_FALSE(Issued("AT+COPS?"));
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
}

TEST_F(SessionTest, RunRebootsTheUnitAndItsWaitEnds) {
  Begin();
  ASSERT_TRUE(StopAndRead());
  EXPECT_FALSE(h.unit().app_running());
  h.Click(h.form().RunGDI);
  EXPECT_TRUE(h.form().Prubeh.visible() || h.form().Cekani.is_enabled());
  h.RunFor(10000);
  EXPECT_TRUE(Issued("AT#REBOOT"));
  EXPECT_TRUE(h.unit().app_running());
  EXPECT_FALSE(h.form().RunGDI.visible());
  EXPECT_FALSE(h.form().Timer1_CSQstop.is_enabled());
  h.RunFor(StatusQueries::kWaitLimitS * 1000);
  // Nothing more is expected from a restarted unit: the wait ends without a word.
  EXPECT_TRUE(h.dialogs.messages.empty());
  EXPECT_FALSE(h.form().Prubeh.visible());
  EXPECT_FALSE(h.form().Cekani.is_enabled());
  // And it stops again on request.
  mark = h.unit().commands().size();
  ASSERT_TRUE(StopAndRead());
}

class Session4GTest : public SessionTest {
 protected:
  Session4GTest() : SessionTest("VRKT4Gset") {}
};

TEST_F(Session4GTest, FourGUnitReportsPlayerEventAndRestartsOnDtrAlone) {
  SimConfig config;
  config.is4g = true;
  Begin(config);
  ASSERT_TRUE(StopAndRead());
  EXPECT_EQ(h.MonitorCount("#APLAYEV: 0"), 1);
  h.Click(h.form().RunGDI);
  h.RunFor(5000);
  EXPECT_FALSE(Issued("AT#REBOOT"));
  EXPECT_TRUE(h.unit().app_running());
}

}  // namespace
}  // namespace vrkt
