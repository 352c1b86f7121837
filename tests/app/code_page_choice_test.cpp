// Which code page the program keeps its text in.

#include "app/code_page_choice.h"

#include <gtest/gtest.h>

#include "app/program.h"
#include "base/codepage.h"
#include "base/error.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

// Restores the code page a test changed.
class KeepCodePage {
 public:
  KeepCodePage() : saved_(ActiveCodePage()) {}
  ~KeepCodePage() { SetActiveCodePage(saved_); }

 private:
  int saved_;
};

TEST(CodePageChoiceTest, CommandLineThenSettingsThenSystemOrLanguage) {
  EXPECT_EQ(ChooseCodePage(1251, 1250, "cs"), 1251);
  EXPECT_EQ(ChooseCodePage(0, 1250, "de"), 1250);
  if (!SystemHasOwnCodePage()) {
    // A UTF-8 desktop: the language chosen decides.
    for (const char* lang : {"cs", "sk", "pl", "hu"}) EXPECT_EQ(ChooseCodePage(0, 0, lang), 1250);
    EXPECT_EQ(ChooseCodePage(0, 0, "de"), 1252);
  }
  EXPECT_EQ(ChooseCodePage(0, 0, ""),
            IsSupportedCodePage(SystemCodePage()) ? SystemCodePage() : 1252);
  EXPECT_THROW(ChooseCodePage(65001, 0, ""), AppError);
}

TEST(CodePageChoiceTest, ParsesOnlyKnownPages) {
  EXPECT_EQ(ParseCodePage("1250"), 1250);
  EXPECT_EQ(ParseCodePage("1258"), 1258);
  for (const char* bad : {"", "12a0", "437", "65001", "-1250", "99999999999"}) {
    EXPECT_THROW(ParseCodePage(bad), AppError) << bad;
  }
  try {
    ParseCodePage("437");
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(),
                 "Code page 437 is not known to this program; it knows 1250, 1251, 1252, 1253, "
                 "1254, 1255, 1256, 1257, 1258.");
  }
}

// The settings file's CodePage is what a Czech letter typed under an English desktop is kept in.
TEST(CodePageChoiceTest, SettingsFileChoosesTheCodePage) {
  KeepCodePage keep;
  SetActiveCodePage(1252);
  testing::TempDir dir;
  dir.Write("VRKTset.ini", "[Form]\r\nCodePage=1250\r\n");
  testing::Harness h("VRKTset", dir.str());
  h.Start();
  EXPECT_EQ(ActiveCodePage(), 1250);
  EXPECT_EQ(Utf8ToCodePage("Řehoř"),
            "\xD8"
            "eho\xF8");
}

TEST(CodePageChoiceTest, UnknownCodePageInTheSettingsIsReported) {
  KeepCodePage keep;
  SetActiveCodePage(1252);
  testing::TempDir dir;
  dir.Write("VRKTset.ini", "[Form]\r\nCodePage=850\r\n");
  testing::Harness h("VRKTset", dir.str());
  h.Start();
  EXPECT_EQ(ActiveCodePage(), 1252);
  ASSERT_FALSE(h.dialogs.messages.empty());
  EXPECT_NE(h.dialogs.messages[0].find("CodePage: Code page 850 is not known"), std::string::npos)
      << h.dialogs.messages[0];
}

}  // namespace
}  // namespace vrkt
