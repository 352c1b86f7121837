#include <gtest/gtest.h>

#include "link/transfer.h"
#include "link_fixture.h"

namespace vrkt {
namespace {

using Lines = std::vector<std::string>;

TEST_F(QuietUnitTest, OkServesLoaderThenOperatorQueryThenWriteAll) {
  OperationState& op = h.program->op;
  op.LoaderWaitingOk = true;
  op.WriteAllRunning = true;
  op.QueryOperatorOnOk = true;
  h.Feed("OK\r\n");
  EXPECT_EQ(op.LoaderIndex, 1);
  EXPECT_FALSE(op.LoaderWaitingOk);
  EXPECT_TRUE(op.QueryOperatorOnOk);  // untouched: the loader took this OK
  EXPECT_EQ(h.form().Prubeh.position(), 1);
  EXPECT_TRUE(Sent().empty());
  h.Feed("OK\r\n");
  EXPECT_FALSE(op.QueryOperatorOnOk);
  EXPECT_EQ(Sent(), Lines{"AT+COPS?"});
  EXPECT_TRUE(op.WriteAllRunning);
}

TEST_F(QuietUnitTest, SendFileWaitsForItsEventBeforeTheLoaderMoves) {
  OperationState& op = h.program->op;
  op.LoaderWaitingOk = true;
  op.AsendWaitingEvent = true;
  h.Feed("OK\r\n");
  EXPECT_EQ(op.LoaderIndex, 0);
  EXPECT_TRUE(op.LoaderWaitingOk);
  h.Feed("#ASENDEV: 0\r\n");
  EXPECT_FALSE(op.AsendWaitingEvent);
  EXPECT_EQ(Sent(), Lines{"AT"});
  h.Feed("OK\r\n");
  EXPECT_EQ(op.LoaderIndex, 1);
  // Without the wait, the event line is nobody's business.
  h.Feed("#ASENDEV: 0\r\n");
  EXPECT_EQ(Sent(), Lines{"AT"});
}

TEST_F(QuietUnitTest, PhoneBookLinesAndEchoesFindTheirRules) {
  OperationState& op = h.program->op;
  h.form().RunGDI.SetVisible(true);
  struct Case {
    const char* line;
    Lines sent;  // cumulative since the test began
    int capacity;
  } cases[] = {
      {"+CPBR: (1-10),40,16", {}, 10},  // ten positions or fewer: nothing to read
      {"+CPBR: (1-11),40,16", {"AT+CPBR=1,11"}, 11},
      {"AT+CPBR=?", {"AT+CPBR=1,11"}, 11},  // an echo is an entry line, not a range
      {"+CPBR: (1- 250 ),40,16", {"AT+CPBR=1,11", "AT+CPBR=1,250"}, 250},
      {"AT+COPS?", {"AT+CPBR=1,11", "AT+CPBR=1,250", "AT+CPBR=?"}, 250},
  };
  for (const Case& c : cases) {
    h.Feed(std::string(c.line) + "\r\n");
    EXPECT_EQ(Sent(), c.sent) << c.line;
    EXPECT_EQ(op.SimCapacity, c.capacity) << c.line;
  }
  EXPECT_EQ(h.form().StatusBar1.panel(2), " SIM: 250");
  EXPECT_EQ(h.form().StatusBar1.panel(0), "Operator: AT+COPS?");
  // With the unit running the operator reply asks nothing further.
  h.form().RunGDI.SetVisible(false);
  h.Feed("+COPS: 0,0,\"SIMNET\"\r\n");
  EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(QuietUnitTest, ExactMatchesAreExact) {
  Form1& f = h.form();
  f.PINOK.SetColor(kYellow);
  int64_t paused = h.clock.paused_ms();
  h.Feed(" OK\r\nOK \r\n+CREG: 0,1 \r\nSTOP \r\n");
  EXPECT_EQ(f.PINOK.color(), kYellow);
  EXPECT_EQ(h.clock.paused_ms(), paused);
  h.Feed("+CREG: 0,5\r\n");
  EXPECT_EQ(h.clock.paused_ms(), paused + 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(QuietUnitTest, PinIndicatorFollowsEchoOkAndError) {
  Form1& f = h.form();
  struct Step {
    const char* line;
    Rgb color;
    bool visible;
  } steps[] = {
      {"ERROR", kRed, true},  // red from the click: an ERROR shows it
      {"AT+CLCK=\"SC\",0,1234", kYellow, true},
      {"+CMGL: 1,\"ERROR\"", kYellow, true},
      {"OK", kGreen, true},
      {"+CME ERROR: 16", kGreen, true},  // green stays green
      {"AT+CPWD=\"SC\",1234,7391", kYellow, true},
      {"+CME ERROR: 16", kRed, true},
  };
  f.PINOK.SetColor(kRed);
  for (const Step& s : steps) {
    h.Feed(std::string(s.line) + "\r\n");
    EXPECT_EQ(f.PINOK.color(), s.color) << s.line;
    EXPECT_EQ(f.PINOK.visible(), s.visible) << s.line;
  }
}

TEST_F(QuietUnitTest, FirstOkTurnsHiddenYellowIndicatorGreen) {
  testing::Harness fresh;
  fresh.Start();
  EXPECT_EQ(fresh.form().PINOK.color(), kYellow);
  fresh.RunFor(500);
  EXPECT_EQ(fresh.form().PINOK.color(), kGreen);
  EXPECT_FALSE(fresh.form().PINOK.visible());
}

TEST_F(QuietUnitTest, PlayerEventStopsOnlyWhileStopIsDown) {
  h.Feed("#APLAYEV: 0\r\n");
  EXPECT_FALSE(h.program->variant.Is4G);
  EXPECT_TRUE(Sent().empty());
  h.form().StopGDI.SetDown(true);
  h.Feed("#APLAYEV: 0\r\n");
  EXPECT_TRUE(h.program->variant.Is4G);
  EXPECT_TRUE(h.program->op.QueryOperatorOnOk);
  EXPECT_EQ(Sent(), Lines{"ATE0"});
}

TEST_F(QuietUnitTest, StopReadEndsQuietlyWhereTheChainEndsAndOnlyAnswersKeepItAlive) {
  Transfer& t = h.program->transfer;
  auto quiet_end = [&](const std::string& why) {
    EXPECT_FALSE(t.ReadRunning()) << why;
    EXPECT_FALSE(h.form().TransferDeadline.is_enabled()) << why;
    h.RunFor(Transfer::kReplyDeadlineMs + 1000);
    EXPECT_TRUE(h.dialogs.messages.empty()) << why;
  };
  // The unit still looks running when the operator reply comes: no range is asked for.
  h.Feed("STOP\r\n");
  EXPECT_TRUE(t.ReadRunning());
  h.Feed("OK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n");
  quiet_end("unit running");

  // The unit stopped: the window shows it at its next line check.
  h.program->port().SetDtr(true);
  ASSERT_TRUE(h.RunUntil([&] { return h.form().RunGDI.visible(); }, 2000));
  h.Feed("STOP\r\nOK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n+CPBR: (1-10),40,16\r\nOK\r\n");
  quiet_end("ten positions");

  h.Feed("STOP\r\nOK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n+CPBR: (1-11),40,16\r\nOK\r\n");
  h.Feed("+CPBR: 1,\"111\",129,\"MASTER1\"\r\n+CPBR: 11,\"5\",129,\"Ann\"\r\n");
  EXPECT_TRUE(t.ReadRunning());
  h.Feed("OK\r\n");
  quiet_end("entries listed");
  EXPECT_EQ(h.form().MASTER1.text(), "111");
  Lines chain;
  for (const std::string& c : Sent())
    if ((c.rfind("AT+C", 0) == 0 && c != "AT+CSQ") || c == "ATE0") chain.push_back(c);
  EXPECT_EQ(chain, (Lines{"ATE0", "AT+COPS?", "ATE0", "AT+COPS?", "AT+CPBR=?", "ATE0",
                           "AT+COPS?", "AT+CPBR=?", "AT+CPBR=1,11"}));

  // Unsolicited reports keep coming, but nothing answers the range query.
  h.Feed("STOP\r\nOK\r\n+COPS: 0,0,\"SIMNET\"\r\n");
  const int64_t asked = h.clock.NowMs();
  for (int i = 0; i < 20 && t.ReadRunning(); ++i) {
    h.Feed("+CREG: 0,1\r\n");
    h.RunFor(500);
  }
  EXPECT_FALSE(t.ReadRunning());
  EXPECT_NEAR(h.clock.NowMs() - asked, Transfer::kReplyDeadlineMs, 800);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("waiting for the size of the SIM phone book"),
            std::string::npos)
      << h.dialogs.messages[0];
}

}  // namespace
}  // namespace vrkt
