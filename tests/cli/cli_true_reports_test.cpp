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

}  // namespace
}  // namespace vrkt::cli::testing
