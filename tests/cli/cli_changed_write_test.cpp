// Writes that send only the SIM positions that differ, and the read-back that decides.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "cli/report.h"
#include "cli_support.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Writes(const CliResult& r) {
  std::vector<std::string> out;
  for (const SimCommand& c : r.unit_commands)
    if (c.line.rfind("AT+CPBW=", 0) == 0) out.push_back(c.line);
  return out;
}

// "position:name=number" for every used position.
std::vector<std::string> Book(const CliResult& r) {
  std::vector<std::string> out;
  for (size_t i = 0; i < r.sim_book.size(); ++i)
    if (const auto& e = r.sim_book[i])
      out.push_back(std::to_string(i + 1) + ":" + e->text + "=" + e->number);
  return out;
}

CliHooks FullSim(std::function<void(SimUnit&)> more = nullptr) {
  return {.on_sim = [more](SimProvider& p) {
    p.unit().card().FillFree();
    if (more) more(p.unit());
  }};
}

class ChangedWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim:full", "read", "-o", dir_.File("ref.vrk")});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    ref_ = dir_.Read("ref.vrk");
  }
  CliResult Write(const std::string& text, std::vector<std::string> extra = {},
                  std::function<void(SimUnit&)> more = nullptr) {
    dir_.Write("w.vrk", text);
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.insert(argv.end(), {"write", dir_.File("w.vrk")});
    return RunCliForTest(argv, FullSim(std::move(more)));
  }
  TempDir dir_;
  std::string ref_;
};

TEST_F(ChangedWriteTest, AUnitThatHoldsTheFileGetsNoWriteButIsStillReadBack) {
  CliResult r = Write(ref_, {"--report", dir_.File("r.csv")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(Writes(r), ::testing::IsEmpty());
  EXPECT_THAT(r.out, HasSubstr("Wrote 0 positions of the SIM; 249 positions already right"));
  EXPECT_THAT(r.out, HasSubstr("holds every entry"));
  // Two whole listings: the reading and the read-back.
  int listings = 0;
  for (const SimCommand& c : r.unit_commands) listings += c.line == "AT+CPBR=1,250";
  EXPECT_EQ(listings, 2);
  const std::string report = dir_.Read("r.csv");
  EXPECT_THAT(report, HasSubstr(",write,passed,0,0,249,"));
  EXPECT_EQ(Book(r)[11], "12:VER=214");
}

TEST_F(ChangedWriteTest, WritesOnlyTheDifferingPositionsAndLeavesWhatAFullWriteLeaves) {
  std::string file = Replace(ref_, "MASTER2=+420731555202", "MASTER2=+420999888777");
  file = Replace(file, "Tenant 40=+420777551040", "Tenant 40=+420111");
  file = Replace(file, "Tenant 41=", "Renamed 41=");
  // The last two rows go: their positions are emptied.
  file = Replace(file, "Tenant 249=+420777551249\r\n", "");
  file = Replace(file, "Tenant 250=+420777551250\r\n", "");
  CliResult r = Write(file);
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(Writes(r), ::testing::ElementsAre("AT+CPBW=4,+420999888777,,MASTER2",
                                                "AT+CPBW=40,+420111,,\"Tenant 40\"",
                                                "AT+CPBW=41,+420777551041,,\"Renamed 41\"",
                                                "AT+CPBW=249", "AT+CPBW=250"));
  EXPECT_THAT(r.out, HasSubstr("Wrote 5 positions of the SIM; 244 positions already right"));
  std::vector<std::string> book = Book(r);
  ASSERT_EQ(book.size(), 248u);
  EXPECT_EQ(book[3], "4:MASTER2=+420999888777");
  EXPECT_EQ(book[11], "12:VER=214");
  EXPECT_EQ(book[39], "40:Tenant 40=+420111");
  EXPECT_EQ(book.back(), "248:Tenant 248=+420777551248");
  // The same file written with --all leaves the same SIM, the VER entry where it was.
  CliResult all = Write(file, {"--all"});
  ASSERT_EQ(all.code, kExitOk) << all.err;
  EXPECT_EQ(Writes(all).size(), 249u);
  EXPECT_THAT(all.out, HasSubstr("Wrote 249 positions of the SIM (pace 200 ms)"));
  std::vector<std::string> names_changed, names_all;
  for (const auto& e : r.sim_book)
    if (e) names_changed.push_back(e->text + "=" + e->number);
  for (const auto& e : all.sim_book)
    if (e) names_all.push_back(e->text + "=" + e->number);
  EXPECT_EQ(names_changed, names_all);
}

TEST_F(ChangedWriteTest, AReadingThatWasWrongIsCaughtAndRepairedByTheReadBack) {
  // Once the first listing is out, someone else overwrites position 30 and empties 31.
  int listing_count = 0;
  CliResult r = Write(ref_, {"--fast"}, [&](SimUnit& u) {
    u.faults().change_after_listings = 1;
    u.faults().change_position = 30;
    u.faults().change_entry = SimEntry{"999", 129, "Intruder"};
    (void)listing_count;
  });
  ASSERT_EQ(r.code, kExitOk) << r.err << r.out;
  EXPECT_THAT(r.err, HasSubstr("shows 2 differences; writing the positions that differ again, at 200 ms"));
  EXPECT_THAT(Writes(r), ::testing::ElementsAre("AT+CPBW=30,+420777551030,,\"Tenant 30\""));
  EXPECT_EQ(Book(r)[29], "30:Tenant 30=+420777551030");
  EXPECT_THAT(r.out, HasSubstr("then 1 position again at 200 ms"));
  // Three listings: the reading, the read-back that found the change, the one after repairing.
  int listings = 0;
  for (const SimCommand& c : r.unit_commands) listings += c.line == "AT+CPBR=1,250";
  EXPECT_EQ(listings, 3);
}

TEST_F(ChangedWriteTest, AllWritesOnceAndAWrongReadingIsNotItsConcern) {
  CliResult r = Write(ref_, {"--all", "--fast"}, [](SimUnit& u) {
    u.faults().change_after_listings = 1;
    u.faults().change_position = 30;
    u.faults().change_entry = SimEntry{"999", 129, "Intruder"};
  });
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(Writes(r).size(), 249u);  // every position but the VER entry's
  EXPECT_THAT(r.err, Not(HasSubstr("again")));
}

// Ten positions differ; the SIM loses a write that comes while it still stores the one before.
std::string TenChanged(std::string file) {
  for (int i = 100; i < 110; ++i)
    file = Replace(file, "Tenant " + std::to_string(i) + "=+42077755",
                   "Tenant " + std::to_string(i) + "=+42066655");
  return file;
}

TEST_F(ChangedWriteTest, PaceAutoRewritesLostPositionsAtTheDefaultPaceAndPasses) {
  CliResult r = Write(TenChanged(ref_), {"--pace", "auto", "--report", dir_.File("r.csv")},
                      [](SimUnit& u) {
                        SimConfig c = u.config();
                        c.write_busy_after_ok_ms = 40;
                        u.Configure(c);
                        u.card().FillFree();
                      });
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Wrote 10 positions of the SIM; 239 positions already right "
                               "(pace 20 ms); then 5 positions again at 200 ms"));
  for (int i = 100; i < 110; ++i)
    EXPECT_EQ(Book(r)[static_cast<size_t>(i - 1)],
              std::to_string(i) + ":Tenant " + std::to_string(i) + "=+420666551" +
                  std::to_string(i));
  EXPECT_THAT(dir_.Read("r.csv"), HasSubstr(",write,passed,0,15,239,"));
}

