#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

#include "base/codepage.h"
#include "base/error.h"
#include "qt/form_binder.h"
#include "qt/main_window.h"
#include "qt/monitor_view.h"
#include "qt/phonebook_view.h"
#include "qt/widgets.h"
#include "qt_app.h"
#include "support/harness.h"

namespace vrkt {
namespace {

class BindingTest : public ::testing::Test {
 protected:
  BindingTest() : window(*h.program, [this] { ++after_actions; }) { h.Start(); }
  template <class W>
  W* Get(const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
  }
  Form1& form() { return h.program->form; }

  testing::AppFirst app_;
  testing::Harness h{"VRKTset"};
  qt::MainWindow window;
  int after_actions = 0;
};

// A change made by the program is drawn, and drawing it runs no rule a second time.
TEST_F(BindingTest, ProgramChangesAreDrawnWithoutEcho) {
  int edits = 0, clicks = 0, picks = 0, selects = 0;
  form().MASTER1.on_change = [&] { ++edits; };
  form().ECALL.on_click = [&] { ++clicks; };
  form().TLtime.on_pick = [&] { ++picks; };
  form().RelCam1.on_select = [&] { ++selects; };

  form().MASTER1.SetText("0042");
  form().ECALL.SetChecked(true);
  form().TLtime.SetItemIndex(3);
  form().RelCam1.Select();
  form().RelLi1.Select();  // deselects camera silently
  form().Rate.SetText("250000");
  form().VolSpk.SetPosition(3);

  EXPECT_EQ(edits, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(picks, 0);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(after_actions, 0);
  EXPECT_EQ(Get<QLineEdit>("MASTER1")->text(), "0042");
  EXPECT_TRUE(Get<QCheckBox>("ECALL")->isChecked());
  EXPECT_EQ(Get<QComboBox>("TLtime")->currentText(), "3");
  EXPECT_FALSE(Get<QRadioButton>("RelCam1")->isChecked());
  EXPECT_TRUE(Get<QRadioButton>("RelLi1")->isChecked());
  EXPECT_EQ(Get<QComboBox>("Rate")->currentText(), "250000");
  EXPECT_EQ(Get<QSlider>("VolSpk")->value(), 3);
  EXPECT_EQ(form().VolSpk.position(), 3);

  form().TLtime.SetItemIndex(-1);
  EXPECT_EQ(Get<QComboBox>("TLtime")->currentText(), "");

  // Displays: range, position, colour; shapes; captions, tooltips, visibility, enabled state.
  form().Smeter.SetPosition(31);
  form().Smeter.SetColor(kGreen);
  auto* meter = dynamic_cast<qt::BarWidget*>(Get<QWidget>("Smeter"));
  ASSERT_TRUE(meter);
  EXPECT_EQ(meter->value(), 31);
  EXPECT_EQ(meter->bar_color(), QColor(0, 255, 0));
  EXPECT_EQ(dynamic_cast<qt::BarWidget*>(Get<QWidget>("BVoltage"))->minimum(), 300);
  form().PINOK.SetColor(kRed);
  EXPECT_EQ(dynamic_cast<qt::ShapeWidget*>(Get<QWidget>("PINOK"))->color(), QColor(255, 0, 0));
  form().LabelSecBL.SetCaption("s");
  form().GroupBox4.SetCaption("Unit \xE9");  // an 8-bit text shows as Unicode
  form().IMEI.SetTooltip("tip");
  form().Prubeh.SetVisible(true);
  form().LoadGDI.SetEnabled(false);
  form().StatusBar1.SetPanel(2, " SIM: 250");
  form().Emergency.SetCaption("NOUZE");
  EXPECT_EQ(Get<QLabel>("LabelSecBL")->text(), "s");
  EXPECT_EQ(Get<QGroupBox>("GroupBox4")->title(), QString::fromStdString(CodePageToUtf8("Unit \xE9")));
  EXPECT_EQ(Get<QWidget>("IMEI")->toolTip(), "tip");
  EXPECT_FALSE(Get<QWidget>("Prubeh")->isHidden());
  EXPECT_FALSE(Get<QWidget>("LoadGDI")->isEnabled());
  EXPECT_EQ(Get<QWidget>("StatusBar1")->findChild<QLabel*>("StatusPanel2")->text(), " SIM: 250");
  EXPECT_EQ(Get<QTabWidget>("PageControl1")->tabText(0), "NOUZE");
  form().PageControl1.SetActivePage(4);
  EXPECT_EQ(Get<QTabWidget>("PageControl1")->currentIndex(), 4);
  EXPECT_EQ(after_actions, 0) << "no drawing may count as user input";
}

// Typing goes through the field's rule; the widget then shows the model's text and caret. An
// error raised by a rule becomes one message, and the field shows what the model holds.
TEST_F(BindingTest, TypingRunsTheRuleAndShowsItsResult) {
  Edit& e = form().MASTER1;
  e.on_change = [&e] {
    std::string digits;
    for (char c : e.text())
      if (c >= '0' && c <= '9') digits += c;
    e.SetText(digits);
    e.CaretToEnd();
  };
  auto* line = Get<QLineEdit>("MASTER1");
  testing::KeyClicks(line, "12a3");
  EXPECT_EQ(e.text(), "123");
  EXPECT_EQ(line->text(), "123");
  EXPECT_EQ(line->cursorPosition(), 3);
  // The letter never reached the model: the number field refused it where it was typed.
  EXPECT_EQ(after_actions, 3);

  form().TEST1.on_change = [] { throw AppError("'x' is not a valid integer value"); };
  testing::KeyClicks(Get<QLineEdit>("TEST1"), "5");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0], "'x' is not a valid integer value");
  EXPECT_EQ(Get<QLineEdit>("TEST1")->text(), QString::fromStdString(form().TEST1.text()));

