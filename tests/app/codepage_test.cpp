#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace vrkt {
namespace {

const int kPages[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

TEST(CodePageTest, EveryByteOfEveryPageRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (int page : kPages) {
    ASSERT_TRUE(IsSupportedCodePage(page));
    std::string shown = CodePageToUtf8(all, page);
    EXPECT_EQ(Utf8ToCodePage(shown, page), all) << page;
  }
}

TEST(CodePageTest, KnownCharacters) {
  struct Case {
    int page;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {1250, "Tla\xE8\xEDtko \x8A\x9E\xF8\xF9", "Tlačítko Šžřů"},
      {1250, "\xA3\xB3\xA5\xB9", "ŁłĄą"},
      {1251, "\xC0\xFF\xA8\xB8", "АяЁё"},
      {1252, "\x80\xE9\xDF", "€éß"},
      {1253, "\xC1\xF9", "Αω"},
      {1250, "\x81", "\xC2\x81"},  // undefined in 1250: its own C1 code point
      {1252, "plain ASCII\t", "plain ASCII\t"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageToUtf8(c.bytes, c.page), c.utf8) << c.page;
    EXPECT_EQ(Utf8ToCodePage(c.utf8, c.page), c.bytes) << c.page;
  }
}

TEST(CodePageTest, TypedTextTheCodePageCannotHold) {
  struct Case {
    std::string utf8;
    std::string want;
  } cases[] = {
      {"Я", "?"},                     // Cyrillic in 1250
      {"a\xF0\x9F\x98\x80z", "a?z"},  // outside the BMP
      {"a\xC3", "a?"},                // cut short at the end
      {"a\xC3z", "a?z"},              // cut short in the middle: z survives
      {"\x80", "?"},                  // stray continuation byte
      {"\xC0\xAF", "??"},             // overlong '/'
      {"\xED\xA0\x80", "???"},        // surrogate
      {"\xFF", "?"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCodePage(c.utf8, 1250), c.want);
}

TEST(CodePageTest, CheckedConversionNamesWhatItCouldNotConvert) {
  // Same bytes as the plain conversion, and each failure listed once, in order.
  // "Łódź Ł ☎ a", then a sequence cut short.
  const std::string text = "\xC5\x81\xC3\xB3" "d\xC5\xBA \xC5\x81 \xE2\x98\x8E a\xC3z";
  CheckedCodePageText c = Utf8ToCodePageChecked(text, 1252);
  EXPECT_EQ(c.bytes, Utf8ToCodePage(text, 1252));
  EXPECT_EQ(c.bytes, "?\xF3" "d? ? ? a?z");
  EXPECT_EQ(c.missing, (std::vector<char32_t>{U'\u0141', U'\u017A', U'\u260E', U'\uFFFD'}));
  // The same name fits 1250 whole.
  CheckedCodePageText cz = Utf8ToCodePageChecked("\xC5\x81\xC3\xB3" "d\xC5\xBA", 1250);
  EXPECT_EQ(cz.bytes, "\xA3\xF3" "d\x9F");
  EXPECT_TRUE(cz.missing.empty());
  // A real '?' is no failure.
  EXPECT_TRUE(Utf8ToCodePageChecked("why?", 1250).missing.empty());

  EXPECT_TRUE(IsValidUtf8("plain \xC4\x8D \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xE8", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\x80", "\xF8\x88\x80\x80\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  EXPECT_EQ(Utf8Of(U'\U0001F600'), "\xF0\x9F\x98\x80");
}

TEST(CodePageTest, CodePageFromLocale) {
  struct Case {
    const char* locale;
    int page;
  } cases[] = {
      {"cs_CZ.UTF-8", 1250}, {"sk_SK", 1250},
      {"pl", 1250},          {"hu_HU.ISO-8859-2", 1250},
      {"CS_cz", 1250},       {"sr_RS@latin", 1250},
      {"sr-Latn-RS", 1250},  {"sr_RS", 1251},
      {"bs_BA", 1250},       {"ru_RU.KOI8-R", 1251},
      {"uk_UA.UTF-8", 1251}, {"el_GR", 1253},
      {"tr_TR", 1254},       {"az_AZ", 1254},
      {"lt_LT", 1257},       {"en_US.UTF-8", 1252},
      {"de_DE@euro", 1252},  {"C", 1252},
      {"POSIX", 1252},       {"", 1252},
      {"csb_PL", 1252},  // another language that merely starts with "cs"
  };
  for (const Case& c : cases) EXPECT_EQ(CodePageForLocale(c.locale), c.page) << c.locale;
}

TEST(CodePageTest, UnsupportedPageFallsBackTo1252) {
  const int before = ActiveCodePage();
  SetActiveCodePage(932);
  EXPECT_EQ(ActiveCodePage(), 1252);
  SetActiveCodePage(1250);
  EXPECT_EQ(ActiveCodePage(), 1250);
  EXPECT_EQ(CodePageToUtf8("\xE8"), "č");
  SetActiveCodePage(before);
}

}  // namespace
}  // namespace vrkt
