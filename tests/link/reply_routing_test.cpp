#include <gtest/gtest.h>

#include "link_fixture.h"
#include "unit/transfer.h"

namespace vrkt {
namespace {

using Lines = std::vector<std::string>;

// The unit's stop report switches the poll on; this unit answers nothing, so the poll is kept
// out of the way.
void FeedStop(testing::Harness& h) {
  h.Feed("STOP\r\n");
  h.form().Timer1_CSQstop.SetOn(false);
}

TEST_F(QuietUnitTest, FinalResultDrivesOnlyTheCommandInFlight) {
  OperationState& op = h.program->op;
  Form1& f = h.form();
  // The chain flags alone drive nothing: no command awaits this "OK".
  op.WriteAllRunning = true;
  h.Feed("OK\r\n");
  EXPECT_TRUE(Sent().empty());
  op.WriteAllRunning = false;

  h.Click(f.signal);
  h.Click(f.IMEI);
  EXPECT_EQ(Sent(), Lines{"AT+CSQ"});  // the second waits for the first one's answer
  h.Feed("AT+CSQ\r\n");                // its echo is no answer
  EXPECT_EQ(Sent(), Lines{"AT+CSQ"});
  h.Feed("+CSQ: 20,0\r\nOK\r\n");
  EXPECT_EQ(Sent(), (Lines{"AT+CSQ", "AT+CGSN"}));
  EXPECT_EQ(op.SignalLevel, 20);
  h.Feed("OK\r\nOK\r\n");  // the second "OK" answers nothing and sends nothing
  EXPECT_EQ(Sent().size(), 2u);

  // A command without an answer is given up at its deadline, counted from when it went out; the
  // next one goes once the margin for a late answer has passed too.
  h.Click(f.signal);
  h.Click(f.IMEI);
  h.RunFor(CommandLink::kReplyDeadlineMs + CommandLink::kLateAnswerMs - 100);
  EXPECT_EQ(Sent().size(), 3u);
  h.RunFor(200);
  EXPECT_EQ(Sent().size(), 4u);
  EXPECT_TRUE(h.dialogs.messages.empty());  // a button's query fails quietly, as the display does

  // An answer that comes just after the deadline ends its own command: the next one goes at
  // once, and the late "OK" is not taken for its answer.
  h.RunFor(CommandLink::kReplyDeadlineMs + CommandLink::kLateAnswerMs);
  h.Click(f.signal);
  h.Click(f.IMEI);
  h.RunFor(CommandLink::kReplyDeadlineMs + 100);
  EXPECT_EQ(Sent().size(), 5u);
  h.Feed("OK\r\n");
  EXPECT_EQ(Sent().size(), 6u);
  EXPECT_TRUE(h.program->link.InFlight());  // the second still waits for an answer of its own
}

TEST_F(QuietUnitTest, SizeAndEntriesAreTakenOnlyWhenTheReadAsksForThem) {
  OperationState& op = h.program->op;
  Form1& f = h.form();
  f.RunGDI.SetVisible(true);
  const std::string operator_panel = f.StatusBar1.panel(0);
  h.Feed("+CPBR: (1-11),40,16\r\n+CPBR: 1,\"111\",129,\"Ann\"\r\n");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(op.SimCapacity, 0);
  EXPECT_TRUE(f.PhoneBook1.rows().empty());

  h.Click(f.LoadGDI);
  EXPECT_EQ(Sent(), Lines{"AT+COPS?"});
  h.Feed("AT+COPS?\r\n");  // the echo is neither an operator nor a reason to go on
  EXPECT_EQ(f.StatusBar1.panel(0), operator_panel);
  h.Feed("+COPS: 0,0,\"SIMNET\"\r\n");
  EXPECT_EQ(f.StatusBar1.panel(0), "Operator: \"SIMNET\"");
  EXPECT_EQ(Sent(), Lines{"AT+COPS?"});  // the range query waits for the operator query's "OK"
  h.Feed("OK\r\n");
  EXPECT_EQ(Sent(), (Lines{"AT+COPS?", "AT+CPBR=?"}));
  h.Feed("AT+CPBR=?\r\n+CPBR: (1- 250 ),40,16\r\nOK\r\n");
  EXPECT_EQ(Sent(), (Lines{"AT+COPS?", "AT+CPBR=?", "AT+CPBR=1,250"}));
  EXPECT_EQ(op.SimCapacity, 250);
  EXPECT_EQ(f.StatusBar1.panel(2), " SIM: 250");
  h.Feed("AT+CPBR=1,250\r\n+CPBR: 3,\"111\",129,\"Ann\"\r\n+CPBR: 9,\"5\",129,\"Bob, Jr.\"\r\n");
  EXPECT_TRUE(f.PhoneBook1.rows().empty());  // nothing reaches the window before the listing ends
  h.Feed("OK\r\n");
  EXPECT_EQ(f.PhoneBook1.rows(), (std::vector<std::string>{"Ann=111", "Bob, Jr.=5"}));
  EXPECT_FALSE(h.program->transfer.ReadRunning());
  EXPECT_TRUE(h.dialogs.messages.empty());

  // A size beyond any SIM is said as the unit gave it, never a number to count positions with.
  h.Click(f.LoadGDI);
  h.Feed("+COPS: 0,0,\"SIMNET\"\r\nOK\r\n+CPBR: (1-2147483647),40,16\r\nOK\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("the unit reported a SIM phone book of 2147483647 "
                                       "positions (\"+CPBR: (1-2147483647),40,16\")"),
            std::string::npos)
      << h.dialogs.messages[0];
  EXPECT_EQ(op.SimCapacity, 250);
}

TEST_F(QuietUnitTest, EveryLineOfAListingIsAccountedFor) {
  Form1& f = h.form();
  auto list = [&](const std::string& middle) {
    h.dialogs.messages.clear();
    f.RunGDI.SetVisible(true);  // shown stopped, as after Stop
    h.Click(f.LoadGDI);
    // A poll that fell due meanwhile goes first and waits out its deadline on this quiet unit.
    ASSERT_TRUE(h.RunUntil(
        [&] {
          return h.program->link.InFlight() && h.program->link.command_in_flight() == "AT+COPS?";
        },
        30000));
    h.Feed("+COPS: 0,0,\"SIMNET\"\r\n");
    h.Feed("OK\r\n");
    h.RunFor(500);
    h.Feed("+CPBR: (1-250),40,16\r\nOK\r\n");
    h.RunFor(500);
    ASSERT_EQ(h.program->link.command_in_flight(), "AT+CPBR=1,250");
    h.Feed("AT+CPBR=1,250\r\n+CPBR: 3,\"111\",129,\"Ann\"\r\n" + middle +
           "+CPBR: 9,\"5\",129,\"Bob\"\r\nOK\r\n");
  };
  // Reports a module sends at any time, empty lines and bytes of nothing but noise.
  list("\r\n+CMTI: \"SM\",1\r\nRING\r\n+CREG: 0,1\r\n\xC3\xA9\x7F\r\n");
  EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
  EXPECT_EQ(f.PhoneBook1.rows(), (Lines{"Ann=111", "Bob=5"}));
  // Anything else spoils the listing: the window keeps what it had.
  for (const char* stray :
       {"+CSQ: 20,0\r\n", "+CPBS: 5,\"1\",129,\"Eve\"\r\n", "+CPBR: 3,\"7\",129,\"Ann again\"\r\n",
        "+CPBR: 251,\"7\",129,\"Beyond\"\r\n",
        "+CPBR: 4,\"7\",129,\"A\"+CPBR: 5,\"8\",129,\"B\"\r\n"}) {
    SCOPED_TRACE(stray);
    list(stray);
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.dialogs.messages[0].find("read again"), std::string::npos) << h.dialogs.messages[0];
    // A line of another kind names no position it does not have.
    EXPECT_EQ(h.dialogs.messages[0].find("position 20"), std::string::npos)
        << h.dialogs.messages[0];
    EXPECT_EQ(f.PhoneBook1.rows(), (Lines{"Ann=111", "Bob=5"}));
  }
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
  fresh.AnswerWhileRunning();
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
  EXPECT_TRUE(h.program->transfer.ReadRunning());
  EXPECT_EQ(Sent(), Lines{"ATE0"});
}

