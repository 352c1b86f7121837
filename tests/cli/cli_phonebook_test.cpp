#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "cli/exit_codes.h"
#include "cli_support.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Settings, then the phone book, as a window of the VRKT family saves them; one line has no
// "=" and one key comes twice (the second is a book row).
const std::string kParams =
    "MASTER1=+420731555201\r\nTEST1=\r\nPORTCLOSE=\r\nPORTOPEN=\r\n"
    "PARAMVRKT=4#4#3#9#3#5#30#3#2#0\r\nPARAMRL1=5#0#03#1\r\n"
    "Service desk=+420800555000\r\nMASTER1=112\r\nno equals sign\r\nCaretaker=+420777555410\r\n";
const std::string kSettings =
    "MASTER1=+420731555201\r\nTEST1=\r\nPORTCLOSE=\r\nPORTOPEN=\r\n"
    "PARAMVRKT=4#4#3#9#3#5#30#3#2#0\r\nPARAMRL1=5#0#03#1\r\n";

class CliPhoneBookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_page_ = ActiveCodePage();
    SetActiveCodePage(1250);
    dir.Write("unit.vrk", kParams);
  }
  void TearDown() override { SetActiveCodePage(saved_page_); }
  CliResult Run(std::vector<std::string> args, const CliHooks& hooks = {}) {
    args.insert(args.begin(), "VRKTset-cli");
    return RunCliForTest(args, hooks);
  }
  TempDir dir;
  int saved_page_ = 0;
};

