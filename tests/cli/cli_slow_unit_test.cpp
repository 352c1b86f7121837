// The command line against units that are slow, noisy or lose CTS: one deadline, the one
// --timeout sets; one message per failure; no file saved from a reading that is not sure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/exit_codes.h"
#include "cli_support.h"
#include "sim/sim_unit.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CliSlowUnitTest, TimeoutSetsTheOneReplyDeadline) {
  struct Case {
    std::vector<std::string> timeout;
    int code;
  } cases[] = {
      {{"--timeout", "30"}, kExitOk},  // a 6 s unit is read whole
      {{}, kExitNoAnswer},             // the default 10 s is too short for a 12 s unit
  };
  for (const Case& c : cases) {
    TempDir dir;
    const int latency = c.code == kExitOk ? 6000 : 12000;
    CliHooks hooks;
    hooks.on_sim = [&](SimProvider& p) { p.unit().faults().latency_ms = latency; };
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")};
    argv.insert(argv.end(), c.timeout.begin(), c.timeout.end());
    CliResult r = RunCliForTest(argv, hooks);
    EXPECT_EQ(r.code, c.code) << r.err;
    if (c.code == kExitOk) {
      EXPECT_EQ(r.err, "");
      EXPECT_NE(dir.Read("ref").find("MASTER1=+420731555201"), std::string::npos);
    } else {
      // One message, naming the deadline that was in force, and how to restart the unit.
      EXPECT_EQ(CountOf(r.err, "no answer"), 1u) << r.err;
      EXPECT_THAT(r.err, HasSubstr("no answer within 10 seconds"));
      EXPECT_THAT(r.err, HasSubstr("The unit's application is stopped"));
      EXPECT_FALSE(std::filesystem::exists(dir.File("ref")));
    }
  }
}

TEST(CliSlowUnitTest, NoisyReadSavesOnlyAReadingItIsSureOf) {
  TempDir clean_dir;
  ASSERT_EQ(RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", clean_dir.File("ref")}).code,
            kExitOk);
  const std::string reference = clean_dir.Read("ref");
  int saved = 0;
  int refused = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    TempDir dir;
    CliHooks hooks;
    hooks.on_sim = [&](SimProvider& p) {
      p.unit().faults().line_noise = seed % 2 ? 0.01 : 0.001;
      p.unit().faults().noise_seed = seed;
    };
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")}, hooks);
    if (r.code == kExitOk) {
      ++saved;
      EXPECT_EQ(dir.Read("ref"), reference);
    } else {
      ++refused;
      EXPECT_TRUE(r.code == kExitDamaged || r.code == kExitNoAnswer) << r.code << " " << r.err;
      EXPECT_FALSE(std::filesystem::exists(dir.File("ref")));
    }
  }
  EXPECT_GT(saved, 0);
  EXPECT_GT(refused, 0);
}

TEST(CliSlowUnitTest, CtsLostDuringAnUploadIsAPortFailureNoticedAtOnce) {
  TempDir dir;
  dir.Write("big.scr", std::string(150000, 'x'));
  dir.Write("big.ifo", "big.scr\r\n");
  CliHooks hooks;
  // CTS drops about 70,000 bytes into the upload, while the second piece waits to go.
  hooks.on_sim = [&](SimProvider& p) { p.unit().faults().cts_lost_after_bytes = 70000; };
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "send-list", dir.File("big.ifo")}, hooks);
  EXPECT_EQ(r.code, kExitPort) << r.err;
  EXPECT_THAT(r.err, HasSubstr("dropped CTS"));
  int64_t upload_at = -1;
  for (const SimCommand& c : r.unit_commands)
    if (c.line == "AT#WSCRIPT=big.scr,150000") upload_at = c.at_ms;
  ASSERT_GE(upload_at, 0);
  // 70,000 bytes take about 6.1 s on the line; the loss is noticed about 2 s later.
  EXPECT_LE(r.virtual_ms - upload_at, 6100 + 500 + 2000 + 1500);
}

}  // namespace
}  // namespace vrkt::cli::testing
