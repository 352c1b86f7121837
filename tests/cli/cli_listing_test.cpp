// The command line acts only on readings it has checked: whole listings, two readings that agree
// wherever it writes what the file does not hold, and listings that end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/exit_codes.h"
#include "cli_support.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The prefilled VRKT unit: TEST1, TEST2, MASTER1 (position 3), MASTER2, ..., the caretaker at 14.
constexpr int kMaster1 = 3;
constexpr int kCaretaker = 14;

CliHooks WithUnit(std::function<void(SimConfig&)> config,
                  std::function<void(SimFaults&)> faults = nullptr) {
  CliHooks h;
  h.on_sim = [config, faults](SimProvider& p) {
    SimConfig c;
    if (config) config(c);
    p.unit().Configure(c);
    if (faults) faults(p.unit().faults());
  };
  return h;
}

// The SIM after the run as "name=number", in position order, without empty positions.
std::vector<std::string> SimAfter(const CliResult& r) {
  std::vector<std::string> out;
  for (const auto& e : r.sim_book)
    if (e) out.push_back(e->text + "=" + e->number);
  return out;
}

// The prefilled unit's SIM, untouched.
std::vector<std::string> UntouchedSim() {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "status"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return SimAfter(r);
}

size_t Count(const CliResult& r, const std::string& prefix) {
  return static_cast<size_t>(std::count_if(r.unit_commands.begin(), r.unit_commands.end(),
                                           [&](const SimCommand& c) {
                                             return c.line.rfind(prefix, 0) == 0;
                                           }));
}

bool Holds(const std::vector<std::string>& sim, const std::string& entry) {
  return std::find(sim.begin(), sim.end(), entry) != sim.end();
}

TEST(CliListingTest, ImportNeverWritesOnTheStrengthOfOneReading) {
  TempDir dir;
  dir.Write("in.csv", "Name,Number\nJanitor,+420777000111\n");
  const auto untouched = UntouchedSim();
  // One damaged line head, then one bit of a name flipped: each in the first listing only.
  for (auto fault : {+[](SimFaults& f) { f.garbled_heads = {kMaster1}; },
                     +[](SimFaults& f) { f.garbled_names = {kMaster1}; }}) {
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "phonebook", "import",
                                 dir.File("in.csv")},
                                WithUnit(nullptr, fault));
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto sim = SimAfter(r);
    EXPECT_TRUE(Holds(sim, "MASTER1=+420731555201"));
    EXPECT_TRUE(Holds(sim, "Janitor=+420777000111"));
    EXPECT_FALSE(Holds(sim, "MASTES1=+420731555201"));
    for (const std::string& e : untouched) {
      if (e.rfind("VER=", 0) != 0) {
        EXPECT_TRUE(Holds(sim, e)) << e;
      }
    }
  }
  // Every other listing damaged: no two readings in a row agree, and nothing is written.
  CliResult never = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "phonebook", "import", dir.File("in.csv")},
      WithUnit(nullptr, [](SimFaults& f) {
        f.garbled_names = {kMaster1};
        f.garbled_listings = -1;
        f.garbled_every = 2;
      }));
  EXPECT_EQ(never.code, kExitDamaged) << never.err;
  EXPECT_THAT(never.err, HasSubstr("never agreed"));
  EXPECT_THAT(never.err, HasSubstr("nothing was imported or written"));
  EXPECT_EQ(Count(never, "AT+CPBW"), 0u);
  EXPECT_EQ(SimAfter(never), untouched);
}

TEST(CliListingTest, AWriteTakesWhatItsFileLacksOnlyFromReadingsThatAgree) {
  TempDir dir;
  // MASTER1 is left out: the write keeps the unit's value.
  dir.Write("part.vrk", "MASTER2=+420999888777\r\nPARAMVRKT=4#4#3#9#3#5#30#3#2#0\r\n"
                        "PARAMRL1=5#0#03#1\r\n");
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("part.vrk")},
                              WithUnit(nullptr, [](SimFaults& f) {
                                f.garbled_names = {kMaster1};
                              }));
  ASSERT_EQ(r.code, kExitOk) << r.err;
  auto sim = SimAfter(r);
  EXPECT_TRUE(Holds(sim, "MASTER1=+420731555201"));
  EXPECT_TRUE(Holds(sim, "MASTER2=+420999888777"));
  EXPECT_FALSE(Holds(sim, "MASTES1=+420731555201"));
  EXPECT_THAT(r.err, HasSubstr("Two readings of the unit differ"));

  // Never two readings alike: nothing is written, exit 7.
  CliResult never = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "write", dir.File("part.vrk")},
      WithUnit(nullptr, [](SimFaults& f) {
        f.garbled_names = {kMaster1};
        f.garbled_listings = -1;
        f.garbled_every = 2;
      }));
  EXPECT_EQ(never.code, kExitDamaged) << never.err;
  EXPECT_THAT(never.err, HasSubstr("nothing was written: " + dir.File("part.vrk") +
                                   " leaves out entries"));
  EXPECT_EQ(Count(never, "AT+CPBW"), 0u);
  EXPECT_EQ(SimAfter(never), UntouchedSim());

  // A file that holds everything it writes needs one reading before and one after.
  CliResult ref = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")});
  ASSERT_EQ(ref.code, kExitOk) << ref.err;
  CliResult full = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("ref")});
  ASSERT_EQ(full.code, kExitOk) << full.err;
  EXPECT_EQ(Count(full, "AT+CPBR=1,"), 2u);
  RecordProperty("full_file_write_virtual_ms", std::to_string(full.virtual_ms));
  RecordProperty("lacking_file_write_virtual_ms", std::to_string(r.virtual_ms));
  EXPECT_TRUE(Holds(SimAfter(full), "MASTER1=+420731555201"));
}

