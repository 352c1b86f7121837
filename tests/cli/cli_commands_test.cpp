#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/compare.h"
#include "cli/exit_codes.h"
#include "cli_support.h"
#include "support/harness.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

bool BookHas(const CliResult& r, const std::string& name, const std::string& number) {
  for (const auto& e : r.sim_book)
    if (e && e->text == name && e->number == number) return true;
  return false;
}

bool BookHasName(const CliResult& r, const std::string& name) {
  for (const auto& e : r.sim_book)
    if (e && e->text == name) return true;
  return false;
}

// Reads the prefilled simulated unit into a parameter file with the command line.
std::string ReadReference(const TempDir& dir, const std::string& program = "VRKTset-cli") {
  CliResult r = RunCliForTest({program, "--port", "sim", "read", "-o", dir.File("ref")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return dir.Read("ref");
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(CliUsageTest, BadCommandLinesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "No command given"},
      {{"frobnicate", "--port", "sim"}, "Unknown command"},
      {{"status"}, "needs --port"},
      {{"read", "--port", "sim"}, "needs -o FILE"},
      {{"write", "--port", "sim"}, "needs FILE"},
      {{"verify", "a", "b", "--port", "sim"}, "Unexpected argument \"b\""},
      {{"unpin", "12", "--port", "sim"}, "exactly four digits"},
      {{"pin-change", "12345", "--port", "sim"}, "exactly four digits"},
      {{"status", "--port", "sim", "--timeout", "0"}, "--timeout"},
      {{"status", "--port", "sim", "--variant", "xyz"}, "--variant must be"},
      {{"status", "--port"}, "needs a value"},
      {{"status", "--port", "sim", "--bogus"}, "Unknown option --bogus"},
      {{"status", "--port", "sim", "-o", "x"}, "-o is an option of the read command"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"VRKTset-cli"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CliResult r = RunCliForTest(argv);
    EXPECT_EQ(r.code, kExitUsage) << c.message;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_TRUE(r.out.empty()) << c.message;
  }
}

TEST(CliUsageTest, HelpDocumentsEveryExitCode) {
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{"/opt/DVG1Cset-cli", "--help"},
        std::vector<std::string>{"/opt/DVG1Cset-cli", "write", "--help"}}) {
    CliResult r = RunCliForTest(argv);
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_THAT(r.out, HasSubstr("Usage: DVG1Cset-cli"));
    for (const char* code : {"  0  success", "  2  usage", "  3  port", "  4  the unit did not",
                             "  5  the unit refused", "  6  verify mismatch"})
      EXPECT_THAT(r.out, HasSubstr(code));
  }
}

TEST(CliFilesTest, MissingInputFilesFailBeforeTheUnitIsTouched) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"write", dir.File("none.vrk")},
        std::vector<std::string>{"verify", dir.File("none.vrk")},
        std::vector<std::string>{"send-list", dir.File("none.ifo")},
        std::vector<std::string>{"status", "--settings", dir.File("none.ini")}}) {
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    CliResult r = RunCliForTest(argv);
    EXPECT_EQ(r.code, kExitFailure) << args[0];
    EXPECT_THAT(r.err, HasSubstr("Cannot open")) << args[0];
    EXPECT_TRUE(r.unit_commands.empty()) << args[0];
  }
}

// A log given in place of a parameter file is refused, not written to the unit as phone book.
TEST(CliFilesTest, AFileThatIsNoParameterFileIsRefused) {
  TempDir dir;
  dir.Write("traffic.mon", "[10:00:01]   OK\r\n[10:00:02]   +CSQ: 20,0\r\n");
  for (const char* command : {"write", "verify"}) {
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", command, dir.File("traffic.mon")});
    EXPECT_EQ(r.code, kExitFailure) << command;
    EXPECT_THAT(r.err, HasSubstr("traffic.mon is not a parameter file")) << command;
    for (const SimCommand& c : r.unit_commands)
      EXPECT_NE(c.line.rfind("AT+CPBW=", 0), 0u) << command << ": " << c.line;
  }
}

