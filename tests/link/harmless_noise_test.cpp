// Noise that spoils nothing is no damaged answer, and a value that cannot be read is unknown.
#include <gtest/gtest.h>

#include "link/link_fixture.h"

namespace vrkt {
namespace {

TEST_F(QuietUnitTest, NoiseBetweenAnswersDamagesNone) {
  // A byte between the carriage return and the line feed of a final result, and lines of
  // nothing but control or 8-bit noise between answers.
  const char* answers[] = {"\r\nOK\r\x85\n", "\r\nOK\r\x01\n", "\r\n\x93\xFE\r\n\r\nOK\r\n",
                           "\r\n\x05\x85\r\nOK\r\n"};
  for (const char* answer : answers) {
    SCOPED_TRACE(::testing::PrintToString(std::string(answer)));
    CommandResult got{CommandResult::kNoAnswer, "", ""};
    h.program->link.SendAlone(LinkUser::kButton, "AT\r\n",
                              [&](const CommandResult& r) { got = r; });
    h.Feed(answer);
    EXPECT_EQ(got.kind, CommandResult::kOk) << got.line;
    EXPECT_FALSE(h.program->link.InFlight());
    // The next command is answered cleanly and is taken as its own answer.
    CommandResult next{CommandResult::kNoAnswer, "", ""};
    h.program->link.SendAlone(LinkUser::kButton, "AT+CSQ\r\n",
                              [&](const CommandResult& r) { next = r; });
    h.Feed("\r\n+CSQ: 23,0\r\n\r\nOK\r\n");
    EXPECT_EQ(next.kind, CommandResult::kOk);
    EXPECT_EQ(h.program->op.SignalLevel, 23);
    h.RunFor(1500);
  }
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST_F(QuietUnitTest, AnUnreadableSignalShowsAsUnknown) {
  Form1& f = h.form();
  h.Feed("+CSQ: 25,0\r\n");
  EXPECT_TRUE(h.program->status.signal_known());
  EXPECT_EQ(f.Smeter.position(), 25);
  h.Feed("+CSQ: ab,0\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0], "'ab' is not a valid integer value");
  // Not the 25 of the reply before: an empty grey gauge.
  EXPECT_FALSE(h.program->status.signal_known());
  EXPECT_EQ(f.Smeter.position(), 0);
  EXPECT_FALSE(f.Smeter.color() == kGreen);
  EXPECT_FALSE(f.Smeter.color() == kRed);
  h.Feed("#ADC: 2x0\r\n");
  EXPECT_FALSE(h.program->status.supply_known());
  EXPECT_EQ(f.Power.caption(), " - - - V");
}

}  // namespace
}  // namespace vrkt
