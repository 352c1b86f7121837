#include "link/receiver.h"

#include <gtest/gtest.h>

#include "link_fixture.h"

namespace vrkt {
namespace {

using Lines = std::vector<std::string>;

TEST_F(QuietUnitTest, FramingDropsControlBytesAndKeepsHighBytes) {
  struct Case {
    std::string bytes;
    Lines logged;
  } cases[] = {
      {"OK\r\n", {"OK"}},
      {"\r\nOK\r\n", {"OK"}},                // empty lines are not logged
      {"A\nB\r", {"AB"}},                    // a line feed alone ends nothing
      {"x\x01y\x0c\x0e\x1fz\r", {"xyz"}},    // 1..12 and 14..31 vanish
      {"\xe9\x80\xff\r", {"\xe9\x80\xff"}},  // 128..255 stay
      {"\r\r", {}},
  };
  for (const Case& c : cases) {
    h.form().Monitor.Clear();
    h.Feed(c.bytes);
    EXPECT_EQ(Log(), c.logged) << ::testing::PrintToString(c.bytes);
    EXPECT_TRUE(h.program->receiver.partial_line().empty());
  }
}

TEST_F(QuietUnitTest, LineSpansEventsAndIsStampedWithTimeOfDay) {
  h.Feed("+CSQ: 2");
  EXPECT_EQ(h.program->receiver.partial_line(), "+CSQ: 2");
  EXPECT_EQ(h.form().Monitor.LineCount(), 0u);
  h.Feed("2,0\r");
  ASSERT_EQ(h.form().Monitor.LineCount(), 1u);
  EXPECT_EQ(h.form().Monitor.lines()[0], "[" + h.clock.TimeOfDay() + "]   +CSQ: 22,0");
  EXPECT_EQ(h.form().Smeter.position(), 22);
}

TEST_F(QuietUnitTest, SmsLinesAreDispatchedButNotLogged) {
  h.Feed("#SMSATWL +CSQ: 25,0\r");
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(h.form().Smeter.position(), 25);
}

TEST_F(QuietUnitTest, EndlessLineIsCutLoggedAndNotDispatched) {
  std::string junk(5000, 'A');
  junk.replace(4090, 2, "OK");
  h.Feed(junk + "\rOK\r");
  Lines log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], junk.substr(0, LineReceiver::kMaxLineLength));
  EXPECT_NE(log[1].find("line cut"), std::string::npos);
  EXPECT_EQ(log[2], junk.substr(LineReceiver::kMaxLineLength));
  EXPECT_EQ(log[3], "OK");
  // Nothing of the cut line was lost between the two log entries.
  EXPECT_EQ(log[0] + log[2], junk);
}

TEST_F(QuietUnitTest, ReceiveIndicatorBlinksAndGoesDarkWithinTwoSeconds) {
  h.RunFor(2500);  // the start-up replies' blink is over
  ASSERT_FALSE(h.form().RXDled.visible());
  ASSERT_FALSE(h.form().LedTimer.is_enabled());
  h.Feed("OK\r");
  EXPECT_TRUE(h.form().RXDled.visible());
  EXPECT_TRUE(h.form().LedTimer.is_enabled());
  h.RunFor(1000);
  h.Feed("OK\r");  // a second event toggles it but does not restart the timer
  EXPECT_FALSE(h.form().RXDled.visible());
  h.Feed("OK\r");
  EXPECT_TRUE(h.form().RXDled.visible());
  h.RunFor(1100);
  EXPECT_FALSE(h.form().RXDled.visible());
  EXPECT_FALSE(h.form().LedTimer.is_enabled());
}

