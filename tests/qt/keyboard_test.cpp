// Keys of the window: Return in Find Name, Delete in the phone book, the buttons' shortcuts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest/QTest>

#include "base/codepage.h"
#include "phonebook/row_delete.h"
#include "qt/main_window.h"
#include "qt/phonebook_view.h"
#include "qt_app.h"
#include "support/harness.h"

namespace vrkt {
namespace {

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() : window(*h.program, {}) {
    h.Start();
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    h.RunFor(1000);
  }
  template <class W = QWidget>
  W* Get(const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
  }
  Form1& form() { return h.program->form; }
  qt::PhoneBookView* OpenPhoneBook() {
    Get<QTabWidget>("PageControl1")->setCurrentIndex(2);
    h.program->phonebook.SetRows({"Alice=111", "Bob=222", "Carol=333"});
    return dynamic_cast<qt::PhoneBookView*>(Get("PhoneBook1"));
  }

  testing::AppFirst app_;
  testing::Harness h;
  qt::MainWindow window;
};

TEST_F(KeyboardTest, ReturnInFindNameFinds) {
  OpenPhoneBook();
  auto* find = Get<QLineEdit>("FindN");
  find->setFocus();
  QTest::keyClicks(find, "Carol");
  QTest::keyClick(find, Qt::Key_Return);
  EXPECT_EQ(form().PhoneBook1.selected_line(), 3);
}

// Delete asks first; No (the default) keeps the row, Yes deletes it.
TEST_F(KeyboardTest, DeleteAsksBeforeRemovingTheRow) {
  qt::PhoneBookView* grid = OpenPhoneBook();
  grid->setFocus();
  grid->ShowCell(2, 0);
  form().PhoneBook1.SetSelectedLine(2);
  QTest::keyClick(grid, Qt::Key_Delete);
  ASSERT_EQ(h.dialogs.questions, std::vector<std::string>{"Delete row 2, \"Bob 222\"?"});
  EXPECT_EQ(form().PhoneBook1.rows().size(), 3u);

  h.dialogs.answers = {0};
  QTest::keyClick(grid, Qt::Key_Delete);
  EXPECT_EQ(form().PhoneBook1.rows(), (std::vector<std::string>{"Alice=111", "Carol=333"}));
  EXPECT_EQ(h.dialogs.questions.size(), 2u);
}

TEST_F(KeyboardTest, DeleteQuestionNamesTheRow) {
  EXPECT_EQ(DeleteRowQuestion(7, "Nobody="), "Delete row 7, \"Nobody\"?");
  EXPECT_EQ(DeleteRowQuestion(1, "602123456"), "Delete row 1, \"602123456\"?");
}

// The keys press their buttons and are named in the tooltips; F5 presses Stop or Run, whichever
// is shown.
TEST_F(KeyboardTest, ShortcutsPressTheirButtonsAndShowInTooltips) {
  for (const char* name : {"StopGDI", "LoadGDI", "SaveGDI", "Save", "Load", "SaveMonitor"})
    EXPECT_FALSE(Get(name)->toolTip().isEmpty()) << name;
  EXPECT_TRUE(Get("Save")->toolTip().contains("Ctrl+S"));
  EXPECT_TRUE(Get("StopGDI")->toolTip().contains("F5"));

  ASSERT_TRUE(Get("StopGDI")->isVisible());
  QTest::keyClick(&window, Qt::Key_F5);
  EXPECT_TRUE(h.program->port().Dtr()) << "F5 pressed Stop";

  h.dialogs.file_answers.push_back(std::nullopt);
  QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(h.dialogs.file_options.size(), 1u) << "Ctrl+L asked where to save the log";
}

// An English desktop (code page 1252) typing Czech letters: the letters 1252 lacks are refused
// where they are typed, with a note that names them; the caret stays where the user types.
TEST_F(KeyboardTest, LettersTheCodePageLacksAreRefusedWhereTyped) {
  const int saved = ActiveCodePage();
  SetActiveCodePage(1252);
  Get<QTabWidget>("PageControl1")->setCurrentIndex(2);
  auto* find = Get<QLineEdit>("FindN");
  find->setFocus();
  testing::KeyClicks(find, QString::fromUtf8("Noční směna"));
  EXPECT_EQ(find->text(), QString::fromUtf8("Noní smna"));
  EXPECT_EQ(find->cursorPosition(), find->text().size());
  EXPECT_EQ(form().FindN.text(), "Non\xED smna");
  auto* note = Get<QLabel>("StatusPanel0");
  EXPECT_TRUE(note->text().startsWith(QString::fromUtf8("\"ě\" is not in code page 1252")))
      << note->text().toStdString();

  // A paste that holds one such letter is refused whole, the letter named.
  find->clear();
  QTest::keyClicks(find, "ab");
  find->setCursorPosition(1);
  find->insert(QString::fromUtf8("Řehoř"));
  EXPECT_EQ(find->text(), "ab");
  EXPECT_TRUE(note->text().startsWith(QString::fromUtf8("\"Ř\", \"ř\" are not in code page")));

  // Under 1250 the same letters go through.
  SetActiveCodePage(1250);
  find->clear();
  testing::KeyClicks(find, QString::fromUtf8("Řehoř"));
  EXPECT_EQ(form().FindN.text(),
            "\xD8"
            "eho\xF8");
  SetActiveCodePage(saved);
}

// Number fields, the PIN and the grid's number column take only what the unit accepts, and say
// so.
TEST_F(KeyboardTest, NumberFieldsRefuseOtherCharactersAndSaySo) {
  Get<QTabWidget>("PageControl1")->setCurrentIndex(3);
  auto* field = Get<QLineEdit>("ALARMON");
  ASSERT_NE(field, nullptr);
  field->setFocus();
  QTest::keyClicks(field, "Vstup2 otevren");
  EXPECT_EQ(field->text(), "2");
  EXPECT_EQ(Get<QLabel>("StatusPanel0")->text(),
            "\"n\" is not accepted here: this field takes only digits, +, * and #.");

  // The SIM's PIN takes digits only; what is typed shifts in from the right.
  Get<QTabWidget>("PageControl1")->setCurrentIndex(4);
  auto* pin = Get<QLineEdit>("PIN");
  ASSERT_NE(pin, nullptr);
  pin->setFocus();
  QTest::keyClicks(pin, "12x");
  EXPECT_EQ(form().PIN.text(), "0012");
  EXPECT_EQ(Get<QLabel>("StatusPanel0")->text(),
            "\"x\" is not accepted here: this field takes only digits.");

  qt::PhoneBookView* grid = OpenPhoneBook();
  grid->setFocus();
  grid->ShowCell(1, 1);
  QTest::keyClick(grid, Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "12AB34");
  EXPECT_EQ(editor->text(), "1234");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(form().PhoneBook1.rows()[0], "Alice=1234");
}

}  // namespace
}  // namespace vrkt
