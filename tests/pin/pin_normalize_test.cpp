#include <gtest/gtest.h>

#include "pin/pin.h"
#include "support/harness.h"

namespace vrkt {
namespace {

TEST(NormalizePinTest, KeepsEmptyOrFourDigits) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"\t\r\n", ""},
      {"7", "0007"},
      {"12", "0012"},
      {"123", "0123"},
      {"1234", "1234"},
      {"12345", "2345"},  // a fifth digit pushes the first out
      {"123456", "3456"},
      {" 42 ", "0042"},  // blanks and control bytes only at the ends
      {"\x01"
       "99\x1f",
       "0099"},
      {"12a34", "0012"},  // cut at the first non-digit
      {"a123", "0000"},
      {"1 2", "0001"},
      {"-12", "0000"},
      {"\xe9"
       "1",
       "0000"},  // an 8-bit letter is not a digit
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizePin(c.in), c.out) << "input: " << c.in;
}

TEST(PinFieldTest, TypingShiftsDigitsInFromTheRightWithCaretAtEnd) {
  testing::Harness h;
  Edit& pin = h.program->form.PIN;
  const char* typed[] = {"1", "2", "3", "4", "5"};
  const char* shown[] = {"0001", "0012", "0123", "1234", "2345"};
  for (int i = 0; i < 5; ++i) {
    pin.SetText(pin.text() + typed[i]);  // a key typed at the end
    EXPECT_EQ(pin.text(), shown[i]);
    EXPECT_EQ(pin.caret(), 4u);
  }
  pin.SetText(pin.text().substr(0, 3));  // backspace at the end
  EXPECT_EQ(pin.text(), "0234");
  pin.SetText("   ");
  EXPECT_EQ(pin.text(), "");
  EXPECT_EQ(pin.caret(), 0u);
}

}  // namespace
}  // namespace vrkt
