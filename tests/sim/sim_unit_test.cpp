#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "sim/sim_unit.h"
#include "support/harness.h"

namespace vrkt {
namespace {

using vrkt::testing::AnsweringConfig;

// Drives the unit directly, as a port would.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { unit.Configure(AnsweringConfig()); }
  // Writes a command and collects everything the unit says within `ms`.
  std::string Ask(const std::string& bytes, int64_t ms = 1000) {
    unit.Write(bytes);
    return Collect(ms);
  }
  std::string Collect(int64_t ms) {
    std::string out;
    int64_t end = clock.NowMs() + ms;
    while (clock.NowMs() < end) {
      clock.Advance(1);
      char buf[256];
      while (size_t n = unit.Read(buf, sizeof buf)) out.append(buf, n);
    }
    return out;
  }
  VirtualClock clock;
  SimUnit unit{clock};
};

TEST_F(SimTest, EchoIsFramedAsModulesFrameIt) {
  EXPECT_EQ(Ask("AT\r\n"), "AT\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("ATE0\r\n"), "ATE0\r\r\nOK\r\n");  // echo is off before the line feed
  EXPECT_EQ(Ask("AT+CGSN\r\n"), "\r\n356938035643809\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+NOSUCH\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(Ask("hello\r\n"), "");
}

TEST_F(SimTest, PhoneBookReadWriteAndLimits) {
  Ask("ATE0\r\n");
  EXPECT_EQ(Ask("AT+CPBR=?\r\n"), "\r\n+CPBR: (1-250),40,16\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+CPBR=1\r\n"), "\r\n+CPBR: 1,\"+420602555101\",145,\"TEST1\"\r\n\r\nOK\r\n");
  struct Case {
    const char* command;
    const char* reply;
    int index;
    const char* number;
    const char* text;
  } cases[] = {
      {"AT+CPBW=30,0123 456,,Night porter", "OK", 30, "0123456", "Nightporter"},
      {"AT+CPBW=31,\"+4201\",145,\"Night porter\"", "OK", 31, "+4201", "Night porter"},
      {"AT+CPBW=34,\"+420 1\",145,X", "+CME ERROR: 27", 0, "", ""},
      {"AT+CPBW=251,1,,X", "+CME ERROR: 21", 0, "", ""},
      {"AT+CPBW=32,12a,,X", "+CME ERROR: 27", 0, "", ""},
      {"AT+CPBW=33,1,,ABCDEFGHIJKLMNOPQ", "+CME ERROR: 24", 0, "", ""},
      {"AT+CPBW=1", "OK", 1, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ask(std::string(c.command) + "\r\n"), std::string("\r\n") + c.reply + "\r\n")
        << c.command;
    if (c.index == 0) continue;
    const auto& e = unit.card().At(c.index);
    if (!c.number) {
      EXPECT_FALSE(e.has_value());
      continue;
    }
    ASSERT_TRUE(e.has_value()) << c.command;
    EXPECT_EQ(e->number, c.number);
    EXPECT_EQ(e->text, c.text);
  }
  EXPECT_EQ(Ask("AT+CPBR=200,250\r\n"), "\r\n+CME ERROR: 22\r\n");
  SimConfig small = AnsweringConfig();
  small.capacity = 20;
  small.family = SimFamily::kDvg;
  unit.Configure(small);
  EXPECT_NE(Ask("AT+CPBR=?\r\n").find("+CPBR: (1-20),40,16"), std::string::npos);
  EXPECT_GT(unit.card().Find("TINPUTS"), 0);
  EXPECT_EQ(unit.card().Find("PORTOPEN"), 0);
}

TEST_F(SimTest, WireDrainsAtLineRateAndStopsWithoutCts) {
  unit.Write(std::string(11520, 'x'));
  clock.Advance(500);
  EXPECT_NEAR(static_cast<double>(unit.BytesToWrite()), 5760, 2);
  unit.SetCts(false);
  clock.Advance(2000);
  EXPECT_NEAR(static_cast<double>(unit.BytesToWrite()), 5760, 2);
  unit.SetCts(true);
  clock.Advance(500);
  EXPECT_EQ(unit.BytesToWrite(), 0u);
}

TEST_F(SimTest, DataCommandsTakeExactlyTheAnnouncedBytes) {
  Ask("ATE0\r\n");
  EXPECT_EQ(Ask("AT#WSCRIPT=a.py,5\r\n"), "\r\n>>>");
  EXPECT_EQ(Ask("AT\r\nX"), "\r\nOK\r\n");  // five bytes of data, then nothing
  EXPECT_EQ(unit.scripts().at("a.py"), "AT\r\nX");
  EXPECT_EQ(Ask("AT#ASEND=clip.dat,3\r\n"), "\r\nCONNECT\r\n");
  EXPECT_EQ(Ask(std::string("\x00\xff\r", 3), 2000), std::string("\r\nOK\r\n\r\n#ASENDEV: 0\r\n"));
  EXPECT_EQ(unit.files().at("clip.dat"), std::string("\x00\xff\r", 3));
  EXPECT_EQ(Ask("AT#ESCRIPT=a.py\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(unit.run_script(), "a.py");
  EXPECT_EQ(Ask("AT#DSCRIPT=a.py\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(Ask("AT#DSCRIPT=a.py\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT#WSCRIPT=b.py,0\r\n"), "\r\nERROR\r\n");
}

TEST_F(SimTest, PinCommands) {
  SimConfig config = AnsweringConfig();
  config.pin_enabled = true;
  config.pin_entered = false;
  unit.Configure(config);
  Ask("ATE0\r\n");
  struct Step {
    const char* command;
    const char* reply;
  } steps[] = {
      {"AT+CPBR=?", "+CME ERROR: 11"},
      {"AT+CPIN=1111", "+CME ERROR: 16"},
      {"AT+CPIN=1234", "OK"},
      {"AT+CPIN=1234", "+CME ERROR: 3"},  // not waiting for a PIN any more
      {"AT+CPWD=\"SC\",1234,7391", "OK"},
      {"AT+CLCK=\"SC\",0,1234", "+CME ERROR: 16"},
      {"AT+CLCK=\"SC\",0,7391", "OK"},
      {"AT+CPWD=\"SC\",7391,1234", "+CME ERROR: 3"},  // the request is off
      {"AT+CLCK=\"SC\",1,0000", "+CME ERROR: 16"},
      {"AT+CLCK=\"SC\",1,0000", "+CME ERROR: 16"},
      {"AT+CLCK=\"SC\",1,0000", "+CME ERROR: 16"},
      {"AT+CLCK=\"SC\",1,7391", "+CME ERROR: 12"},  // three wrong in a row: PUK
  };
  for (const Step& s : steps)
    EXPECT_EQ(Ask(std::string(s.command) + "\r\n"), std::string("\r\n") + s.reply + "\r\n")
        << s.command;
}

TEST_F(SimTest, ApplicationStopsOnDtrAndRestartsAfterReboot) {
  Ask("ATE0\r\n");
  unit.SetDtr(true);
  std::string said = Collect(1499);
  EXPECT_EQ(said, "");
  said = Collect(1502);
  EXPECT_EQ(said, "\r\nSTOP\r\n");
  EXPECT_FALSE(unit.app_running());
  unit.SetDtr(false);
  EXPECT_EQ(Collect(3000), "");  // DTR off alone does not restart a 2G unit
  EXPECT_EQ(Ask("AT#REBOOT\r\n", 3000), "\r\nOK\r\n");
  EXPECT_EQ(Ask("AT\r\n", 100), "");  // deaf while it restarts
  EXPECT_EQ(Collect(6000), "\r\n+CREG: 0,1\r\n");
  EXPECT_TRUE(unit.app_running());
  EXPECT_TRUE(unit.echo());
}

TEST_F(SimTest, SameSeedSameTimingOtherSeedOtherTiming) {
  auto stop_time = [](uint32_t seed) {
    VirtualClock c;
    SimUnit u(c);
    SimConfig config = AnsweringConfig();
    config.seed = seed;
    u.Configure(config);
    u.SetDtr(true);
    while (u.BytesAvailable() == 0) c.Advance(1);
    return c.NowMs();
  };
  EXPECT_EQ(stop_time(7), stop_time(7));
  std::set<int64_t> seen;
  for (uint32_t s = 1; s <= 8; ++s) seen.insert(stop_time(s));
  EXPECT_GT(seen.size(), 4u);
}

TEST_F(SimTest, AnswersLeaveInTheOrderTheCommandsCame) {
  SimConfig config = AnsweringConfig();
  config.pin_enabled = true;
  config.pin_entered = false;
  config.echo = false;
  unit.Configure(config);
  // A slow refusal and a quick query right behind it: the refusal still comes first.
  EXPECT_EQ(Ask("AT+CPIN=1111\r\nAT\r\n", 2000), "\r\n+CME ERROR: 16\r\n\r\nOK\r\n");
  const auto& t = unit.transcript();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].line, "AT+CPIN=1111");
  EXPECT_EQ(t[0].final_result, "+CME ERROR: 16");
  EXPECT_LT(t[0].answered_us, t[1].answered_us);
  EXPECT_GT(t[1].first_byte_us, t[0].last_byte_us);
  // Sent back to back, the second command went out before the first was answered.
  ASSERT_EQ(CommandsSentWhileAnotherAwaited(t, 5000).size(), 1u);
  EXPECT_EQ(CommandsSentWhileAnotherAwaited(t, 5000)[0].rfind("AT went out 0 ms after AT+CPIN", 0), 0u);
  Ask("AT\r\n");
  Ask("AT+CSQ\r\n");
  EXPECT_EQ(CommandsSentWhileAnotherAwaited(t, 5000).size(), 1u);
  // A command that is never answered is given up after the deadline.
  unit.faults().silent = true;
  Ask("AT\r\n", 100);
  unit.faults().silent = false;
  Ask("AT\r\n", 100);
  EXPECT_EQ(CommandsSentWhileAnotherAwaited(t, 5000).size(), 2u);
  EXPECT_EQ(CommandsSentWhileAnotherAwaited(t, 90).size(), 1u);
}

TEST_F(SimTest, ModuleFramingEchoesBytesFramesLinesAndSpellsErrors) {
  SimConfig config = AnsweringConfig();
  config.framing = SimFraming::kModule;
  config.range_without_parens = true;
  config.name_length = 14;
  unit.Configure(config);
  EXPECT_EQ(Ask("AT+CPBR=?\r\n"), "AT+CPBR=?\r\n\r\n+CPBR: 1-250,40,14\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+CPBR=1,2\r\n"),
            "AT+CPBR=1,2\r\n\r\n+CPBR: 1,\"+420602555101\",145,\"TEST1\"\r\n"
            "\r\n+CPBR: 2,\"+420602555102\",145,\"TEST2\"\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+CPBW=3,1,,ABCDEFGHIJKLMNO\r\n"),
            "AT+CPBW=3,1,,ABCDEFGHIJKLMNO\r\n\r\n+CME ERROR: text string too long\r\n");
  // The echo is byte by byte: half a command is already echoed.
  unit.Write("AT+CG");
  EXPECT_EQ(Collect(50), "AT+CG");
  config.plain_errors = true;
  config.echo = false;
  config.listing_end = "+CME ERROR: 21";
  unit.Configure(config);
  EXPECT_EQ(Ask("AT+CPBW=300,1,,A\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+CPBR=250,250\r\n"), "\r\nERROR\r\n");  // nothing found
}

TEST_F(SimTest, SlowListingNoiseAndSilenceAreTheirOwnFaults) {
  SimConfig config = AnsweringConfig();
  config.echo = false;
  unit.Configure(config);
  unit.faults().listing_ms_per_byte = 10;
  unit.Write("AT+CPBR=1,250\r\n");
  std::string first_second = Collect(1000);
  std::string rest = Collect(20000);
  EXPECT_GT(first_second.size(), 40u);  // it trickles: some lines within the first second
  EXPECT_NE(rest.find("\r\nOK\r\n"), std::string::npos);
  EXPECT_EQ(first_second.find("OK"), std::string::npos);
  EXPECT_GT(rest.size(), 400u);

  auto noisy = [](uint32_t seed) {
    VirtualClock c;
    SimUnit u(c);
    SimConfig cfg = AnsweringConfig();
    cfg.echo = false;
    u.Configure(cfg);
    u.faults().line_noise = 0.05;
    u.faults().noise_seed = seed;
    u.Write("AT+CPBR=1,250\r\n");
    c.Advance(3000);
    std::string got(u.BytesAvailable(), '\0');
    got.resize(u.Read(got.data(), got.size()));
    return got;
  };
  std::string a = noisy(3);
  EXPECT_EQ(a, noisy(3));
  EXPECT_NE(a, noisy(4));
  EXPECT_EQ(a.find('\r') == std::string::npos, false);
  size_t junk = static_cast<size_t>(std::count_if(a.begin(), a.end(), [](char ch) {
    auto b = static_cast<unsigned char>(ch);
    return (b < 32 && b != 13 && b != 10) || b >= 128;
  }));
  EXPECT_GT(junk, 5u);

  unit.Configure(config);
  unit.faults().silent_after_commands = 1;
  EXPECT_EQ(Ask("AT\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(Ask("AT\r\n"), "");
}

TEST_F(SimTest, ASimStillStoringAfterItsOkLosesAWriteThatComesTooSoon) {
  SimConfig config = AnsweringConfig();
  config.echo = false;
  config.write_ms = 100;
  config.write_busy_after_ok_ms = 80;
  unit.Configure(config);
  // The module answers once the SIM has had 20 of its 100 ms.
  EXPECT_EQ(Ask("AT+CPBW=30,111,,A\r\n", 50), "\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+CPBW=31,222,,B\r\n", 50), "\r\nOK\r\n");
  ASSERT_TRUE(unit.card().At(30).has_value());
  EXPECT_FALSE(unit.card().At(31).has_value());  // acknowledged, and lost
  // A read waits until the SIM has stored position 30; a write after that is stored.
  EXPECT_EQ(Ask("AT+CPBR=30\r\n", 20), "");
  EXPECT_EQ(Collect(200), "\r\n+CPBR: 30,\"111\",129,\"A\"\r\n\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+CPBW=32,333,,C\r\n", 100), "\r\nOK\r\n");
  EXPECT_TRUE(unit.card().At(32).has_value());

  // A module that answers once the position is stored can take the next write at once.
  config.write_busy_after_ok_ms = 0;
  unit.Configure(config);
  unit.Write("AT+CPBW=40,1,,X\r\n");
  unit.Write("AT+CPBW=41,2,,Y\r\n");
  EXPECT_EQ(Collect(500), "\r\nOK\r\n\r\nOK\r\n");
  EXPECT_TRUE(unit.card().At(40).has_value() && unit.card().At(41).has_value());
}

}  // namespace
}  // namespace vrkt
