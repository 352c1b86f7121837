#include "phonebook/phonebook.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"
#include "phonebook/name_fold.h"
#include "support/harness.h"

namespace vrkt {
namespace {

class PhoneBookTest : public ::testing::Test {
 protected:
  void SetRows(std::vector<std::string> rows) { book().SetRows(std::move(rows)); }
  const std::vector<std::string>& rows() { return grid().rows(); }
  Grid& grid() { return h.program->form.PhoneBook1; }
  PhoneBookEditor& book() { return h.program->phonebook; }
  int Selected() { return grid().selected_line(); }
  void Select(int line) { grid().SetSelectedLine(line); }
  // Finds through the button, as the user does; returns the selected line afterwards.
  int FindClick(const std::string& text) {
    h.program->form.FindN.SetText(text);
    book().FindClick();
    return Selected();
  }

  testing::Harness h;
};

TEST_F(PhoneBookTest, InsertLineAddsOneEmptyRowAndKeepsTheSelection) {
  SetRows({"Anna=1", "Bob=2"});
  Select(2);
  book().LineInClick();
  book().LineInClick();  // the selected line is now an empty row: nothing more
  EXPECT_EQ(rows(), (std::vector<std::string>{"Anna=1", "=", "Bob=2"}));
  EXPECT_EQ(Selected(), 2);

  book().Clear();
  book().LineInClick();
  EXPECT_EQ(rows(), std::vector<std::string>{"="});
  EXPECT_EQ(Selected(), 1);
}

TEST_F(PhoneBookTest, DeleteLineKeepsTheSelectionOnAShownLine) {
  SetRows({"A=1", "B=2", "C=3"});
  Select(3);
  book().LineDelClick();
  EXPECT_EQ(rows(), (std::vector<std::string>{"A=1", "B=2"}));
  EXPECT_EQ(Selected(), 2);

  Select(1);
  book().LineDelClick();
  EXPECT_EQ(rows(), std::vector<std::string>{"B=2"});
  EXPECT_EQ(Selected(), 1);

  book().LineDelClick();  // the only row
  EXPECT_TRUE(rows().empty());
  EXPECT_EQ(book().LineCount(), 2);  // title and the one empty line
  EXPECT_EQ(Selected(), 1);

  book().LineDelClick();  // nothing to delete
  EXPECT_TRUE(rows().empty());
}

TEST_F(PhoneBookTest, FindComparesWholeNamesWithoutRegardToCase) {
  SetRows({"Bob=1", "ANNA=2", "Anna=3", "noequals", "=4", "\xC4rzt=5"});
  struct Case {
    const char* text;
    int line;  // expected selection; the search starts from line 1 each time
  } cases[] = {
      {"anna", 2},       // case ignored, the upper of two wins
      {"ann", 1},        // whole names only: nothing found, selection stays
      {"bob ", 1},       // nothing is trimmed
      {"", 5},           // empty name: the inserted-style row, not the row without "="
      {"noequals", 1},   // a row without "=" is never found
      {"\xE4RZT", 6},    // code page letters fold as well (A with diaeresis)
      {"Bob=1", 1},      // "=" can never be part of a name
  };
  for (const Case& c : cases) {
    Select(1);
    EXPECT_EQ(FindClick(c.text), c.line) << c.text;
  }
  EXPECT_EQ(book().FindName("ANNA"), 2);
  EXPECT_EQ(book().FindName("x"), std::nullopt);
}

TEST_F(PhoneBookTest, NameWithEqualsIsRefusedAndTheOldNameStays) {
  SetRows({"Anna=1"});
  EXPECT_THROW(book().SetName(1, "a=b"), AppError);
  h.program->Run([&] { book().SetName(1, "x=y"); });
  EXPECT_EQ(h.dialogs.messages, std::vector<std::string>{"Key may not contain equals sign (\"=\")"});
  EXPECT_EQ(rows(), std::vector<std::string>{"Anna=1"});

  book().SetName(1, "Eva");
  book().SetPhone(1, "7=8");  // a phone may hold "=": everything after the first one is phone
  EXPECT_EQ(rows(), std::vector<std::string>{"Eva=7=8"});
  EXPECT_EQ(book().Phone(1), "7=8");
}

TEST_F(PhoneBookTest, ASettingsNameIsRefusedInAnyCaseAndFamily) {
  SetRows({"Anna=1"});
  // The parameter file's own keys, the unit's entries of both families, any letter case.
  for (const char* name : {"PARAMVRKT", "paramrl1", "ParVrkt", "PORTCLOSE3", "master7", "Ver"}) {
    h.program->Run([&] { book().SetName(1, name); });
    EXPECT_EQ(rows(), std::vector<std::string>{"Anna=1"}) << name;
  }
  ASSERT_EQ(h.dialogs.messages.size(), 6u);
  EXPECT_EQ(h.dialogs.messages[0], "PARAMVRKT is a name the unit or a parameter file uses for a "
                                   "setting; a phone book row cannot have it.");
  // The empty grid's line takes no such name either; names that only begin like one are fine.
  SetRows({});
  EXPECT_THROW(book().SetName(1, "sdata"), AppError);
  EXPECT_TRUE(rows().empty());
  book().SetName(1, "MASTER10");
  EXPECT_EQ(rows(), std::vector<std::string>{"MASTER10="});
}

TEST_F(PhoneBookTest, RowWithoutEqualsIsKeptUnlessEdited) {
  book().SetText("plain line\r\nA=1\r\n");
  EXPECT_EQ(book().Name(1), "");
  EXPECT_EQ(book().Phone(1), "plain line");
  book().SetName(1, "");           // unchanged cell: the row stays as loaded
  book().SetPhone(1, "plain line");
  EXPECT_EQ(book().Text(), "plain line\r\nA=1\r\n");
  book().SetName(1, "N");
  EXPECT_EQ(book().RowText(1), "N=plain line");
}

// A row is one line of a file: a line break typed or pasted into a cell would come back from a
// saved file as two rows.
TEST_F(PhoneBookTest, LineBreaksInACellBecomeBlanks) {
  SetRows({"Anna=1"});
  book().SetName(1, "Night\r\nshift\nteam\r");
  book().SetPhone(1, "12\n\n34");
  EXPECT_EQ(rows(), std::vector<std::string>{"Night shift team =12  34"});
  book().SetText(book().Text());
  EXPECT_EQ(rows(), std::vector<std::string>{"Night shift team =12  34"});
  // The empty line of an empty grid takes the same care.
  book().Clear();
  book().SetPhone(1, "5\r\n6");
  EXPECT_EQ(rows(), std::vector<std::string>{"=5 6"});
}

TEST_F(PhoneBookTest, EditingTheEmptyLineOfAnEmptyGridCreatesTheFirstRow) {
  book().SetName(1, "");
  EXPECT_TRUE(rows().empty());
  book().SetPhone(1, "123");
  book().SetName(1, "Eva");
  EXPECT_EQ(rows(), std::vector<std::string>{"Eva=123"});
  book().SetName(5, "ignored");
  EXPECT_EQ(rows(), std::vector<std::string>{"Eva=123"});
}

TEST_F(PhoneBookTest, KeyboardAppendAndDelete) {
  SetRows({"A=1"});
  book().AppendRow();
  EXPECT_EQ(rows(), (std::vector<std::string>{"A=1", "="}));
  EXPECT_EQ(Selected(), 2);
  book().DeleteRow(2);
  EXPECT_EQ(rows(), std::vector<std::string>{"A=1"});
  EXPECT_EQ(Selected(), 1);
  book().DeleteRow(0);
  book().DeleteRow(7);
  EXPECT_EQ(rows(), std::vector<std::string>{"A=1"});
}

TEST_F(PhoneBookTest, OperationsForTransferAndFiles) {
  EXPECT_EQ(book().LineCount(), 2);
  EXPECT_EQ(book().Name(1), "");
  EXPECT_EQ(book().Phone(1), "");

  book().ReplaceWithRow("Anna", "1");
  book().AppendRow("Bob", "2");
  EXPECT_EQ(book().LineCount(), 3);
  EXPECT_EQ(book().Name(2), "Bob");
  EXPECT_EQ(book().Phone(2), "2");
  EXPECT_EQ(book().Name(3), "");
  EXPECT_EQ(book().Text(), "Anna=1\r\nBob=2\r\n");
  book().ReplaceWithRow("Eva", "3");
  EXPECT_EQ(rows(), std::vector<std::string>{"Eva=3"});

  // Line ends CR, LF and CR LF; a blank line in the middle is a row; a final line end adds none.
  book().SetText("A=1\rB=2\nC=3\r\n\r\nD=4\n\r");
  EXPECT_EQ(rows(), (std::vector<std::string>{"A=1", "B=2", "C=3", "", "D=4", ""}));
  Select(6);
  book().Clear();
  EXPECT_TRUE(rows().empty());
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(book().Text(), "");
}

TEST(NameFoldTest, LowerCaseOfTheCodePageScripts) {
  struct Case {
    char32_t upper, lower;
  } cases[] = {
      {U'A', U'a'},    {U'Z', U'z'},    {0xC4, 0xE4},    {0xDE, 0xFE},   {0x100, 0x101},
      {0x10C, 0x10D},  {0x139, 0x13A},  {0x147, 0x148},  {0x152, 0x153}, {0x160, 0x161},
      {0x178, 0xFF},   {0x179, 0x17A},  {0x17D, 0x17E},  {0x130, U'i'},  {0x391, 0x3B1},
      {0x38F, 0x3CE},  {0x401, 0x451},  {0x410, 0x430},  {0x42F, 0x44F}, {0x490, 0x491},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SimpleLowerCase(c.upper), c.lower) << std::hex << static_cast<uint32_t>(c.upper);
    EXPECT_EQ(SimpleLowerCase(c.lower), c.lower) << std::hex << static_cast<uint32_t>(c.lower);
  }
  // Not letters, or letters without a case partner.
  for (char32_t c : {char32_t{'@'}, char32_t{'['}, char32_t{0xD7}, char32_t{0xDF}, char32_t{0x131},
                     char32_t{0x138}, char32_t{0x149}, char32_t{0x3A2}})
    EXPECT_EQ(SimpleLowerCase(c), c) << std::hex << static_cast<uint32_t>(c);
}

TEST(NameFoldTest, FoldsBytesThroughTheCodePage) {
  NameFolder folder(1252);
  EXPECT_TRUE(folder.Equal("\xC4rzte", "\xE4RZTE"));
  EXPECT_FALSE(folder.Equal("\xD7", "\xF7"));  // multiplication and division signs
  EXPECT_FALSE(folder.Equal("anna", "anna "));
  EXPECT_EQ(folder.Fold("MASTER1=ABC"), "master1=abc");
  // The folder for another code page is built without disturbing the active one.
  int before = ActiveCodePage();
  NameFolder other(before == 1250 ? 1252 : 1250);
  EXPECT_EQ(ActiveCodePage(), before);
  EXPECT_EQ(ActiveNameFolder().code_page(), before);
}

}  // namespace
}  // namespace vrkt
