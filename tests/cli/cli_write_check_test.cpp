// Writing nothing the unit cannot hold, and telling the whole truth about what was written, from
// the command line against the simulated unit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "cli_support.h"
#include "sim/sim_unit.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Reference(const TempDir& dir) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return dir.Read("ref");
}

bool WroteAnything(const CliResult& r) {
  for (const SimCommand& c : r.unit_commands)
    if (c.line.rfind("AT+CPBW", 0) == 0) return true;
  return false;
}

CliHooks WithConfig(const std::function<void(SimConfig&)>& change) {
  CliHooks hooks;
  hooks.on_sim = [change](SimProvider& p) {
    SimConfig c;
    change(c);
    p.unit().Configure(c);
  };
  return hooks;
}

TEST(CliWriteCheckTest, WhatTheSimCannotHoldStopsTheWriteBeforeItsFirstByte) {
  TempDir dir;
  const std::string ref = Reference(dir);
  struct Case {
    const char* what;
    std::string file;
    const char* message;
  } cases[] = {
      {"15-character name", ref + "Fifteen letters=123\r\n",
       "row 5 'Fifteen letters': name has 15 characters, this SIM takes 14"},
      // The second MASTER1 line of a file is a phone book row, which the unit would take for
      // its setting.
      {"second MASTER1", ref + "MASTER1=999\r\n", "row 5 'MASTER1': MASTER1 is a reserved name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("new.vrk", c.file);
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("new.vrk")},
                                WithConfig([](SimConfig& s) { s.name_length = 14; }));
    EXPECT_EQ(r.code, kExitBadRows) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_THAT(r.err, HasSubstr("Nothing was written"));
    EXPECT_FALSE(WroteAnything(r));
  }
}

TEST(CliWriteCheckTest, FilesAndSimsAsTheyComeAreWrittenWhole) {
  TempDir dir;
  const std::string ref = Reference(dir);
  struct Case {
    const char* what;
    std::string file;
    std::function<void(SimConfig&)> sim;
  } cases[] = {
      {"byte-order mark", "\xEF\xBB\xBF" + ref, [](SimConfig&) {}},
      {"range without parentheses", ref, [](SimConfig& s) { s.range_without_parens = true; }},
      {"listing ended by invalid index", ref,
       [](SimConfig& s) { s.listing_end = "+CME ERROR: 21"; }},
      {"listing ended by its text", ref, [](SimConfig& s) {
         s.framing = SimFraming::kModule;
         s.listing_end = "+CME ERROR: invalid index";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("new.vrk", c.file);
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("new.vrk")},
                                WithConfig(c.sim));
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_THAT(r.out, HasSubstr("The unit holds every entry"));
    EXPECT_EQ(r.sim_book[2]->text, "MASTER1");  // the mark was no part of the first key
  }
}

TEST(CliWriteCheckTest, RowsLeftOutAreCountedAndNamed) {
  TempDir dir;
  CliHooks hooks;
  // A SIM entry without a name: the next write cannot keep it, and says so.
  hooks.on_sim = [](SimProvider& p) { p.unit().card().Write(30, "+420111", std::nullopt, ""); };
  CliResult read = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")}, hooks);
  ASSERT_EQ(read.code, kExitOk) << read.err;
  EXPECT_THAT(dir.Read("ref"), HasSubstr("\r\n=+420111\r\n"));
  for (const char* command : {"verify", "write"}) {
    SCOPED_TRACE(command);
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", command, dir.File("ref")}, hooks);
    EXPECT_THAT(r.out, HasSubstr("1 phone book row of " + dir.File("ref") +
                                 " has an empty name or number; a write leaves it out:\n"
                                 "  row 5 (no name) +420111"));
  }
}

TEST(CliWriteCheckTest, UnitWhoseWaitingIsZeroIsWrittenBackAsItWas) {
  TempDir dir;
  CliHooks hooks;
  hooks.on_sim = [](SimProvider& p) {
    SimCard& card = p.unit().card();
    card.Write(card.Find("PARVRKT"), "4#4#3#9#3#5#30#3#0#0", std::nullopt, "PARVRKT");
  };
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")}, hooks);
  ASSERT_EQ(r.code, kExitOk) << r.err;
  r = RunCliForTest({"VRKTset-cli", "--port", "sim", "write", dir.File("ref")}, hooks);
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("The unit holds every entry"));
}

TEST(CliWriteCheckTest, PinCommandsWorkOnASimThatWaitsForItsPin) {
  for (bool plain_errors : {false, true}) {
    SCOPED_TRACE(plain_errors ? "bare ERROR" : "CME error");
    auto locked = [plain_errors](SimConfig& s) {
      s.pin_enabled = true;
      s.pin_entered = false;
      s.plain_errors = plain_errors;
    };
    // Every other command says why it cannot read the unit, and what to run.
    TempDir dir;
    CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref")},
                                WithConfig(locked));
    EXPECT_NE(r.code, kExitOk);
    EXPECT_THAT(r.err, HasSubstr("The SIM waits for its PIN: switch its PIN request off with\n"
                                 "  VRKTset-cli --port sim unpin PIN"));
    bool enabled = true;
    CliHooks hooks = WithConfig(locked);
    SimUnit* unit = nullptr;
    auto on_sim = hooks.on_sim;
    hooks.on_sim = [&](SimProvider& p) {
      on_sim(p);
      unit = &p.unit();
    };
    hooks.on_finish = [&](Session&) { enabled = unit->card().pin_enabled; };
    r = RunCliForTest({"VRKTset-cli", "--port", "sim", "unpin", "1234"}, hooks);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_THAT(r.out, HasSubstr("The SIM's PIN request is off."));
    EXPECT_FALSE(enabled);
  }
}

TEST(CliWriteCheckTest, StoppedUnitIsMentionedAndRunRestartsIt) {
  TempDir dir;
  const std::string ref = Reference(dir);
  dir.Write("ref.vrk", ref);
  struct Case {
    std::vector<std::string> args;
    bool restarted;
  } cases[] = {
      {{"write", dir.File("ref.vrk")}, false},
      {{"write", dir.File("ref.vrk"), "--run"}, true},
      {{"verify", "--run", dir.File("ref.vrk")}, true},
      {{"status"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "sim"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    bool running = false;
    SimUnit* unit = nullptr;
    CliHooks hooks;
    hooks.on_sim = [&](SimProvider& p) { unit = &p.unit(); };
    hooks.on_finish = [&](Session&) { running = unit->dtr() == false; };
    CliResult r = RunCliForTest(argv, hooks);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    if (c.restarted) {
      EXPECT_THAT(r.out, HasSubstr("module restarted"));
      EXPECT_THAT(r.out, Not(HasSubstr("application is stopped")));
      EXPECT_TRUE(running);
    } else {
      EXPECT_THAT(r.out, HasSubstr("The unit's application is stopped: its emergency calls stay "
                                   "off until it is started again with\n  VRKTset-cli --port sim "
                                   "run"));
    }
  }
  // A 4G unit starts again as the port lets DTR go.
  CliResult r = RunCliForTest({"VRKT4Gset-cli", "--port", "sim", "status"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, Not(HasSubstr("application is stopped")));
}

}  // namespace
}  // namespace vrkt::cli::testing