// The window program, stopped and read in virtual time, then saved with its own Save button.
std::string SavedByWindow(const std::string& program, SimFamily family, const std::string& path) {
  vrkt::testing::Harness h(program);
  SimConfig config;
  config.family = family;
  h.unit().Configure(config);
  h.Start();
  Form1& f = h.program->form;
  f.StopGDI.SetDown(true);
  h.program->Run([&] { f.StopGDI.on_click(); });
  h.RunFor(10000);
  if (f.PhoneBook1.rows().size() < 2) {
    h.program->Run([&] { f.LoadGDI.on_click(); });
    h.RunFor(10000);
  }
  h.dialogs.file_answers.push_back(path);
  h.program->Run([&] { f.Save.on_click(); });
  EXPECT_TRUE(h.dialogs.messages.empty());
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CliReadTest, WritesExactlyTheWindowsParameterFile) {
  struct Case {
    std::vector<std::string> argv_head;
    const char* window_name;
    SimFamily family;
    const char* variant_key;  // a key only this variant's file holds
  } cases[] = {
      {{"VRKTset-cli"}, "VRKTset", SimFamily::kVrkt, "\r\nPORTOPEN="},
      {{"/usr/local/bin/DVG1Cset-cli"}, "DVG1Cset", SimFamily::kDvg, "\r\nPORTOPEN3="},
      {{"VRKTset-cli", "--variant", "dvg"}, "DVG1Cset", SimFamily::kDvg, "\r\nPORTOPEN3="},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::vector<std::string> argv = c.argv_head;
    for (const char* a : {"--port", "sim", "read", "-o"}) argv.push_back(a);
    argv.push_back(dir.File("unit.file"));
    CliResult r = RunCliForTest(argv);
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_THAT(r.out, HasSubstr("entries from the unit's SIM (250 positions)"));
    std::string cli = dir.Read("unit.file");
    std::string window = SavedByWindow(c.window_name, c.family, dir.File("window.file"));
    EXPECT_EQ(cli, window) << c.window_name;
    EXPECT_THAT(cli, HasSubstr(c.variant_key));
    EXPECT_THAT(cli, HasSubstr("\r\nPARAMVRKT="));
  }
}

TEST(CliReadTest, AnEmptySimIsNoFailureButHasNoSettingsToSave) {
  TempDir dir;
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("e.vrk")},
                              {.on_sim = [](SimProvider& p) {
                                SimConfig c;
                                c.prefill = false;
                                p.unit().Configure(c);
                              }});
  EXPECT_EQ(r.code, kExitFailure) << r.err;
  EXPECT_THAT(r.err, HasSubstr("holds no settings entry"));
  EXPECT_EQ(dir.Read("e.vrk"), "");
}

TEST(CliWriteTest, WritesReadsBackAndReportsSuccessOnlyWhenEverythingIsThere) {
  TempDir dir;
  std::string file = ReadReference(dir);
  file = Replace(file, "MASTER2=+420731555202", "MASTER2=+420999888777");
  file = Replace(file, "Caretaker=+420777555410\r\n", "");
  file += "Jan Novak=+420111222333\r\n";
  dir.Write("new.vrk", file);

  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("new.vrk")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("holds every entry"));
  EXPECT_TRUE(BookHas(r, "MASTER2", "+420999888777"));
  EXPECT_TRUE(BookHas(r, "Jan Novak", "+420111222333"));
  EXPECT_FALSE(BookHasName(r, "Caretaker"));
  bool sent = false;
  for (const SimCommand& c : r.unit_commands)
    sent = sent || (c.line.rfind("AT+CPBW=", 0) == 0 && c.line.find(",+420999888777,,MASTER2") !=
                                                           std::string::npos);
  EXPECT_TRUE(sent);

  // A fresh unit read back against the same file: verify agrees with write.
  CliResult v = RunCliForTest({"VRKTset-cli", "--port", "sim", "verify", dir.File("ref")});
  EXPECT_EQ(v.code, kExitOk) << v.err;
}

TEST(CliWriteTest, SetsUpABlankUnitFromAReferenceFile) {
  TempDir dir;
  ReadReference(dir);
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("ref")},
                              {.on_sim = [](SimProvider& p) {
                                SimConfig c;
                                c.prefill = false;
                                p.unit().Configure(c);
                              }});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_TRUE(BookHas(r, "PARVRKT", "4#4#3#9#3#5#30#3#2#0"));
  EXPECT_TRUE(BookHas(r, "Night shift", "+420777555420"));
}

