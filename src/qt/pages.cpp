#include <QFrame>
#include <QSlider>

#include "app/program.h"
#include "phonebook/row_delete.h"
#include "qt/build_helpers.h"
#include "qt/form_binder.h"
#include "qt/main_window.h"
#include "qt/phonebook_view.h"
#include "qt/widgets.h"

namespace vrkt::qt {

namespace {

void ChainTabOrder(QWidget* page, std::initializer_list<const char*> names) {
  QWidget* prev = nullptr;
  for (const char* n : names) {
    QWidget* w = page->findChild<QWidget*>(QString::fromLatin1(n));
    if (prev && w) QWidget::setTabOrder(prev, w);
    if (w) prev = w;
  }
}

}  // namespace

void BuildEmergencyPage(QWidget* page) {
  // Compact enough for the page left under two rows of page tabs.
  auto* art = new LineArt(page);
  const int lx = 100;  // left edge of the texts beside the pictures
  // A picture with an arrow to the heading of what it explains, at height `y`.
  auto explained = [&](const char* art_name, const char* heading, int y) {
    Picture(page, art_name, {8, y, 44, 44});
    Picture(page, "arrow", {56, y + 8, 40, 20});
    MakeLabel(page, heading, {lx, y, 220, 18});
  };
  // A time picked from a list: its label, the list and the unit after it, at height `y`. The
  // label has the room a translation needs ("Czas zamknięcia portu dla aktywacji").
  auto time_row = [&](const char* label, const char* list, const char* unit, int y) {
    MakeLabel(page, label, {lx, y + 2, 200, 18});
    MakeList(page, list, {306, y, 56, 22});
    MakeLabel(page, unit, {368, y + 2, 40, 18});
  };
  // Emergency call: a push button held for a time.
  explained("pushbutton", "LabelEmergencyCall", 4);
  time_row("LabelPushForActivate", "TLtime", "LabelSecTL", 24);

  // Blocking: the door contact (a connector) held open for a time.
  explained("connector", "LabelBlockingCall", 54);
  time_row("LabelPortCloseForActivate", "BLtime", "LabelSecBL", 74);
  time_row("LabelTime", "BLbtime", "LabelSecBLb", 98);
  Make<QCheckBox>(page, "ECALL", {lx, 124, 250, 20});
  art->AddLine({30, 48, 30, 56});

  // The series of numbers dialled one after the other.
  explained("telephone", "LabelSeries", 152);
  static const char* const kMasters[] = {"MASTER1", "MASTER2", "MASTER3", "MASTER4",
                                         "MASTER5", "MASTER6", "MASTER7"};
  static const char* const kLabels[] = {"LabelMaster1", "LabelMaster2", "LabelMaster3",
                                        "LabelMaster4", "LabelMaster5", "LabelMaster6",
                                        "LabelMaster7"};
  const int top = 176, pitch = 24;
  for (int i = 0; i < 7; ++i) {
    int y = top + i * pitch;
    MakeLabel(page, kLabels[i], {lx, y + 2, 62, 18});
    Make<QLineEdit>(page, kMasters[i], {lx + 64, y, 170, 22});
  }
  const int last_middle = top + 6 * pitch + 11;
  art->AddLine({30, 198, 30, last_middle});
  art->AddLine({30, last_middle, lx - 4, last_middle});
  // Two lines where a translation needs them ("Czekanie na następny numer").
  auto* waiting = MakeLabel(page, "LabelWaitingForNext", {lx + 246, top - 18, 116, 38});
  waiting->setWordWrap(true);
  waiting->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  MakeList(page, "waiting", {lx + 246, top + 24, 56, 22});
  MakeLabel(page, "LabelSecWaiting", {lx + 308, top + 26, 40, 18});

  // Volume, apart from the rest behind a vertical line.
  auto* line = new QFrame(page);
  line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
  line->setGeometry(470, 8, 2, 334);
  MakeLabel(page, "LabelVolume", {476, 8, 96, 18}, Qt::AlignCenter);
  for (auto [name, x] : {std::pair{"VolSpk", 486}, std::pair{"VolMic", 530}}) {
    auto* s = Make<QSlider>(page, name, {x, 32, 34, 150});
    s->setOrientation(Qt::Vertical);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(1);
    s->setSingleStep(4);
    s->setPageStep(4);
  }
  MakeLabel(page, "LabelSpk", {478, 186, 44, 18}, Qt::AlignCenter);
  MakeLabel(page, "LabelMic", {524, 186, 46, 18}, Qt::AlignCenter);

  ChainTabOrder(page, {"MASTER1", "MASTER2", "MASTER3", "MASTER4", "MASTER5", "MASTER6", "MASTER7",
                       "TLtime", "waiting", "BLtime", "BLbtime", "ECALL", "VolSpk", "VolMic"});
}

void BuildServicePage(QWidget* page) {
  auto* art = new LineArt(page);
  Picture(page, "service", {8, 8, 44, 44});
  MakeLabel(page, "LabelPeriode", {64, 10, 110, 18});
  MakeList(page, "Tperiod", {178, 8, 60, 22});
  MakeLabel(page, "LabelDays", {244, 10, 60, 18});
  MakeLabel(page, "Label34", {310, 10, 150, 18});
  MakeLabel(page, "LabelShift", {64, 38, 110, 18});
  MakeList(page, "TShift", {178, 36, 60, 22});
  MakeLabel(page, "LabelHours", {244, 38, 60, 18});
  MakeLabel(page, "LabelRandomize", {310, 38, 260, 18});
  // Lines from the period to what the periodic test does.
  const int cx = 30;
  int ys[] = {70, 92, 114};
  const char* names[] = {"TestCall", "ATest", "TestSMS"};
  art->AddLine({cx, 52, cx, ys[2] + 10});
  for (int i = 0; i < 3; ++i) {
    art->AddLine({cx, ys[i] + 10, 60, ys[i] + 10});
    Make<QCheckBox>(page, names[i], {64, ys[i], 240, 20});
  }
  static const char* const kTests[] = {"TEST1", "TEST2", "TEST3", "TEST4",
                                       "TEST5", "TEST6", "TEST7", "TEST8"};
  static const char* const kLabels[] = {"LabelTest1", "LabelTest2", "LabelTest3", "LabelTest4",
                                        "LabelTest5", "LabelTest6", "LabelTest7", "LabelTest8"};
  for (int i = 0; i < 8; ++i) {
    int y = 146 + i * 24;
    MakeLabel(page, kLabels[i], {64, y + 2, 54, 18});
    Make<QLineEdit>(page, kTests[i], {120, y, 170, 22});
  }
  ChainTabOrder(page, {"TEST1", "TEST2", "TEST3", "TEST4", "TEST5", "TEST6", "TEST7", "TEST8",
                       "Tperiod", "TShift", "TestCall", "ATest", "TestSMS"});
}

void BuildPhoneBookPage(QWidget* page, Program& program, FormBinder& binder) {
  PhoneBookCommands commands;
  commands.set_name = [&program, &binder](int line, const std::string& name) {
    binder.RunAction([&] { program.phonebook.SetName(line, name); });
  };
  commands.set_phone = [&program, &binder](int line, const std::string& phone) {
    binder.RunAction([&] { program.phonebook.SetPhone(line, phone); });
  };
  commands.append_row = [&program, &binder] {
    binder.RunAction([&] { program.phonebook.AppendRow(); });
  };
  commands.delete_row = [&program, &binder](int line) {
    binder.RunAction([&] { DeleteRowAfterConfirm(program.phonebook, program.dialogs(), line); });
  };
  auto* grid = new PhoneBookView(program.form.PhoneBook1, commands, page);
  grid->setObjectName("PhoneBook1");
  grid->setGeometry(8, 8, 395, 340);
  StretchToBottom(grid, 8);
  MakePictureButton(page, "LineIn", {414, 8, 154, 36}, "line_in");
  MakePictureButton(page, "LineDel", {414, 50, 154, 36}, "line_del");
  auto* find = Make<QGroupBox>(page, "GroupBox6", {414, 100, 154, 92});
  auto* find_name = Make<QLineEdit>(find, "FindN", {10, 24, 134, 22});
  auto* find_button = Make<QPushButton>(find, "Find", {10, 54, 134, 28});
  // Return in the name finds, as the button does.
  QObject::connect(find_name, &QLineEdit::returnPressed, find_button, &QPushButton::click);
  MakePictureButton(page, "BookImport", {414, 204, 154, 36}, "pc_load");
  MakePictureButton(page, "BookExport", {414, 246, 154, 36}, "pc_save");
  ChainTabOrder(page,
                {"PhoneBook1", "LineIn", "LineDel", "FindN", "Find", "BookImport", "BookExport"});
}

}  // namespace vrkt::qt