TEST_F(QuietUnitTest, StopReadEndsQuietlyWhereTheChainEndsAndOnlyAnswersKeepItAlive) {
  Transfer& t = h.program->transfer;
  auto quiet_end = [&](const std::string& why) {
    EXPECT_FALSE(t.ReadRunning()) << why;
    EXPECT_FALSE(h.form().TransferDeadline.is_enabled()) << why;
    h.RunFor(CommandLink::kReplyDeadlineMs + 1000);
    EXPECT_TRUE(h.dialogs.messages.empty()) << why;
  };
  // The unit still looks running when the operator reply comes: no range is asked for.
  FeedStop(h);
  EXPECT_TRUE(t.ReadRunning());
  h.Feed("OK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n");
  quiet_end("unit running");

  // The unit stopped: the window shows it at its next line check.
  h.program->port().SetDtr(true);
  ASSERT_TRUE(h.RunUntil([&] { return h.form().RunGDI.visible(); }, 2000));
  FeedStop(h);
  h.Feed("OK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n+CPBR: (1-10),40,16\r\nOK\r\n");
  quiet_end("ten positions");

  FeedStop(h);
  h.Feed("OK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n+CPBR: (1-11),40,16\r\nOK\r\n");
  h.Feed("+CPBR: 1,\"111\",129,\"MASTER1\"\r\n+CPBR: 11,\"5\",129,\"Ann\"\r\n");
  EXPECT_TRUE(t.ReadRunning());
  h.Feed("OK\r\n");
  quiet_end("entries listed");
  EXPECT_EQ(h.form().MASTER1.text(), "111");
  Lines chain;
  for (const std::string& c : Sent())
    if (c.rfind("AT+C", 0) == 0 || c == "ATE0") chain.push_back(c);
  EXPECT_EQ(chain, (Lines{"ATE0", "AT+COPS?", "ATE0", "AT+COPS?", "AT+CPBR=?", "ATE0", "AT+COPS?",
                          "AT+CPBR=?", "AT+CPBR=1,11"}));

  // Unsolicited reports keep coming, but nothing answers the range query.
  FeedStop(h);
  h.Feed("OK\r\n+COPS: 0,0,\"SIMNET\"\r\nOK\r\n");
  const int64_t asked = h.clock.NowMs();
  for (int i = 0; i < 20 && t.ReadRunning(); ++i) {
    h.Feed("+CREG: 0,1\r\n");
    h.RunFor(500);
  }
  EXPECT_FALSE(t.ReadRunning());
  EXPECT_NEAR(h.clock.NowMs() - asked, CommandLink::kReplyDeadlineMs, 800);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("waiting for the size of the SIM phone book"),
            std::string::npos)
      << h.dialogs.messages[0];
}

}  // namespace
}  // namespace vrkt
