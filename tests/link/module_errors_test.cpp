#include "link/module_errors.h"

#include <gtest/gtest.h>

#include "link_fixture.h"

namespace vrkt {
namespace {

using enum ModuleErrorFamily;

TEST(ModuleErrorsTest, BothFormsAreSpelledOutTheSameWayEverywhere) {
  struct Case {
    std::string line;
    std::string described;
  } cases[] = {
      {"+CME ERROR: 16", "+CME ERROR: 16 (incorrect password)"},
      {"+CME ERROR: incorrect password", "+CME ERROR: incorrect password (16)"},
      {"+CME ERROR: 22", "+CME ERROR: 22 (not found)"},
      {"+CME ERROR: SIM PIN required", "+CME ERROR: SIM PIN required (11)"},
      {"+CME ERROR: 148", "+CME ERROR: 148 (unspecified GPRS error)"},
      {"+CMS ERROR: 321", "+CMS ERROR: 321 (invalid memory index)"},
      {"+CMS ERROR: 42", "+CMS ERROR: 42 (congestion)"},
      {"+CMS ERROR: SIM busy", "+CMS ERROR: SIM busy (314)"},
      // Modules differ in case, hyphens and blanks; the text is quoted as it came.
      {"+CME ERROR: INVALID INDEX", "+CME ERROR: INVALID INDEX (21)"},
      {"+CME ERROR: network time-out", "+CME ERROR: network time-out (31)"},
      {"+CME ERROR: PH_SIM PIN required", "+CME ERROR: PH_SIM PIN required (5)"},
      {"+CME ERROR:   16  ", "+CME ERROR: 16 (incorrect password)"},
      // What the tables lack.
      {"+CME ERROR: 999", "+CME ERROR: 999 (unknown error)"},
      {"+CMS ERROR: 513", "+CMS ERROR: 513 (error of the module's maker)"},
      {"+CME ERROR: flux capacitor low", "+CME ERROR: flux capacitor low"},
      // Junk after the code, an empty code, huge numbers: left alone, never a crash.
      {"+CME ERROR: 16abc", "+CME ERROR: 16abc"},
      {"+CME ERROR:", "+CME ERROR:"},
      {"+CME ERROR: 99999999999999999999", "+CME ERROR: 99999999999999999999"},
      {"+CME ERROR: 1234567", "+CME ERROR: 1234567"},
      {"+CMS ERROR: \xff\x01", "+CMS ERROR: \xff\x01"},
      // Not an error result at all.
      {"ERROR", "ERROR"},
      {"OK", "OK"},
      {"+CME ERR: 16", "+CME ERR: 16"},
      // What stands before the result stays.
      {"AT+CPIN=1111+CME ERROR: 16", "AT+CPIN=1111+CME ERROR: 16 (incorrect password)"},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeModuleErrors(c.line), c.described) << c.line;
}

TEST(ModuleErrorsTest, NumbersAndTextsOfBothTables) {
  EXPECT_EQ(ModuleErrorMeaning(kCme, 10), "SIM not inserted");
  EXPECT_EQ(ModuleErrorMeaning(kCms, 310), "SIM not inserted");
  EXPECT_EQ(ModuleErrorMeaning(kCme, 310), "");
  EXPECT_EQ(ModuleErrorMeaning(kCme, -1), "");
  EXPECT_EQ(ModuleErrorCode(kCme, "  Not Found "), 22);
  EXPECT_EQ(ModuleErrorCode(kCms, "memory full"), 322);
  // A text both tables of short messages carry reads back as the module's own number.
  EXPECT_EQ(ModuleErrorCode(kCms, "Memory capacity exceeded"), 22);
  EXPECT_EQ(ModuleErrorCode(kCms, "unknown error"), 500);
  EXPECT_FALSE(ModuleErrorCode(kCme, ""));
  EXPECT_FALSE(ModuleErrorCode(kCme, " - "));

  EXPECT_TRUE(IsModuleError("+CME ERROR: 22", kCme, 22));
  EXPECT_TRUE(IsModuleError("+CME ERROR: not found", kCme, 22));
  EXPECT_FALSE(IsModuleError("+CMS ERROR: 22", kCme, 22));
  EXPECT_FALSE(IsModuleError("+CME ERROR: 21", kCme, 22));
  EXPECT_FALSE(IsModuleError("ERROR", kCme, 22));
}

TEST_F(QuietUnitTest, MonitorKeepsTheLineAndNotesItsMeaning) {
  h.Feed("+CME ERROR: 16\r\n+CME ERROR: sim busy\r\n+CME ERROR: nonsense\r\nOK\r\n");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "+CME ERROR: 16",
                       "    +CME ERROR: 16 (incorrect password)",
                       "+CME ERROR: sim busy",
                       "    +CME ERROR: sim busy (14)",
                       "+CME ERROR: nonsense",
                       "OK",
                   }));
}

}  // namespace
}  // namespace vrkt
