// Keys of the window: Return in Find Name, Delete in the phone book, the buttons' shortcuts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest/QTest>

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
    form().PhoneBook1.mutable_rows() = {"Alice=111", "Bob=222", "Carol=333"};
    form().PhoneBook1.RowsChanged();
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

}  // namespace
}  // namespace vrkt
