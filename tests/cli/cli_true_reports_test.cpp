// The command line against units as they are met: one whose application owns the line, one left
// stopped, one that answers nothing, and a SIM that calls the PIN wrong.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/exit_codes.h"
#include "cli_support.h"

namespace vrkt::cli::testing {
namespace {

CliHooks WithUnit(std::function<void(SimConfig&, SimFaults&)> change) {
  CliHooks hooks;
  hooks.on_sim = [change](SimProvider& p) {
    SimConfig c = p.unit().config();
    SimFaults f;
    change(c, f);
    p.unit().Configure(c);
    p.unit().faults() = f;
  };
  return hooks;
}

TEST(CliTrueReportsTest, StatusOfARunningAndOfAStoppedUnitCostsNoDeadline) {
  for (bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped already" : "application running");
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "status"},
                                WithUnit([stopped](SimConfig& c, SimFaults&) {
                                  c.app_running_at_start = !stopped;
                                }));
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Signal:"), std::string::npos);
    EXPECT_NE(r.out.find("SIM capacity:   250 positions"), std::string::npos) << r.out;
    // Stop, the read, the three queries and the IMEI: no reply deadline waited out anywhere.
    EXPECT_LT(r.virtual_ms, 20000) << r.err;
    EXPECT_EQ(r.err.find("did not report STOP"), std::string::npos) << r.err;
  }
}

TEST(CliTrueReportsTest, AUnitThatAnswersNothingIsSaidNotToAnswer) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "--timeout", "2", "status"},
                              WithUnit([](SimConfig&, SimFaults& f) {
                                f.silent = true;
                                f.never_stop = true;
                              }));
  EXPECT_EQ(r.code, kExitNoAnswer);
  EXPECT_NE(r.err.find("The unit does not answer on sim: check the cable and the unit's power."),
            std::string::npos)
      << r.err;
}

TEST(CliTrueReportsTest, AWrongPinIsNamedAndNothingMoreIsSent) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "unpin", "1111"},
                              WithUnit([](SimConfig& c, SimFaults&) {
                                c.pin_enabled = true;
                                c.pin_entered = false;
                              }));
  EXPECT_EQ(r.code, kExitRefused);
  EXPECT_NE(r.err.find("The SIM refused the PIN 1111 (AT+CPIN=1111)"), std::string::npos)
      << r.err;
  for (const SimCommand& c : r.unit_commands) EXPECT_EQ(c.line.rfind("AT+CLCK", 0), std::string::npos);
  ASSERT_FALSE(r.unit_commands.empty());
  EXPECT_EQ(r.unit_commands.back().line, "AT+CPIN=1111");
}

TEST(CliTrueReportsTest, StatusValuesThatCannotBeReadShowAsUnknown) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "status"},
                              WithUnit([](SimConfig&, SimFaults& f) { f.damaged_status = true; }));
  EXPECT_EQ(r.code, kExitDamaged) << r.err;
  EXPECT_NE(r.out.find("Signal:         unknown"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Battery:        unknown"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Signal:         0"), std::string::npos) << r.out;
  // The supply reply was clean and still shows.
  EXPECT_EQ(r.out.find("Supply:         unknown"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("could not be read"), std::string::npos) << r.err;
}

TEST(CliTrueReportsTest, ASignalReplyWithoutItsOkNamesTheSignalQuery) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "--timeout", "2", "status"},
                              WithUnit([](SimConfig&, SimFaults& f) { f.no_final_on = {"AT+CSQ"}; }));
  EXPECT_EQ(r.code, kExitNoAnswer) << r.err;
  EXPECT_NE(r.err.find("answered the signal query (AT+CSQ) but did not end the answer"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("AT#CBC"), std::string::npos) << r.err;
  for (const SimCommand& c : r.unit_commands) EXPECT_NE(c.line, "AT#CBC");
}