TEST(CliWriteTest, RowsThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  std::string file = ReadReference(dir);
  for (int i = 0; i < 20; ++i) file += "Row" + std::to_string(i) + "=55500" + std::to_string(i) + "\r\n";
  dir.Write("big.vrk", file);
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("big.vrk")},
                              {.on_sim = [](SimProvider& p) {
                                SimConfig c;
                                c.capacity = 25;
                                p.unit().Configure(c);
                              }});
  EXPECT_EQ(r.code, kExitBadRows);
  EXPECT_THAT(r.err, HasSubstr("take 35 positions, this SIM has 25: 10 rows have to go"));
  EXPECT_THAT(r.out, Not(HasSubstr("holds every entry")));
  for (const SimCommand& c : r.unit_commands) EXPECT_NE(c.line.rfind("AT+CPBW", 0), 0u) << c.line;
}

TEST(CliVerifyTest, PrintsTheDifferencesEntryByEntry) {
  TempDir dir;
  std::string file = ReadReference(dir);
  file = Replace(file, "MASTER2=+420731555202", "MASTER2=+420999888777");
  file = Replace(file, "Caretaker=+420777555410\r\n", "");
  file += "Extra=123\r\n";
  dir.Write("other.vrk", file);
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "verify", dir.File("other.vrk")});
  EXPECT_EQ(r.code, kExitMismatch);
  EXPECT_THAT(r.out, HasSubstr("MASTER2    file \"+420999888777\", unit \"+420731555202\""));
  EXPECT_THAT(r.out, HasSubstr("Extra      file \"123\", not on the unit"));
  EXPECT_THAT(r.out, HasSubstr("Caretaker  not in the file, unit \"+420777555410\""));
  EXPECT_THAT(r.out, Not(HasSubstr("VER")));
  EXPECT_THAT(r.err, HasSubstr("3 differences"));
  // Nothing is written by a verify.
  for (const SimCommand& c : r.unit_commands) EXPECT_EQ(c.line.rfind("AT+CPBW", 0), std::string::npos);
}

// Faults while writing: each ends with its own code and a message, never with success.
TEST(CliFaultTest, WriteFailuresGiveTheirExitCodes) {
  struct Case {
    const char* name;
    std::function<void(SimUnit&, Session&)> at_step_10;
    std::function<void(SimUnit&)> at_start;
    int code;
    const char* message;
  } cases[] = {
      {"silence", [](SimUnit& u, Session&) { u.faults().silent = true; }, nullptr, kExitNoAnswer,
       "Writing to the unit stopped: the unit gave no answer within 10 seconds."},
      {"error", nullptr, [](SimUnit& u) { u.faults().error_on = {"AT+CPBW=13,"}; }, kExitRefused,
       "Writing to the unit stopped: the unit answered \"ERROR\" to SIM position 13 ("},
      {"cts lost", [](SimUnit& u, Session&) { u.SetCts(false); }, nullptr, kExitPort,
       "CTS went off on sim: the unit was disconnected or lost power. SIM positions 1 to 3 were "
       "written. Positions 4 to 250 were not written (position 4 may have been)."},
  };
  TempDir dir;
  ReadReference(dir);
  for (const Case& c : cases) {
    SimUnit* unit = nullptr;
    bool fired = false;
    CliHooks hooks;
    hooks.on_sim = [&](SimProvider& p) {
      unit = &p.unit();
      if (c.at_start) c.at_start(*unit);
    };
    hooks.on_pump = [&](Session& s) {
      if (c.at_step_10 && !fired && s.program().op.WriteAllRunning &&
          s.program().op.WriteStep >= 10) {
        fired = true;
        c.at_step_10(*unit, s);
      }
    };
    // Every position is written, so that the write has reached position 10 at step 10.
    CliResult r =
        RunCliForTest({"VRKTset-cli", "--port", "sim", "--all", "write", dir.File("ref")}, hooks);
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.name;
    EXPECT_THAT(r.err, HasSubstr("written")) << c.name;
    EXPECT_THAT(r.out, Not(HasSubstr("holds every entry"))) << c.name;
  }
}

