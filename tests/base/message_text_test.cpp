#include "base/message_text.h"

#include <gtest/gtest.h>

namespace vrkt {
namespace {

TEST(MessageTextTest, OutputStaysValidUtf8) {
  // Text, line ends and tabs stay; well-formed UTF-8 stays, whatever its length.
  EXPECT_EQ(EscapeForUtf8Output("OK\n\tnext"), "OK\n\tnext");
  EXPECT_EQ(EscapeForUtf8Output("Noční směna \xE2\x82\xAC \xF0\x9F\x93\x9E"),
            "Noční směna \xE2\x82\xAC \xF0\x9F\x93\x9E");
  // Noise bytes, code-page letters, stray continuation bytes, cut and overlong sequences, and
  // control bytes are shown as \xNN.
  EXPECT_EQ(EscapeForUtf8Output("MASTE\x85S1"), "MASTE\\x85S1");
  EXPECT_EQ(EscapeForUtf8Output("\xC5"), "\\xC5");
  EXPECT_EQ(EscapeForUtf8Output("\xE2\x82"), "\\xE2\\x82");
  EXPECT_EQ(EscapeForUtf8Output("\xC0\xAF"), "\\xC0\\xAF");
  EXPECT_EQ(EscapeForUtf8Output("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
  EXPECT_EQ(EscapeForUtf8Output(std::string("a\0b\r\x7F", 5)), "a\\x00b\\x0D\\x7F");
}

}  // namespace
}  // namespace vrkt