TEST_F(CliPhoneBookTest, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"phonebook", "--port", "sim"}, "needs export or import"},
      {{"phonebook", "merge", "a.csv", "--port", "sim"}, "not \"merge\""},
      {{"phonebook", "export", "--port", "sim"}, "needs export|import FILE"},
      {{"phonebook", "export", "a.csv"}, "name one of them"},
      {{"phonebook", "export", "a.csv", "--port", "sim", "--file", "p.vrk"}, "name one of them"},
      {{"phonebook", "export", "a.csv", "--file", "p.vrk", "--replace"}, "phonebook import only"},
      {{"phonebook", "export", "a.csv", "--file", "p.vrk", "--format", "xml"}, "csv, sheet or vcard"},
      {{"read", "-o", "x", "--port", "sim", "--file", "p.vrk"}, "phonebook command only"},
  };
  for (const Case& c : cases) {
    CliResult r = Run(c.args);
    EXPECT_EQ(r.code, kExitUsage) << c.message;
    EXPECT_THAT(r.err, HasSubstr(c.message));
  }
  CliResult help = Run({"phonebook", "--help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_THAT(help.out, HasSubstr("--skip-bad"));
  EXPECT_THAT(help.out, HasSubstr("  8  entries or phone book rows"));
}

TEST_F(CliPhoneBookTest, ExportOfAParameterFilesBook) {
  CliResult r = Run({"phonebook", "export", dir.File("book.csv"), "--file", dir.File("unit.vrk")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(dir.Read("book.csv"),
            "\xEF\xBB\xBFName,Number\r\nService desk,+420800555000\r\nMASTER1,112\r\n"
            "Caretaker,+420777555410\r\n");
  EXPECT_THAT(r.out, HasSubstr("Exported 3 rows"));
  EXPECT_THAT(r.out, HasSubstr("1 row without a name or a number was left out"));
  EXPECT_TRUE(r.unit_commands.empty());  // no unit was asked

  // --format wins over the extension.
  r = Run({"phonebook", "export", dir.File("book.txt"), "--format", "vcard", "--file",
           dir.File("unit.vrk")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(dir.Read("book.txt"), HasSubstr("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Service desk\r\n"));
}

TEST_F(CliPhoneBookTest, ImportIntoAParameterFileChangesOnlyItsBook) {
  dir.Write("new.csv", "Jm\xC3\xA9no;\xC4\x8D\xC3\xADslo\n\xC4\x8C" "ern\xC3\xBD;602 555 111\n");
  CliResult r = Run({"phonebook", "import", dir.File("new.csv"), "--file", dir.File("unit.vrk")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(dir.Read("unit.vrk"), kParams + "\xC8" "ern\xFD=602555111\r\n");
  EXPECT_THAT(r.out, HasSubstr("Imported " + dir.File("new.csv") + " (UTF-8) into " +
                               dir.File("unit.vrk") + ", which had 4 rows: 1 added, 0 replaced"));

  r = Run({"phonebook", "import", dir.File("new.csv"), "--file", dir.File("unit.vrk"), "--replace"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(dir.Read("unit.vrk"), kSettings + "\xC8" "ern\xFD=602555111\r\n");
  EXPECT_THAT(r.out, HasSubstr("replacing its 5 rows"));
}

TEST_F(CliPhoneBookTest, AParameterFilesTypeDecidesItsKeys) {
  // The VRKT program on a DVG file: the numbered port keys are settings there, not rows.
  const std::string dvg = "PORTOPEN1=+420602555312\r\nTINPUTS=0600#0003#0010\r\nOld=1\r\n";
  dir.Write("unit.dvg", dvg);
  dir.Write("new.csv", "Name,Number\nPORTOPEN2,1\nAnna,602\n");
  CliResult r = Run({"phonebook", "import", dir.File("new.csv"), "--file", dir.File("unit.dvg"),
                     "--replace", "--skip-bad"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("row 2 'PORTOPEN2': PORTOPEN2 is a reserved name"));
  EXPECT_EQ(dir.Read("unit.dvg"),
            "PORTOPEN1=+420602555312\r\nTINPUTS=0600#0003#0010\r\nAnna=602\r\n");
  // --variant overrules the type.
  r = Run({"phonebook", "export", dir.File("rows.csv"), "--file", dir.File("unit.dvg"), "--variant",
           "vrkt"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(dir.Read("rows.csv"), HasSubstr("PORTOPEN1,+420602555312\r\nAnna,602\r\n"));
}

TEST_F(CliPhoneBookTest, RefusedRowsStopTheImportUnlessSkipped) {
  dir.Write("mixed.csv", "Name,Number\nAnna,602\nMASTER2,603\nBob,12a\n");
  CliResult r = Run({"phonebook", "import", dir.File("mixed.csv"), "--file", dir.File("unit.vrk")});
  EXPECT_EQ(r.code, kExitBadRows);
  EXPECT_THAT(r.err, HasSubstr("row 3 'MASTER2': MASTER2 is a reserved name"));
  EXPECT_THAT(r.err, HasSubstr("row 4 'Bob': number holds \"a\""));
  EXPECT_THAT(r.err, HasSubstr("2 rows of " + dir.File("mixed.csv") + " cannot be put on a SIM"));
  EXPECT_THAT(r.err, HasSubstr("--skip-bad to import the other 1 row"));
  EXPECT_EQ(dir.Read("unit.vrk"), kParams);

  r = Run({"phonebook", "import", dir.File("mixed.csv"), "--file", dir.File("unit.vrk"),
           "--skip-bad"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("row 3 'MASTER2'"));
  EXPECT_EQ(dir.Read("unit.vrk"), kParams + "Anna=602\r\n");

  // Nothing at all to import is a failure even with --skip-bad.
  dir.Write("none.csv", "Name,Number\n");
  r = Run({"phonebook", "import", dir.File("none.csv"), "--file", dir.File("unit.vrk"),
           "--skip-bad"});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_THAT(r.err, HasSubstr("holds no phone book rows"));
  r = Run({"phonebook", "import", dir.File("missing.csv"), "--file", dir.File("unit.vrk")});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_THAT(r.err, HasSubstr("Cannot open file"));
}

TEST_F(CliPhoneBookTest, AnImportIntoAFileIsCheckedAgainstASim) {
  // 30-character names do not fit the simulated unit's SIM; the message says which SIM.
  dir.Write("long.csv", "Name,Number\nA name of exactly thirty chars,602\nShort,603\n");
  CliResult r = Run({"phonebook", "import", dir.File("long.csv"), "--file", dir.File("unit.vrk")});
  EXPECT_EQ(r.code, kExitBadRows);
  EXPECT_THAT(r.out, HasSubstr("Checked against the simulated unit's SIM, 250 positions, names of "
                               "16 and numbers of 40 characters."));
  EXPECT_THAT(r.err, HasSubstr("row 2 'A name of exactly thirty chars': name has 30 characters, "
                               "this SIM takes 16"));
  EXPECT_EQ(dir.Read("unit.vrk"), kParams);
  r = Run({"phonebook", "import", dir.File("long.csv"), "--file", dir.File("unit.vrk"),
           "--name-length", "30"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Checked against a SIM of 250 positions, names of 30"));

  // A SIM of 6 positions: the file's settings take 3, its rows 3 more (5 now), so 1 row fits.
  dir.Write("unit.vrk", kParams);
  dir.Write("more.csv", "Name,Number\nAnna,1\nBob,2\nCyril,3\n");
  r = Run({"phonebook", "import", dir.File("more.csv"), "--file", dir.File("unit.vrk"),
           "--capacity", "7"});
  EXPECT_EQ(r.code, kExitBadRows);
  EXPECT_THAT(r.err, HasSubstr("'Bob': does not fit on the SIM"));
  EXPECT_THAT(r.err, HasSubstr("'Cyril': does not fit on the SIM"));
  EXPECT_THAT(r.err, HasSubstr("would have 6 rows, but a SIM of 7 positions"));
  EXPECT_EQ(dir.Read("unit.vrk"), kParams);
  r = Run({"phonebook", "import", dir.File("more.csv"), "--file", dir.File("unit.vrk"),
           "--capacity", "7", "--skip-bad"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(dir.Read("unit.vrk"), kParams + "Anna=1\r\n");
  EXPECT_THAT(r.out, HasSubstr("1 added, 0 replaced, 0 unchanged, 2 refused"));
}

TEST_F(CliPhoneBookTest, AnImportMergesByNameAndNamesItsEncoding) {
  // A known name gets its new number in place; the same file again changes nothing.
  dir.Write("new.csv", "Name,Number\ncaretaker,+420777555499\nPARAMVRKT,1\nNew,5\nNew,5\n");
  CliResult r = Run({"phonebook", "import", dir.File("new.csv"), "--file", dir.File("unit.vrk"),
                     "--skip-bad"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("row 3 'PARAMVRKT': PARAMVRKT is a name the unit or a parameter "
                               "file uses for a setting"));
  EXPECT_EQ(dir.Read("unit.vrk"),
            kSettings + "Service desk=+420800555000\r\nMASTER1=112\r\nno equals sign\r\n"
                        "Caretaker=+420777555499\r\nNew=5\r\n");
  EXPECT_THAT(r.out, HasSubstr(": 1 added, 1 replaced, 0 unchanged, 1 refused, 1 left out (1 "
                               "repeated row)"));
  r = Run({"phonebook", "import", dir.File("new.csv"), "--file", dir.File("unit.vrk"),
           "--skip-bad"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr(": 0 added, 0 replaced, 2 unchanged"));
  // --add keeps both.
  dir.Write("other.csv", "Name,Number\nNew,6\n");
  r = Run({"phonebook", "import", dir.File("other.csv"), "--file", dir.File("unit.vrk"), "--add"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(dir.Read("unit.vrk"), HasSubstr("New=5\r\nNew 2=6\r\n"));

  // The file's encoding named, or the byte that gives it away.
  dir.Write("bad.csv", "Name,Number\nB\x81" "b,603\n");
  r = Run({"phonebook", "import", dir.File("bad.csv"), "--file", dir.File("unit.vrk")});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_THAT(r.err, HasSubstr("line 2 holds the byte 0x81. Name its encoding with --encoding"));
  r = Run({"phonebook", "import", dir.File("bad.csv"), "--file", dir.File("unit.vrk"),
           "--encoding", "cp1252"});
  EXPECT_EQ(r.code, kExitFailure);  // 0x81 is no letter in 1252 either
  EXPECT_THAT(r.err, HasSubstr("The file is not text in code page 1252: line 2 holds the byte 0x81."));
  EXPECT_EQ(Run({"phonebook", "import", dir.File("bad.csv"), "--file", dir.File("unit.vrk"),
                 "--encoding", "klingon"}).code,
            kExitUsage);
  EXPECT_EQ(Run({"phonebook", "import", dir.File("bad.csv"), "--file", dir.File("unit.vrk"),
                 "--add", "--replace"}).code,
            kExitUsage);
}

TEST_F(CliPhoneBookTest, AnExportForASpreadsheet) {
  CliResult r = Run({"phonebook", "export", dir.File("sheet.csv"), "--format", "sheet", "--file",
                     dir.File("unit.vrk")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(dir.Read("sheet.csv"), HasSubstr("Service desk,\"=\"\"+420800555000\"\"\"\r\n"));
  // What the spreadsheet makes of a plain export: the import warns.
  dir.Write("saved.csv", "Name;Number\r\nService desk;420800555000\r\n");
  r = Run({"phonebook", "import", dir.File("saved.csv"), "--file", dir.File("unit.vrk")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("warning: row 2 'Service desk': number 420800555000 has no \"+\""));
}

bool OnSim(const CliResult& r, const std::string& name, const std::string& number) {
  for (const auto& e : r.sim_book)
    if (e && e->text == name && e->number == number) return true;
  return false;
}

TEST_F(CliPhoneBookTest, TheUnitsBookOutAndIn) {
  CliResult out = Run({"--port", "sim", "phonebook", "export", dir.File("unit.vcf")});
  ASSERT_EQ(out.code, kExitOk) << out.err;
  EXPECT_THAT(dir.Read("unit.vcf"), HasSubstr("FN:Night shift\r\nN:Night shift;;;;\r\nTEL:+420777555420\r\n"));

  dir.Write("in.vcf",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jan Nov\xC3\xA1k\r\nTEL;TYPE=CELL:+420 602 555 111\r\n"
            "TEL;TYPE=WORK:(02) 555-112\r\nEND:VCARD\r\n");
  CliResult in = Run({"--port", "sim", "phonebook", "import", dir.File("in.vcf")});
  ASSERT_EQ(in.code, kExitOk) << in.err;
  // One row per number, told apart by its kind.
  EXPECT_TRUE(OnSim(in, "Jan Nov\xE1k mob", "+420602555111"));
  EXPECT_TRUE(OnSim(in, "Jan Nov\xE1k work", "02555112"));
  EXPECT_TRUE(OnSim(in, "Night shift", "+420777555420"));  // appended, the old rows stay
  EXPECT_TRUE(OnSim(in, "PARVRKT", "4#4#3#9#3#5#30#3#2#0"));
  EXPECT_THAT(in.out, HasSubstr("into the unit, which had 4 rows: 2 added, 0 replaced, 0 unchanged, "
                                "0 refused, 0 left out; written and read back"));

  CliResult replaced = Run({"--port", "sim", "phonebook", "import", dir.File("in.vcf"), "--replace"});
  ASSERT_EQ(replaced.code, kExitOk) << replaced.err;
  EXPECT_TRUE(OnSim(replaced, "Jan Nov\xE1k work", "02555112"));
  EXPECT_FALSE(OnSim(replaced, "Night shift", "+420777555420"));
  EXPECT_TRUE(OnSim(replaced, "MASTER1", "+420731555201"));
}

TEST_F(CliPhoneBookTest, TheUnitsLimitsRefuseBeforeAnythingIsWritten) {
  dir.Write("long.csv", "Name,Number\nA name of twenty chars,602\nShort,603\n");
  CliResult r = Run({"--port", "sim", "phonebook", "import", dir.File("long.csv")});
  EXPECT_EQ(r.code, kExitBadRows);
  EXPECT_THAT(r.err, HasSubstr("row 2 'A name of twenty chars': name has 22 characters, this SIM "
                               "takes 16"));
  for (const SimCommand& c : r.unit_commands) EXPECT_THAT(c.line, Not(HasSubstr("AT+CPBW")));
}

TEST_F(CliPhoneBookTest, ModuleErrorsAreSpelledOut) {
  CliHooks hooks;
  hooks.on_sim = [](SimProvider& p) {
    SimConfig config;
    config.pin_enabled = true;
    p.unit().Configure(config);
  };
  CliResult r = Run({"--port", "sim", "pin-change", "4321"}, hooks);
  EXPECT_EQ(r.code, kExitRefused);
  EXPECT_THAT(r.err, HasSubstr("+CME ERROR: 16 (incorrect password)"));
  EXPECT_THAT(r.monitor, ::testing::Contains("    +CME ERROR: 16 (incorrect password)"));
}

}  // namespace
}  // namespace vrkt::cli::testing