TEST(CliTrueReportsTest, VerifyNamesKeysMissingFromTheFileAsMissing) {
  TempDir dir;
  CliResult read = RunCliForTest({"DVG1Cset-cli", "--port", "sim", "read", "-o", dir.File("u.dvg")});
  ASSERT_EQ(read.code, kExitOk) << read.err;
  // The file without its TINPUTS and SDATA lines, as an older program saved it.
  std::string file, line;
  std::istringstream in(dir.Read("u.dvg"));
  while (std::getline(in, line))
    if (line.rfind("TINPUTS=", 0) != 0 && line.rfind("SDATA=", 0) != 0) file += line + "\n";
  ASSERT_NE(file.size(), dir.Read("u.dvg").size());
  dir.Write("short.dvg", file);
  CliResult r = RunCliForTest({"DVG1Cset-cli", "--port", "sim", "verify", dir.File("short.dvg")});
  EXPECT_NE(r.out.find("TINPUTS  missing from the file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SDATA  missing from the file"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("TINPUTS    file"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("SDATA      file"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(" file \""), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("lacks 2 keys"), std::string::npos) << r.err;
  for (const SimCommand& c : r.unit_commands) EXPECT_NE(c.line.rfind("AT+CPBW", 0), 0u) << c.line;
}

// The command line that writes the unit's own reading back with MASTER2 changed: one position
// differs, position 4.
std::vector<std::string> WriteOfTheUnitWithMaster2Changed(TempDir& dir) {
  CliResult ref = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")});
  EXPECT_EQ(ref.code, kExitOk) << ref.err;
  std::string file = dir.Read("ref");
  const std::string from = "MASTER2=+420731555202";
  const size_t at = file.find(from);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no " << from << " in the unit's reading";
    return {};
  }
  file.replace(at, from.size(), "MASTER2=+420999888777");
  dir.Write("new.vrk", file);
  return {"VRKTset-cli", "--port", "sim", "write", dir.File("new.vrk")};
}

// Noise that harms nothing during a write: the write goes on, and the read-back is taken again.
TEST(CliTrueReportsTest, HarmlessNoiseDuringAWriteEndsNothing) {
  TempDir dir;
  const std::vector<std::string> argv = WriteOfTheUnitWithMaster2Changed(dir);
  ASSERT_FALSE(argv.empty());
  CliResult clean = RunCliForTest(argv);
  ASSERT_EQ(clean.code, kExitOk) << clean.err;
  int listings = 0;
  for (const SimCommand& c : clean.unit_commands) listings += c.line.rfind("AT+CPBR=1,", 0) == 0;
  ASSERT_GE(listings, 2);
  bool changed = false;
  for (const auto& e : clean.sim_book) changed = changed || (e && e->number == "+420999888777");
  ASSERT_TRUE(changed);
  struct Case {
    const char* what;
    std::function<void(SimFaults&)> fault;
    bool noisy;
  } cases[] = {
      {"noise between the CR and LF of an OK",
       [](SimFaults& f) { f.noisy_ok_writes = {4}; }, true},
      {"a damaged line in the read-back",
       [listings](SimFaults& f) {
         f.garbled_heads = {4};
         f.garbled_from_listing = listings - 1;
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CliResult r = RunCliForTest(argv, WithUnit([&c](SimConfig&, SimFaults& f) { c.fault(f); }));
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("The unit holds every entry"), std::string::npos) << r.out;
    int wrote_noisy = 0, read = 0;
    for (const SimCommand& u : r.unit_commands) {
      read += u.line.rfind("AT+CPBR=1,", 0) == 0;
      wrote_noisy += u.line.rfind("AT+CPBW=4,", 0) == 0;
    }
    if (c.noisy) EXPECT_GE(wrote_noisy, 1);
    else EXPECT_GT(read, listings);  // the damaged read-back was taken again
    ASSERT_EQ(r.sim_book.size(), clean.sim_book.size());
    for (size_t i = 0; i < r.sim_book.size(); ++i) {
      ASSERT_EQ(r.sim_book[i].has_value(), clean.sim_book[i].has_value()) << i;
      if (!r.sim_book[i]) continue;
      EXPECT_EQ(r.sim_book[i]->number, clean.sim_book[i]->number) << i;
      EXPECT_EQ(r.sim_book[i]->text, clean.sim_book[i]->text) << i;
    }
  }
}

// A write whose answer noise made unreadable: the position is written once more and the read-back
// decides; an answer that stays unreadable ends the write as damaged, not as silence.
TEST(CliTrueReportsTest, AnUnreadableWriteAnswerIsWrittenOnceMore) {
  TempDir dir;
  const std::vector<std::string> argv = WriteOfTheUnitWithMaster2Changed(dir);
  ASSERT_FALSE(argv.empty());
  struct Case {
    const char* what;
    bool lost;
    int times;
    int code;
  } cases[] = {
      {"an OK garbled once", false, 1, kExitOk},
      {"an OK destroyed once", true, 1, kExitOk},
      {"an OK garbled every time", false, -1, kExitDamaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CliResult r = RunCliForTest(argv, WithUnit([&c](SimConfig&, SimFaults& f) {
                                  f.damaged_ok_writes = {4};
                                  f.damaged_ok_times = c.times;
                                  f.damaged_ok_lost = c.lost;
                                }));
    EXPECT_EQ(r.code, c.code) << r.err;
    int writes = 0;
    for (const SimCommand& u : r.unit_commands) writes += u.line.rfind("AT+CPBW=4,", 0) == 0;
    EXPECT_EQ(writes, 2);
    if (c.code == kExitOk) {
      EXPECT_NE(r.out.find("The unit holds every entry"), std::string::npos) << r.out;
    } else {
      EXPECT_NE(r.err.find("could not be read"), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find("did not answer"), std::string::npos) << r.err;
    }
    bool changed = false;
    for (const auto& e : r.sim_book) changed = changed || (e && e->number == "+420999888777");
    EXPECT_TRUE(changed);  // the SIM stored it, whatever its answer looked like
  }
}

}  // namespace
}  // namespace vrkt::cli::testing