  // Unicode typed by the user reaches the model as 8-bit text.
  testing::KeyClicks(Get<QLineEdit>("FindN"), QString::fromUtf8("\xC3\xA9"));
  EXPECT_EQ(form().FindN.text(), Utf8ToCodePage("\xC3\xA9"));
}

TEST_F(BindingTest, ClicksAndPicksReachTheModel) {
  int clicks = 0, picks = 0, selects = 0, stops = 0;
  form().ECALL.on_click = [&] { ++clicks; };
  form().waiting.on_pick = [&] { ++picks; };
  form().RelECALL.on_select = [&] { ++selects; };
  form().StopGDI.on_click = [&] { ++stops; };

  Get<QCheckBox>("ECALL")->click();
  EXPECT_TRUE(form().ECALL.checked());
  EXPECT_EQ(clicks, 1);

  form().RelCam1.Select();
  auto* radio = Get<QRadioButton>("RelECALL");
  radio->click();
  radio->click();  // clicking the selected one keeps it selected
  EXPECT_TRUE(form().RelECALL.selected());
  EXPECT_FALSE(form().RelCam1.selected());
  EXPECT_TRUE(radio->isChecked());
  EXPECT_FALSE(Get<QRadioButton>("RelCam1")->isChecked());
  EXPECT_EQ(selects, 1);

  auto* combo = Get<QComboBox>("waiting");
  combo->setFocus();
  testing::KeyClick(combo, Qt::Key_Down);
  EXPECT_EQ(form().waiting.item_index(), combo->currentIndex());
  EXPECT_GE(form().waiting.item_index(), 0);
  EXPECT_EQ(picks, 1);

  // The baud rate also takes a typed value that is not in its list, and Return adds no item.
  auto* rate = Get<QComboBox>("Rate");
  testing::KeyClicks(rate->lineEdit(), "250000");
  testing::KeyClick(rate->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(form().Rate.text(), "250000");
  EXPECT_EQ(form().Rate.item_index(), -1);
  EXPECT_EQ(rate->count(), 8);

  auto* slider = Get<QSlider>("VolMic");
  slider->setFocus();
  testing::KeyClick(slider, Qt::Key_Down);
  EXPECT_EQ(form().VolMic.position(), 3) << "the volume moves by 4 per arrow key";

  // Run and Stop latch: the pressed one stays down and releases the other before its handler.
  form().RunGDI.SetDown(true);
  bool stop_down_in_handler = false;
  form().StopGDI.on_click = [&] {
    ++stops;
    stop_down_in_handler = form().StopGDI.down() && !form().RunGDI.down();
  };
  Get<QToolButton>("StopGDI")->click();
  EXPECT_TRUE(stop_down_in_handler);
  EXPECT_TRUE(Get<QToolButton>("StopGDI")->isChecked());
  EXPECT_FALSE(Get<QToolButton>("RunGDI")->isChecked());
  Get<QToolButton>("StopGDI")->click();
  EXPECT_TRUE(form().StopGDI.down()) << "a second press leaves it down";
  EXPECT_EQ(stops, 2);

  int volts = 0;
  form().Voltage.on_click = [&] { ++volts; };
  testing::MouseClick(Get<QLabel>("Voltage"));
  EXPECT_EQ(volts, 1);
}

TEST_F(BindingTest, LoaderListFollowsTypingAndProgram) {
  auto* list = Get<QPlainTextEdit>("List");
  form().List.SetLines({"SCRIPT:a.py", "RUN:a.py"});
  EXPECT_EQ(list->toPlainText(), "SCRIPT:a.py\nRUN:a.py");
  list->moveCursor(QTextCursor::End);
  testing::KeyClick(list, Qt::Key_Return);
  testing::KeyClicks(list, "FILE:b.bin");
  EXPECT_EQ(form().List.lines(), (std::vector<std::string>{"SCRIPT:a.py", "RUN:a.py", "FILE:b.bin"}));
  EXPECT_EQ(list->textCursor().position(), list->toPlainText().size()) << "typing keeps the caret";
  form().List.Clear();
  EXPECT_EQ(list->toPlainText(), "");
}

TEST_F(BindingTest, MonitorShowsAppendedLinesInBatchesAndCopies) {
  auto* view = dynamic_cast<qt::MonitorView*>(Get<QWidget>("Monitor"));
  ASSERT_TRUE(view);
  for (int i = 0; i < 1000; ++i) form().Monitor.Append("line " + std::to_string(i));
  EXPECT_EQ(view->model()->rowCount(), 0) << "appends are batched";
  view->monitor_model()->Flush();
  EXPECT_EQ(view->model()->rowCount(), 1000);
  EXPECT_EQ(view->model()->index(999, 0).data().toString(), "line 999");

  view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select);
  view->selectionModel()->select(view->model()->index(2, 0), QItemSelectionModel::Select);
  view->CopySelection();
  EXPECT_EQ(QApplication::clipboard()->text(), "line 1\nline 2");

  form().Monitor.Clear();
  EXPECT_EQ(view->model()->rowCount(), 0);
  form().Monitor.Append("after clear");
  EXPECT_TRUE(testing::WaitFor([&] { return view->model()->rowCount() == 1; }));
}

TEST_F(BindingTest, PhoneBookGridShowsRowsAndFollowsTheSelection) {
  auto* grid = dynamic_cast<qt::PhoneBookView*>(Get<QWidget>("PhoneBook1"));
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->model()->rowCount(), 1) << "an empty book still shows one line";
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Phone");
  EXPECT_EQ(grid->columnWidth(0), 132);
  EXPECT_EQ(grid->columnWidth(1), 239);

  form().PhoneBook1.mutable_rows() = {"Anna=123", "Bob=4=5", "NoPhone"};
  form().PhoneBook1.RowsChanged();
  ASSERT_EQ(grid->model()->rowCount(), 3);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Anna");
  EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "4=5");
  // A row without "=" is all phone, as the program reads it.
  EXPECT_EQ(grid->model()->index(2, 0).data().toString(), "");
  EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "NoPhone");

  form().PhoneBook1.SetSelectedLine(3);
  EXPECT_EQ(grid->currentIndex().row(), 2);
  grid->setCurrentIndex(grid->model()->index(1, 0));
  EXPECT_EQ(form().PhoneBook1.selected_line(), 2);
  form().PhoneBook1.SetTitles("Jmeno", "Telefon");
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Jmeno");
}

}  // namespace
}  // namespace vrkt