TEST(CliFaultTest, UnitAbsentOrNotStoppingIsReported) {
  struct Case {
    const char* name;
    std::vector<std::string> extra;
    std::function<void(SimUnit&)> setup;
    int code;
    const char* message;
  } cases[] = {
      {"no cts", {}, [](SimUnit& u) { u.SetCts(false); }, kExitPort, "run again with --no-cts"},
      {"never stops", {}, [](SimUnit& u) { u.faults().never_stop = true; }, kExitNoAnswer,
       "did not report STOP within 30 s"},
      {"never stops, short timeout", {"--timeout", "2"},
       [](SimUnit& u) { u.faults().never_stop = true; }, kExitNoAnswer,
       "did not report STOP within 6 s"},
      {"silent", {}, [](SimUnit& u) { u.faults().silent = true; }, kExitNoAnswer, "did not"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim", "status"};
    argv.insert(argv.end(), c.extra.begin(), c.extra.end());
    CliResult r = RunCliForTest(argv, {.on_sim = [&](SimProvider& p) { c.setup(p.unit()); }});
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.name;
    EXPECT_TRUE(r.out.empty()) << c.name;
  }
}

TEST(CliStatusTest, ShowsWhatTheUnitReports) {
  CliResult r = RunCliForTest({"VRKT4Gset-cli", "--port", "sim", "status"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Operator:       \"SIMNET CZ\""));
  EXPECT_THAT(r.out, HasSubstr("IMEI:           356938035643809"));
  EXPECT_THAT(r.out, HasSubstr("VRKT4G Ver: 214"));
  EXPECT_THAT(r.out, HasSubstr("SIM capacity:   250 positions, 16 in use"));
  EXPECT_THAT(r.out, HasSubstr("Battery:        3850 mV"));
}

TEST(CliLoaderTest, RunsAListAndStopsWhereItFails) {
  TempDir dir;
  dir.Write("demo.scr", "print 'hello'\n");
  dir.Write("ok.ifo", "demo.scr\r\nRUN:demo.scr\r\n");
  dir.Write("missing.ifo", "demo.scr\r\nnothere.scr\r\nRUN:demo.scr\r\n");
  struct Case {
    const char* list;
    std::vector<std::string> error_on;
    int code;
    const char* message;
  } cases[] = {
      {"ok.ifo", {}, kExitOk, ""},
      {"missing.ifo", {}, kExitFailure, "Line 2 of the loader list (nothere.scr): File not found"},
      {"ok.ifo", {"AT#ESCRIPT"}, kExitRefused, "The unit refused line 2 (AT#ESCRIPT=demo.scr): ERROR"},
  };
  for (const Case& c : cases) {
    std::string run_script;
    std::map<std::string, std::string> scripts;
    CliHooks hooks;
    SimUnit* unit = nullptr;
    hooks.on_sim = [&](SimProvider& p) {
      unit = &p.unit();
      unit->faults().error_on = c.error_on;
    };
    hooks.on_finish = [&](Session&) {
      run_script = unit->run_script();
      scripts = unit->scripts();
    };
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "send-list", dir.File(c.list)}, hooks);
    EXPECT_EQ(r.code, c.code) << c.list << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_EQ(scripts["demo.scr"], "print 'hello'\n") << c.list;
    if (c.code == kExitOk) {
      EXPECT_EQ(run_script, "demo.scr");
      EXPECT_THAT(r.out, HasSubstr("Sent all 2 lines"));
    } else {
      EXPECT_THAT(r.out, Not(HasSubstr("Sent all")));
    }
  }
}

