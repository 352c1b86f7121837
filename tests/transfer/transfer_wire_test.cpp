#include <gtest/gtest.h>

#include "link/transfer_wire.h"

namespace vrkt {
namespace {

TEST(TransferWireTest, WriteCommandQuotesOnlyNamesWithBlanks) {
  EXPECT_EQ(SimWriteCommand(1, "0123456789", "TEST1"), "AT+CPBW=1,0123456789,,TEST1\r\n");
  EXPECT_EQ(SimWriteCommand(18, "4#4#3#9#3#5#30#3#2#0", "PARVRKT"),
            "AT+CPBW=18,4#4#3#9#3#5#30#3#2#0,,PARVRKT\r\n");
  EXPECT_EQ(SimWriteCommand(27, "+420123", "Jan Novak"), "AT+CPBW=27,+420123,,\"Jan Novak\"\r\n");
  EXPECT_EQ(SimWriteCommand(250, "1", "x "), "AT+CPBW=250,1,,\"x \"\r\n");
  EXPECT_EQ(SimDeleteCommand(7), "AT+CPBW=7\r\n");
}

TEST(TransferWireTest, OnlyTextsThatCannotSplitACommandAreSafe) {
  struct Case {
    std::string text;
    bool safe_value;
    bool safe_name;
  } cases[] = {
      {"+420*12#3", true, true},
      {"12 34", false, true},
      {"12;ATD112", false, false},
      {"Novak, Jan", false, false},
      {"say \"hi\"", false, false},
      {std::string("a\rAT"), false, false},
      {std::string("tab\t"), false, false},
      {"\x7f", false, false},
      {"\xe8" "ap", false, true},  // a code-page letter
      {"12a", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsWireSafeValue(c.text), c.safe_value) << c.text;
    EXPECT_EQ(IsWireSafeName(c.text), c.safe_name) << c.text;
  }
  EXPECT_EQ(Printable("a\rb\x01"), "a?b?");
}

TEST(TransferWireTest, EntryLineCutsNumberAndName) {
  struct Case {
    const char* line;
    const char* number;
    const char* name;
  } cases[] = {
      {"+CPBR: 1,\"0123456789\",129,\"TEST1\"", "0123456789", "TEST1"},
      {"+CPBR: 12,\"+420603\",145,\"Jan Novak\"", "+420603", "Jan Novak"},
      {"+CPBR: 3,\"11*5\",129,\"VOLTAGE\"", "11*5", "VOLTAGE"},
      {"+CPBR: 4,\"\",129,\"\"", "", ""},
      // Malformed lines give what the cuts leave and never fail.
      {"+CPBR: 5", " 5", " 5"},
      {"+CPBR", "+CPBR", "+CPBR"},
  };
  for (const Case& c : cases) {
    SimEntryText e = ParseSimEntryLine(c.line);
    EXPECT_EQ(e.number, c.number) << c.line;
    EXPECT_EQ(e.name, c.name) << c.line;
  }
}

}  // namespace
}  // namespace vrkt
