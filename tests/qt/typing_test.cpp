// The window typed into as a technician does: keys go to whatever has the keyboard focus.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include "qt/main_window.h"
#include "qt/phonebook_view.h"
#include "qt_app.h"
#include "support/harness.h"

namespace vrkt {
namespace {

// Qt's warnings while a test runs: an item view warns when it is handed an editor it has
// already dropped, which is how a grid that lost its edit shows.
std::vector<std::string> g_warnings;
void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg || type == QtCriticalMsg) g_warnings.push_back(text.toStdString());
}

class TypingTest : public ::testing::Test {
 protected:
  explicit TypingTest(const char* program = "VRKTset") : h(program), window(*h.program, {}) {
    h.Start();
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    g_warnings.clear();
    previous_handler_ = qInstallMessageHandler(RecordWarning);
  }
  ~TypingTest() override {
    qInstallMessageHandler(previous_handler_);
    for (const std::string& w : g_warnings) ADD_FAILURE() << "Qt warned: " << w;
  }
  template <class W = QWidget>
  W* Get(const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
  }
  Form1& form() { return h.program->form; }
  const std::vector<std::string>& rows() { return form().PhoneBook1.rows(); }
  // Keys as the keyboard gives them: to the widget with the focus.
  static void Type(const QString& text) { QTest::keyClicks(nullptr, text); }
  static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

  qt::PhoneBookView* OpenPhoneBook() {
    Get<QTabWidget>("PageControl1")->setCurrentIndex(2);
    return dynamic_cast<qt::PhoneBookView*>(Get("PhoneBook1"));
  }
  // Puts the caret into a field that holds `start` and types; the model and the field must then
  // hold `result`, with the caret at `caret_after`.
  void TypeInto(int page, const char* field, const char* start, int caret, const char* typed,
                const char* result, int caret_after) {
    SCOPED_TRACE(field);
    Get<QTabWidget>("PageControl1")->setCurrentIndex(page);
    auto* line = Get<QLineEdit>(field);
    ASSERT_TRUE(line && line->isVisible());
    auto* edit = static_cast<Edit*>(form().FindControl(field));
    edit->SetText(start);
    line->setFocus();
    line->setCursorPosition(caret);
    Type(typed);
    EXPECT_EQ(edit->text(), result);
    EXPECT_EQ(line->text().toStdString(), result);
    EXPECT_EQ(line->cursorPosition(), caret_after);
  }
  void ClickCell(qt::PhoneBookView* grid, int row, int column) {
    QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  }

  testing::AppFirst app_;
  testing::Harness h;
  qt::MainWindow window;
  QtMessageHandler previous_handler_ = nullptr;
};

TEST_F(TypingTest, GridCellsTakeTypingReturnGoesDownTabGoesRight) {
  qt::PhoneBookView* grid = OpenPhoneBook();
  ASSERT_TRUE(grid);
  h.program->phonebook.SetRows({"Anna=111", "Bob=222", "Cyril=333"});

  ClickCell(grid, 1, 0);
  Type("Bert");
  Press(Qt::Key_Return);
  QTest::qWait(0);  // the editor ends after the key, as the delegate queues it
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(2, 0)) << "Return goes one row down";
  Type("Carl");
  Press(Qt::Key_Tab);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(2, 1)) << "Tab goes to the next cell";
  Type("444");
  Press(Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(rows(), (std::vector<std::string>{"Anna=111", "Bert=222", "Carl=444"}));
  EXPECT_EQ(form().PhoneBook1.selected_line(), 3) << "Return on the last row stays there";
  EXPECT_EQ(form().PhoneBook1.selected_column(), 1);

  // Without an open editor Return goes down as well; typing then edits only that cell.
  ClickCell(grid, 0, 1);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 1));
  Type("9");
  Press(Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(rows(), (std::vector<std::string>{"Anna=111", "Bert=9", "Carl=444"}));
}

