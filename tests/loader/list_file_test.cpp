#include <gtest/gtest.h>

#include "loader/loader.h"

namespace vrkt {
namespace {

std::vector<std::string> Split(std::string_view bytes, size_t chunk) {
  ListFileLines splitter;
  std::vector<std::string> out;
  for (size_t i = 0; i < bytes.size(); i += chunk) splitter.Feed(bytes.substr(i, chunk), out);
  splitter.Finish(out);
  return out;
}

using Lines = std::vector<std::string>;

TEST(ListFileLinesTest, LineEndsCarriageReturnsAndCtrlZ) {
  struct Case {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},  // a last line without line end counts
      {"a\rb\n", {"ab"}},    // a lone CR is dropped, it ends nothing
      {"a\r\r\nb", {"a", "b"}},
      {"a\n\nb\n", {"a", "", "b"}},  // empty lines in between stay
      {"a\n\r", {"a"}},              // a trailing CR is no line of its own
      {"a\nb\x1a"
       "c\nd\n",
       {"a", "b"}},  // Ctrl-Z ends the file
      {"\x1a"
       "a\n",
       {}},
      {" RUN:x \n\xe9t\xe9.scr\n", {" RUN:x ", "\xe9t\xe9.scr"}},  // taken over unchanged
      {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  for (const Case& c : cases) {
    // Reads arrive in pieces of any size; a CR LF split between two reads is still one line end.
    for (size_t chunk : {size_t{1}, size_t{2}, size_t{1000}})
      EXPECT_EQ(Split(c.bytes, chunk), c.lines) << "chunk " << chunk;
  }
}

TEST(LoaderDeadlineTest, GrowsWithTheDataOnTheWire) {
  EXPECT_EQ(Loader::DeadlineMsFor(0), Loader::kDeadlineMarginMs);
  // 1 MiB takes 91 s on the wire at 11,520 bytes/s; the deadline must leave room for it.
  int64_t mib = Loader::DeadlineMsFor(1 << 20);
  EXPECT_GT(mib, Loader::kDeadlineMarginMs + 91022);
  EXPECT_LT(mib, Loader::kDeadlineMarginMs + 91022 + 20000);
  EXPECT_LE(Loader::DeadlineMsFor(int64_t{1} << 40), INT32_MAX);
}

}  // namespace
}  // namespace vrkt