TEST(CliListingTest, AListingThatNeverEndsEndsAtItsDeadline) {
  TempDir dir;
  CliResult r = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "--timeout", "2", "read", "-o", dir.File("out.vrk")},
      WithUnit(nullptr, [](SimFaults& f) { f.endless_listing = true; }));
  EXPECT_EQ(r.code, kExitNoAnswer) << r.err;
  // 2 s and 100 ms for each of the 250 positions.
  EXPECT_THAT(r.err, HasSubstr("no final result within its deadline of 27 seconds"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.vrk")));
  EXPECT_LT(r.virtual_ms, 60000);
  RecordProperty("virtual_ms", std::to_string(r.virtual_ms));
  EXPECT_EQ(Count(r, "AT+CPBW"), 0u);
  EXPECT_EQ(SimAfter(r), UntouchedSim());
}

TEST(CliListingTest, TheListingIsCheckedAgainstTheSimsUsedCount) {
  TempDir dir;
  // The caretaker's line is lost in the first listing: the SIM says 16 in use, 15 came.
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("a.vrk")},
                              WithUnit(nullptr, [](SimFaults& f) {
                                f.dropped_lines = {kCaretaker};
                              }));
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("the SIM reports 16 positions in use (AT+CPBS?), but its "
                               "listing held 15"));
  EXPECT_THAT(dir.Read("a.vrk"), HasSubstr("Caretaker=+420777555410"));
  // Lost in every listing: export fails instead of missing a row.
  CliResult never = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "phonebook", "export", dir.File("b.csv")},
      WithUnit(nullptr, [](SimFaults& f) {
        f.dropped_lines = {kCaretaker};
        f.garbled_listings = -1;
      }));
  EXPECT_EQ(never.code, kExitDamaged) << never.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.csv")));
  EXPECT_EQ(Count(never, "AT+CPBW"), 0u);
  // A module that does not answer AT+CPBS? is read without the count.
  CliResult plain = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "phonebook", "export", dir.File("c.csv")},
      WithUnit([](SimConfig& c) { c.storage_query = false; }));
  EXPECT_EQ(plain.code, kExitOk) << plain.err;
  EXPECT_THAT(dir.Read("c.csv"), HasSubstr("Caretaker"));
}

TEST(CliListingTest, AnEntryThatCannotBeReadIsNamedAndKept) {
  TempDir dir;
  auto unit = WithUnit([](SimConfig& c) { c.unreadable_positions = {kCaretaker}; });
  CliResult ref = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")},
                                unit);
  ASSERT_EQ(ref.code, kExitOk) << ref.err;
  EXPECT_THAT(ref.err, HasSubstr("position 14: \"+CPBR: 14,\"+420777555410\",145,\"Care\"taker\"\""));
  EXPECT_THAT(ref.err, Not(HasSubstr("Reading again")));
  EXPECT_THAT(dir.Read("ref"), HasSubstr("Night shift=+420777555420"));

  // A write of more rows than before goes round position 14 and leaves it as it is.
  dir.Write("more.vrk", dir.Read("ref") + "Janitor=+420777000111\r\nPorter=+420777000112\r\n");
  CliResult w = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("more.vrk")},
                              unit);
  ASSERT_EQ(w.code, kExitOk) << w.err;
  ASSERT_TRUE(w.sim_book[kCaretaker - 1].has_value());
  EXPECT_EQ(w.sim_book[kCaretaker - 1]->text, "Caretaker");
  const auto sim = SimAfter(w);
  EXPECT_TRUE(Holds(sim, "Janitor=+420777000111"));
  EXPECT_TRUE(Holds(sim, "Porter=+420777000112"));
  EXPECT_TRUE(Holds(sim, "Night shift=+420777555420"));
  EXPECT_EQ(Count(w, "AT+CPBW=14,"), 0u);
  for (const SimCommand& c : w.unit_commands) EXPECT_NE(c.line, "AT+CPBW=14");
}

TEST(CliListingTest, ARangeFromZeroIsRefusedClearly) {
  TempDir dir;
  dir.Write("in.csv", "Name,Number\nJanitor,+420777000111\n");
  CliResult r = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "phonebook", "import", dir.File("in.csv")},
      WithUnit([](SimConfig& c) { c.range_reply = "+CPBR: (0-39),40,16"; }));
  EXPECT_EQ(r.code, kExitFailure) << r.err;
  EXPECT_THAT(r.err, HasSubstr("numbers its phone book positions from 0"));
  EXPECT_EQ(Count(r, "AT+CPBR=?"), 1u);  // said once: reading again would not help
  EXPECT_EQ(Count(r, "AT+CPBW"), 0u);
  EXPECT_EQ(SimAfter(r), UntouchedSim());
}

}  // namespace
}  // namespace vrkt::cli::testing
