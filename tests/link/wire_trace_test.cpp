// The wire trace's text form, its PIN masking, the recorder and the recorded unit played back.

#include "link/wire_trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "sim/replay_unit.h"

namespace vrkt {
namespace {

using ::testing::HasSubstr;

TEST(WireTraceFormatTest, EveryByteSurvivesAsPlainAscii) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  all += "  ends with a space ";
  WireTrace t;
  t.header = {{"program", "VRKTset-cli 5.4"}, {"port", "COM3"}};
  t.events = {{0, TraceEvent::Kind::kOpen, "COM3"},
              {5, TraceEvent::Kind::kOut, all},
              {7, TraceEvent::Kind::kIn, " "},
              {7, TraceEvent::Kind::kCts, "1"},
              {9, TraceEvent::Kind::kClose, ""}};
  const std::string text = FormatTrace(t);
  for (char c : text) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
  }
  // No line ends in a blank that an editor could strip.
  EXPECT_EQ(text.find(" \n"), std::string::npos);
  WireTrace back = ParseTrace(text);
  EXPECT_EQ(back.Header("program"), "VRKTset-cli 5.4");
  EXPECT_EQ(back.Header("port"), "COM3");
  ASSERT_EQ(back.events.size(), t.events.size());
  for (size_t i = 0; i < t.events.size(); ++i) {
    EXPECT_EQ(back.events[i].ms, t.events[i].ms);
    EXPECT_EQ(back.events[i].kind, t.events[i].kind);
    EXPECT_EQ(back.events[i].data, t.events[i].data);
  }
}

TEST(WireTraceFormatTest, ReadsTracesWrittenByHandAndRefusesDamagedOnes) {
  // Saved by an editor on Windows, with comments, blank lines and lower-case escapes.
  WireTrace t = ParseTrace(
      "# VRKT wire trace 1\r\n# port: COM1\r\n# a comment without a value\r\n\r\n"
      "0 open COM1\r\n10 > AT\\r\\n\r\n25 < \\x0a\\x0d\\x0aOK\\r\\n\r\n30 note hello\r\n");
  EXPECT_EQ(t.Header("port"), "COM1");
  ASSERT_EQ(t.events.size(), 4u);
  EXPECT_EQ(t.events[2].data, "\n\r\nOK\r\n");
  EXPECT_EQ(t.events[3].data, "hello");

  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "the file is empty"},
      {"0 open sim\n", "not a wire trace"},
      {"# VRKT wire trace 1\n5 > AT\\\n", "Line 2 of the trace: a backslash ends the line."},
      {"# VRKT wire trace 1\n5 > AT\\x4\n", "Line 2 of the trace: \\x needs two hexadecimal"},
      {"# VRKT wire trace 1\n5 send AT\n", "Line 2 of the trace: unknown event \"send\"."},
      {"# VRKT wire trace 1\n5 >\n", "Line 2 of the trace: the bytes are missing."},
      {"# VRKT wire trace 1\n-5 > AT\n", "Line 2 of the trace: it does not start with"},
      {"# VRKT wire trace 1\n99999999999999 > A\n", "Line 2 of the trace: it does not start"},
      {"# VRKT wire trace 1\n9 > A\n8 > B\n", "Line 3 of the trace: the time goes back."},
      {"# VRKT wire trace 1\n9 dtr on\n", "Line 2 of the trace: dtr needs 0 or 1."},
      {"# VRKT wire trace 1\n9\n", "Line 2 of the trace: the event is missing."},
  };
  for (const Case& c : cases) {
    try {
      ParseTrace(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const AppError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.text;
    }
  }
}