TEST_F(TypingTest, InsertLineHandsTheNewNameCellTheKeyboard) {
  qt::PhoneBookView* grid = OpenPhoneBook();
  h.program->phonebook.SetRows({"Anna=111", "Bob=222"});
  ClickCell(grid, 1, 1);
  QTest::mouseClick(Get("LineIn"), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  Type("Eva");
  Press(Qt::Key_Tab);
  Type("555");
  Press(Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(rows(), (std::vector<std::string>{"Anna=111", "Eva=555", "Bob=222"}));

  // On an empty row nothing is inserted, but the name cell takes the keyboard all the same.
  h.program->phonebook.SetRows({"=", "Bob=222"});
  ClickCell(grid, 0, 1);
  QTest::mouseClick(Get("LineIn"), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
  EXPECT_EQ(rows().size(), 2u);
}

// A file line without "=" is all phone: the grid shows it there, and editing the empty name
// cell keeps the text it shows.
TEST_F(TypingTest, RowWithoutEqualsShowsWhatItHolds) {
  qt::PhoneBookView* grid = OpenPhoneBook();
  h.program->phonebook.SetText("note without equals\r\nAnna=1\r\n");
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "");
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "note without equals");
  ClickCell(grid, 0, 0);
  Type("Info");
  Press(Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(rows()[0], "Info=note without equals");
}

TEST_F(TypingTest, LineBreakPastedIntoACellBecomesABlank) {
  qt::PhoneBookView* grid = OpenPhoneBook();
  h.program->phonebook.SetRows({"Anna=1"});
  ClickCell(grid, 0, 0);
  Press(Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_TRUE(editor) << "F2 opens the cell editor";
  editor->selectAll();
  QApplication::clipboard()->setText("Night\r\nshift");
  QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
  Press(Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_EQ(rows(), std::vector<std::string>{"Night shift=1"});
  EXPECT_EQ(h.program->phonebook.Text(), "Night shift=1\r\n");
}

// Typing in the middle of a text: each key lands at the caret and the caret moves on with it,
// for a plain field, for fields whose rule leaves the typed text alone, and for the baud rate.
TEST_F(TypingTest, CaretStaysWhereTheUserTypes) {
  OpenPhoneBook();
  auto* find = Get<QLineEdit>("FindN");
  QTest::mouseClick(find, Qt::LeftButton);
  Type("caretaker");
  EXPECT_EQ(form().FindN.text(), "caretaker");
  find->setCursorPosition(4);
  Type("XY");
  EXPECT_EQ(form().FindN.text(), "careXYtaker");
  EXPECT_EQ(find->cursorPosition(), 6);

  struct Case {
    int page;
    const char* field;
    const char* start;
    int caret;
    const char* typed;
    const char* result;
    int caret_after;
  } cases[] = {
      {0, "MASTER1", "0123", 2, "99", "019923", 4},
      {1, "TEST8", "#21", 0, "*", "*#21", 1},
      {3, "ALARMON", "+420", 1, "*", "+*420", 2},
  };
  for (const Case& c : cases)
    TypeInto(c.page, c.field, c.start, c.caret, c.typed, c.result, c.caret_after);
}

class DvgTypingTest : public TypingTest {
 protected:
  DvgTypingTest() : TypingTest("DVG1Cset") {}
};

TEST_F(DvgTypingTest, FilteredFieldsAndTheBaudRateKeepTheCaret) {
  TypeInto(3, "PORTOPEN1", "0603", 1, "7", "07603", 2);
  // A waiting time holds four digits: the rule cuts the fifth, and the caret goes to the end.
  TypeInto(3, "TIN1", "12", 1, "34", "1342", 3);
  TypeInto(3, "TIN1", "1342", 1, "5", "1534", 4);

  auto* rate = Get<QComboBox>("Rate");
  QLineEdit* line = rate->lineEdit();
  line->setFocus();
  Type("900");
  line->setCursorPosition(1);
  Type("6");
  EXPECT_EQ(form().Rate.text(), "9600");
  EXPECT_EQ(form().Rate.item_index(), 3) << "the typed text is an item";
  EXPECT_EQ(line->cursorPosition(), 2);
  Type("1");
  EXPECT_EQ(form().Rate.text(), "96100");
  EXPECT_EQ(form().Rate.item_index(), -1);
  EXPECT_EQ(line->text(), "96100");
  EXPECT_EQ(line->cursorPosition(), 3);
}

}  // namespace
}  // namespace vrkt
