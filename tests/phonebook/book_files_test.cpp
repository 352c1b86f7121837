// The Phone Book page's Import and Export buttons, driven as the window drives them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "support/harness.h"
#include "support/temp_dir.h"
#include "transfer/transfer_fixture.h"

namespace vrkt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class BookFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_page_ = ActiveCodePage();
    SetActiveCodePage(1250);
    h.Start();
    h.RunFor(500);
  }
  void TearDown() override { SetActiveCodePage(saved_page_); }

  // Imports `name` from the folder, answering the question with `answer`.
  void Import(const std::string& name, int answer) {
    h.dialogs.file_answers.push_back(dir.File(name));
    h.dialogs.answers.push_back(answer);
    h.Click(h.form().BookImport);
  }
  const std::vector<std::string>& Rows() { return h.form().PhoneBook1.rows(); }

  testing::Harness h;
  testing::TempDir dir;
  int saved_page_ = 0;
};

TEST_F(BookFilesTest, ImportAppendsOrReplacesAndListsWhatItLeavesOut) {
  h.program->phonebook.SetRows({"Old=1"});
  dir.Write("in.csv",
            "Jm\xC3\xA9no;\xC4\x8D\xC3\xADslo\r\n\xC4\x8C" "ern\xC3\xBD;+420 602 555 111\r\n"
            "MASTER1;112\r\n");
  Import("in.csv", 0);
  EXPECT_THAT(Rows(), ElementsAre("Old=1", "\xC8" "ern\xFD=+420602555111"));
  ASSERT_EQ(h.dialogs.questions.size(), 1u);
  // Shown in the window's code page.
  EXPECT_EQ(h.dialogs.questions[0],
            "1 row of \"in.csv\" (UTF-8) can be imported.\n\n1 row cannot be put on the SIM and "
            "is left out:\nrow 3 'MASTER1': MASTER1 is a reserved name: the unit would take the "
            "row for one of its settings\n\nMerge the rows into the phone book (a name it has "
            "gets the new number), replace the phone book with them, or add them beside the rows "
            "of the same name?");
  EXPECT_EQ(h.dialogs.messages.back(),
            "Imported \"in.csv\" (UTF-8): 1 added, 0 replaced, 0 unchanged, 1 refused, 0 left out.");

  Import("in.csv", 1);
  EXPECT_THAT(Rows(), ElementsAre("\xC8" "ern\xFD=+420602555111"));
  Import("in.csv", -1);  // Cancel
  EXPECT_THAT(Rows(), ElementsAre("\xC8" "ern\xFD=+420602555111"));
  EXPECT_EQ(h.dialogs.messages.size(), 2u);
  h.dialogs.messages.clear();

  // Nothing to import: said, and nothing asked.
  dir.Write("bad.csv", "Name,Number\nMASTER2,1\n");
  dir.Write("empty.csv", "Name,Number\n");
  Import("bad.csv", 0);
  Import("empty.csv", 0);
  EXPECT_EQ(h.dialogs.questions.size(), 3u);
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_THAT(h.dialogs.messages[0], HasSubstr("No row of \"bad.csv\" can be put on the SIM"));
  EXPECT_EQ(h.dialogs.messages[1], "\"empty.csv\" holds no phone book rows.");
  EXPECT_THAT(Rows(), ElementsAre("\xC8" "ern\xFD=+420602555111"));
  h.dialogs.answers.clear();
}

TEST_F(BookFilesTest, TheUnitsLimitsApplyOnceItHasBeenRead) {
  const std::string seventeen = "Seventeen letters";
  dir.Write("long.vcf", "BEGIN:VCARD\r\nFN:" + seventeen + "\r\nTEL:1\r\nEND:VCARD\r\n");
  Import("long.vcf", 0);
  EXPECT_EQ(Rows().back(), seventeen + "=1");

  testing::StopAndLoad(h);  // the simulated SIM takes names of 16 characters
  EXPECT_EQ(h.program->op.sim_limits, (SimLimits{250, 40, 16}));
  const size_t before = Rows().size();
  Import("long.vcf", 0);
  EXPECT_EQ(Rows().size(), before);
  ASSERT_FALSE(h.dialogs.messages.empty());
  EXPECT_THAT(h.dialogs.messages.back(),
              HasSubstr("card 1 'Seventeen letters': name has 17 characters, this SIM takes 16"));
}

TEST_F(BookFilesTest, ExportWritesTheRowsASimCanHoldAndImportBringsThemBack) {
  const std::vector<std::string> rows = {"\xC8" "ern\xFD Petr=+420602555111", "=", "Anna=",
                                         "Reception=0123456789"};
  h.program->phonebook.SetRows(rows);
  h.dialogs.file_answers.push_back(dir.File("out.csv"));
  h.dialogs.answers.push_back(0);  // plain CSV
  h.Click(h.form().BookExport);
  EXPECT_EQ(h.dialogs.file_options.back().default_ext, "csv");
  EXPECT_EQ(dir.Read("out.csv"),
            "\xEF\xBB\xBFName,Number\r\n\xC4\x8C" "ern\xC3\xBD Petr,+420602555111\r\n"
            "Reception,0123456789\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0],
            "2 rows without a name or a number were not exported; a SIM cannot hold them.");

  h.dialogs.file_answers.push_back(dir.File("out.vcf"));
  h.Click(h.form().BookExport);
  EXPECT_THAT(dir.Read("out.vcf"), HasSubstr("FN:\xC4\x8C" "ern\xC3\xBD Petr\r\n"));

  h.dialogs.messages.clear();
  for (const char* file : {"out.csv", "out.vcf"}) {
    Import(file, 1);
    EXPECT_THAT(Rows(), ElementsAre(rows[0], rows[3])) << file;
  }

  // An empty book writes no file.
  h.program->phonebook.SetRows({"="});
  const size_t asked = h.dialogs.file_options.size();
  h.Click(h.form().BookExport);
  EXPECT_EQ(h.dialogs.file_options.size(), asked);
  EXPECT_EQ(h.dialogs.messages.back(),
            "The phone book has no row with both a name and a number to export.");
}

TEST_F(BookFilesTest, UnreadableFileIsReported) {
  h.program->phonebook.SetRows({"Old=1"});
  Import("missing.csv", 0);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_THAT(h.dialogs.messages[0], HasSubstr("Cannot open file"));
  EXPECT_THAT(Rows(), ElementsAre("Old=1"));
  h.dialogs.answers.clear();
}

}  // namespace
}  // namespace vrkt