TEST(WireTraceMaskTest, HidesTheSecretsOfThePinCommandsOnly) {
  struct Case {
    const char* bytes;
    const char* masked;
  } cases[] = {
      // As this program sends them, and as other tools write them (quotes, PUK, lower case).
      {"AT+CPIN=4826\r\n", "AT+CPIN=****\r\n"},
      {"AT+CLCK=\"SC\",0,4826\r\n", "AT+CLCK=\"SC\",0,****\r\n"},
      {"AT+CPWD=\"SC\",4826,7391\r\n", "AT+CPWD=\"SC\",****,****\r\n"},
      {"at+cpin=\"12345678\",\"4826\"\r", "at+cpin=\"********\",\"****\"\r"},
      {"AT+CLCK=\"SC\",2\r\n", "AT+CLCK=\"SC\",2\r\n"},
      {"AT+CPIN?\r\nAT+CPIN=4826\r\nAT+CSQ\r\n", "AT+CPIN?\r\nAT+CPIN=****\r\nAT+CSQ\r\n"},
      {"AT+CPBW=3,\"4826\",129,\"AT+CPIN=1\"\r\n", "AT+CPBW=3,\"4826\",129,\"AT+CPIN=1\"\r\n"},
      {"+CPIN: READY\r\n", "+CPIN: READY\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(MaskPins(c.bytes), c.masked) << c.bytes;
}

TEST(WireTraceRecorderTest, RecordsTheSessionAndStopsAtItsBound) {
  VirtualClock clock;
  clock.AdvanceTo(5000);
  TraceRecorder rec(clock, 200);
  rec.SetHeader({{"program", "test"}});
  rec.set_rts_on_open(true);
  rec.Opened("sim");
  clock.Advance(12);
  rec.Out("AT+CPIN=4826\r\n");
  rec.In("AT+CPIN=", 8);
  clock.Advance(1);
  rec.In("4826\r\nOK\r\n", 10);
  rec.CtsSeen(true);
  rec.CtsSeen(true);
  rec.Dtr(true);
  const WireTrace& t = rec.trace();
  EXPECT_EQ(t.Header("port"), "sim");
  EXPECT_EQ(t.Header("pins"), "masked");
  ASSERT_EQ(t.events.size(), 8u);
  EXPECT_EQ(t.events[1].kind, TraceEvent::Kind::kRts);
  EXPECT_EQ(t.events[2].ms, 12);
  EXPECT_EQ(t.events[2].data, "AT+CPIN=****\r\n");
  EXPECT_EQ(t.events[3].data, "AT+CPIN=");
  EXPECT_EQ(t.events[4].data, "****\r\n");  // a line end ends an event of its own
  EXPECT_EQ(t.events[5].data, "OK\r\n");
  EXPECT_EQ(t.events[6].kind, TraceEvent::Kind::kCts);  // only changes of CTS count
  // Past the bound: one note, nothing more, and the closing is still recorded.
  std::string many(300, 'x');
  rec.In(many.data(), many.size());
  rec.Out("AT\r\n");
  rec.Closed();
  EXPECT_EQ(t.events[t.events.size() - 2].kind, TraceEvent::Kind::kNote);
  EXPECT_THAT(t.events[t.events.size() - 2].data, HasSubstr("trace full"));
  EXPECT_EQ(t.events.back().kind, TraceEvent::Kind::kClose);
  EXPECT_NO_THROW(ParseTrace(rec.Text()));
  // Opening again starts a new trace.
  rec.Opened("COM2");
  EXPECT_EQ(rec.trace().events.size(), 2u);
}

WireTrace Recorded() {
  return ParseTrace(
      "# VRKT wire trace 1\n"
      "0 open sim\n"
      "0 dtr 0\n"
      "5 < READY\\r\\n\n"
      "100 > AT\\r\\n\n"
      "130 < OK\\r\\n\n"
      "140 cts 0\n"
      "200 > AT+CPIN=****\\r\\n\n"
      "200 < AT+CPIN=****\\r\\n\n"
      "260 < OK\\r\\n\n"
      "300 > AT+CSQ\\r\\n\n"
      "350 < +CSQ: 20,0\\r\\nOK\\r\\n\n"
      "400 close\n");
}

std::string Drain(ReplayUnit& u) {
  std::string out(u.BytesAvailable(), '\0');
  out.resize(u.Read(out.data(), out.size()));
  return out;
}

TEST(ReplayUnitTest, AnswersAsRecordedAtTheRecordedDelays) {
  VirtualClock clock;
  ReplayUnit u(clock, Recorded(), false);
  EXPECT_EQ(u.actions(), 4u);
  u.SetDtr(false);
  clock.AdvanceTo(5);
  EXPECT_EQ(Drain(u), "READY\r\n");
  clock.AdvanceTo(1000);
  u.Write("AT\r\n");
  EXPECT_EQ(u.NextEventMs(), 1030);
  clock.AdvanceTo(1029);
  EXPECT_EQ(Drain(u), "");
  EXPECT_TRUE(u.Cts());
  clock.AdvanceTo(1040);
  EXPECT_EQ(Drain(u), "OK\r\n");
  EXPECT_FALSE(u.Cts());
  // A masked PIN matches any PIN, and the echo carries the PIN the program sent.
  u.Write("AT+CPIN=4826\r\n");
  clock.Advance(60);
  EXPECT_EQ(Drain(u), "AT+CPIN=4826\r\nOK\r\n");
  EXPECT_EQ(u.divergence(), "");
  EXPECT_EQ(u.matched(), 3u);
}

TEST(ReplayUnitTest, ACommandOffTheRecordingGetsNoAnswerAndIsReportedOnce) {
  VirtualClock clock;
  ReplayUnit u(clock, Recorded(), true);
  std::vector<std::string> reports;
  u.on_divergence = [&](const std::string& m) { reports.push_back(m); };
  u.SetDtr(false);
  u.Write("AT\r\n");
  clock.Advance(10);
  EXPECT_EQ(Drain(u), "READY\r\nOK\r\n");  // fast: only the wire's own time
  u.Write("AT+CSQ\r\n");
  u.Write("AT+CSQ\r\n");
  clock.Advance(1000);
  EXPECT_EQ(Drain(u), "");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0],
            "Replay: the session left the recording at command 3: the recording has "
            "\"AT+CPIN=****\\r\\n\", the program sent \"AT+CSQ\\r\\n\".");
  EXPECT_EQ(u.mismatches(), 2);
  // The recording's own next command still gets its answer.
  u.Write("AT+CPIN=1111\r\n");
  clock.Advance(10);
  EXPECT_EQ(Drain(u), "AT+CPIN=1111\r\nOK\r\n");
  u.Write("AT+CSQ\r\n");
  u.Write("AT+CSQ\r\n");
  clock.Advance(10);
  EXPECT_EQ(Drain(u), "+CSQ: 20,0\r\nOK\r\n");
  EXPECT_EQ(u.mismatches(), 3);  // the second: past the recording's end
}

}  // namespace
}  // namespace vrkt