TEST_F(QuietUnitTest, BadNumberIsReportedAndTheNextLineStillServed) {
  h.Feed("+CSQ: x1,0\r\n#CBC: 0,38a\r\n+CSQ: 23,0\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_EQ(h.dialogs.messages[0], "'x1' is not a valid integer value");
  EXPECT_EQ(h.dialogs.messages[1], "'38a' is not a valid integer value");
  EXPECT_EQ(h.program->op.SignalLevel, 23);
  EXPECT_TRUE(h.program->receiver.partial_line().empty());
  // A battery value that cannot be read shows as unknown, not as a number.
  EXPECT_EQ(h.form().StatusBar1.panel(1), " board voltage:");
  EXPECT_EQ(h.form().Voltage.caption(), " - - - - mV");
  EXPECT_FALSE(h.program->status.battery_known());
  EXPECT_TRUE(h.program->status.signal_known());
}

// The module's data prompt releases the upload data; large data goes in queue-sized pieces.
class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.AnswerWhileRunning();
    h.Start();
    h.RunFor(1000);
  }
  // Announces a script of `data` and lets the prompt release it; returns when the unit stored it.
  bool Upload(const std::string& data) {
    SendUpload("AT#WSCRIPT=big.scr," + std::to_string(data.size()) + "\r\n", data);
    return h.RunUntil([&] { return h.unit().scripts().count("big.scr") > 0; }, 120000);
  }
  // Sends an upload command as a job of its own, with the data its prompt releases.
  void SendUpload(const std::string& command, const std::string& data) {
    CommandLink& link = h.program->link;
    auto shared = std::make_shared<const std::string>(data);
    link.Begin(LinkUser::kButton, [&link, command, shared] {
      link.Send(
          command, [&link](const CommandResult&) { link.End(LinkUser::kButton); }, 0, shared);
    });
  }
  testing::Harness h;
};

TEST_F(UploadTest, DataGoesInPiecesEachAfterTheQueueDrained) {
  struct Case {
    size_t size;
    int flushes;
  } cases[] = {{64000, 0}, {64001, 1}, {128000, 1}, {200000, 3}};
  for (const Case& c : cases) {
    h.form().Monitor.Clear();
    std::string data(c.size, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    int64_t start = h.clock.NowMs();
    ASSERT_TRUE(Upload(data)) << c.size;
    EXPECT_TRUE(h.unit().scripts().at("big.scr") == data) << c.size;
    EXPECT_EQ(h.MonitorCount("send buffer"), 1);
    EXPECT_EQ(h.MonitorCount("flush buffer"), c.flushes) << c.size;
    EXPECT_EQ(h.MonitorCount("sending") > 0, c.flushes > 0) << c.size;
    // The line rate bounds the time: no piece was written before there was room for it.
    EXPECT_GE(h.clock.NowMs() - start, static_cast<int64_t>(c.size) * 1000 / 11520);
    EXPECT_TRUE(h.dialogs.messages.empty());
    h.unit().Configure(testing::AnsweringConfig());
  }
}

TEST_F(UploadTest, OkOrNoiseBeforeThePromptDoesNotEndTheUpload) {
  // Line noise or a stray report ahead of the prompt: the data must still go with the prompt,
  // or the next command goes out as the unit starts taking the script's bytes.
  const std::string data(27, 's');
  int n = 0;
  for (const std::string line : {"OK", "\xFFOK"}) {
    const std::string name = "f" + std::to_string(n++) + ".scr";
    SendUpload("AT#WSCRIPT=" + name + ",27\r\n", data);
    h.unit().Inject("\r\n" + line + "\r\n", h.clock.NowMs());
    ASSERT_TRUE(h.RunUntil([&] { return h.unit().scripts().count(name) > 0; }, 20000)) << name;
    EXPECT_EQ(h.unit().scripts().at(name), data);
    EXPECT_EQ(h.MonitorCount("\"" + Printable(line) + "\" before the prompt of AT#WSCRIPT=" + name +
                             ",27 answers nothing"),
              1);
    h.RunFor(1000);
  }
}

TEST_F(UploadTest, PromptWithoutAnUploadCommandSendsNothingAndIsLoggedAtLineEnd) {
  h.unit().faults().silent = true;
  h.form().Monitor.Clear();
  h.Feed("\r\n>>>");
  EXPECT_EQ(h.MonitorCount("send buffer"), 0);
  EXPECT_EQ(h.unit().BytesToWrite(), 0u);
  h.Feed("\r\n");
  EXPECT_EQ(h.MonitorCount(">>>"), 1);
}

TEST_F(UploadTest, UnitThatStopsTakingDataDoesNotBlockForEver) {
  h.unit().faults().cts_lost_after_bytes = 70000;
  ASSERT_FALSE(Upload(std::string(150000, 'x')));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("Sending stopped"), std::string::npos);
  EXPECT_FALSE(h.program->busy());
  EXPECT_EQ(h.MonitorCount("flush buffer"), 1);  // the second piece went, the third never
}

}  // namespace
}  // namespace vrkt