TEST(CliPinTest, PinCommandsSucceedOnlyWhenTheSimAgrees) {
  struct Case {
    const char* command;
    const char* pin;
    int code;
    bool enabled_after;
    const char* pin_after;
  } cases[] = {
      {"unpin", "1234", kExitOk, false, "1234"},
      {"unpin", "9999", kExitRefused, true, "1234"},
      {"pin-change", "1234", kExitOk, true, "7391"},
      {"pin-change", "4321", kExitRefused, true, "1234"},
  };
  for (const Case& c : cases) {
    SimUnit* unit = nullptr;
    bool enabled = false;
    std::string pin;
    CliHooks hooks;
    hooks.on_sim = [&](SimProvider& p) {
      unit = &p.unit();
      SimConfig config;
      config.pin_enabled = true;
      unit->Configure(config);
    };
    hooks.on_finish = [&](Session&) {
      enabled = unit->card().pin_enabled;
      pin = unit->card().pin;
    };
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", c.command, c.pin}, hooks);
    EXPECT_EQ(r.code, c.code) << c.command << " " << c.pin << "\n" << r.err;
    EXPECT_EQ(enabled, c.enabled_after) << c.command << " " << c.pin;
    EXPECT_EQ(pin, c.pin_after) << c.command << " " << c.pin;
    if (c.code != kExitOk) {
      EXPECT_THAT(r.err, HasSubstr("The SIM refused"));
    }
  }
}

TEST(CliRunTest, RestartsTheUnitsApplication) {
  for (const char* program : {"VRKTset-cli", "VRKT4Gset-cli"}) {
    bool reboot_sent = false;
    // A unit an earlier session left stopped: its module takes the restart command.
    CliResult r = RunCliForTest({program, "--port", "sim", "run"},
                                {.on_sim = [](SimProvider& p) {
                                  SimConfig c = p.unit().config();
                                  c.app_running_at_start = false;
                                  p.unit().Configure(c);
                                }});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    for (const SimCommand& c : r.unit_commands) reboot_sent = reboot_sent || c.line == "AT#REBOOT";
    EXPECT_EQ(reboot_sent, std::string(program) == "VRKTset-cli") << program;
  }
}

TEST(CliOutputTest, LogIsTheMonitorAndProgressOnlyOnATerminal) {
  TempDir dir;
  CliResult ok = RunCliForTest({"VRKTset-cli", "--port", "sim", "--log", dir.File("ok.mon"), "status"});
  ASSERT_EQ(ok.code, kExitOk);
  EXPECT_EQ(dir.Read("ok.mon"), Join(ok.monitor));
  EXPECT_THAT(ok.monitor, ::testing::Contains(HasSubstr("]   +COPS: 0,0,\"SIMNET CZ\"")));
  EXPECT_EQ(ok.err.find('\r'), std::string::npos);

  // A failed run keeps its log too: it is what a service report needs.
  CliResult failed = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "--log", dir.File("failed.mon"), "status"},
      {.on_sim = [](SimProvider& p) { p.unit().faults().never_stop = true; }});
  EXPECT_EQ(failed.code, kExitNoAnswer);
  EXPECT_EQ(dir.Read("failed.mon"), Join(failed.monitor));

  CliResult shown = RunCliForTest({"VRKTset-cli", "--port", "sim", "status"}, {}, true);
  EXPECT_EQ(shown.code, kExitOk);
  EXPECT_THAT(shown.err, HasSubstr("\rStopping the unit"));
}

}  // namespace
}  // namespace vrkt::cli::testing

namespace vrkt::cli {
namespace {

TEST(CompareEntriesTest, PairsRepeatedRowsByValueAndIgnoresTheVersion) {
  std::vector<UnitEntry> file = {{"MASTER1", "1"}, {"Desk", "10"}, {"Desk", "20"}, {"TEST1", "5"}};
  std::vector<UnitEntry> unit = {{"VER", "214"}, {"Desk", "20"}, {"MASTER1", "1"},
                                 {"Desk", "11"},  {"Desk", "30"}};
  std::vector<Difference> d = CompareEntries(file, unit, {"VER"});
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].kind, Difference::kDifferent);
  EXPECT_EQ(d[0].expected, "10");
  EXPECT_EQ(d[0].actual, "11");
  EXPECT_EQ(d[1].kind, Difference::kMissing);
  EXPECT_EQ(d[1].name, "TEST1");
  EXPECT_EQ(d[2].kind, Difference::kExtra);
  EXPECT_EQ(d[2].actual, "30");

  EXPECT_EQ(EntriesOfParameterFile("PARAMVRKT=1#2\r\nMASTER5=\r\nnoequals\r\n=5\r\nA=B\r\n"),
            (std::vector<UnitEntry>{{"PARVRKT", "1#2"}, {"A", "B"}}));
}

}  // namespace
}  // namespace vrkt::cli