TEST_F(ChangedWriteTest, PaceAutoFailsAUnitThatLosesWritesAtTheDefaultPaceToo) {
  CliResult r = Write(TenChanged(ref_), {"--pace", "auto"}, [](SimUnit& u) {
    SimConfig c = u.config();
    c.write_ms = 400;
    c.write_busy_after_ok_ms = 400;
    u.Configure(c);
    u.card().FillFree();
  });
  EXPECT_EQ(r.code, kExitMismatch) << r.err;
  EXPECT_THAT(r.out, Not(HasSubstr("holds every entry")));
  EXPECT_THAT(r.err, HasSubstr("does not match"));
  int right = 0;
  for (int i = 100; i < 110; ++i)
    right += Book(r)[static_cast<size_t>(i - 1)] ==
             std::to_string(i) + ":Tenant " + std::to_string(i) + "=+420666551" + std::to_string(i);
  EXPECT_LT(right, 10);
}

TEST_F(ChangedWriteTest, AFastWriteWithoutAutoIsRepairedAtTheDefaultPace) {
  // Changed positions only: the read-back decides, and what it finds lost goes once more.
  CliResult r = Write(TenChanged(ref_), {"--fast"}, [](SimUnit& u) {
    SimConfig c = u.config();
    c.write_busy_after_ok_ms = 40;
    u.Configure(c);
    u.card().FillFree();
  });
  EXPECT_EQ(r.code, kExitOk) << r.err;
  // With --all the lost writes fail the unit, as they always did.
  CliResult all = Write(TenChanged(ref_), {"--fast", "--all"}, [](SimUnit& u) {
    SimConfig c = u.config();
    c.write_busy_after_ok_ms = 40;
    u.Configure(c);
    u.card().FillFree();
  });
  EXPECT_EQ(all.code, kExitMismatch) << all.err;
}

TEST(ChangedWriteOptionsTest, PaceAndAllAreOptionsOfWrites) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--all", "status"}, {"--pace", "auto", "--fast", "write", "x"},
        {"--pace", "automatic", "write", "x"}}) {
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(RunCliForTest(argv).code, kExitUsage) << args[0] << " " << args[1];
  }
}

}  // namespace
}  // namespace vrkt::cli::testing
