#include <QFont>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "app/program.h"
#include "qt/build_helpers.h"
#include "qt/main_window.h"
#include "qt/monitor_view.h"
#include "qt/widgets.h"

namespace vrkt::qt {

namespace {

void Chain(QWidget* root, std::initializer_list<const char*> names) {
  QWidget* prev = nullptr;
  for (const char* n : names) {
    if (!n || !*n) continue;
    QWidget* w = root->findChild<QWidget*>(QString::fromLatin1(n));
    if (prev && w) QWidget::setTabOrder(prev, w);
    if (w) prev = w;
  }
}

// Lines and loader list look like panels of the window, not like white paper.
void ButtonFaceBackground(QWidget* w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  w->setPalette(pal);
}

}  // namespace

void BuildPortsPage(QWidget* page) {
  auto* relay = Make<QGroupBox>(page, "Relay1", {8, 6, 226, 234});
  auto* art = new LineArt(relay);
  const char* upper[] = {"RelSMS1", "RelECALL", "RelCam1", "RelRunning"};
  for (int i = 0; i < 4; ++i) Make<QRadioButton>(relay, upper[i], {12, 22 + i * 22, 206, 20});
  // The modes that use the switching time, framed together with it.
  art->AddDottedFrame({6, 112, 213, 114});
  const char* timed[] = {"RelLi1", "RelBut1", "OKservice"};
  for (int i = 0; i < 3; ++i) Make<QRadioButton>(relay, timed[i], {12, 118 + i * 22, 200, 20});
  MakeLabel(relay, "LabelSwitchingTime", {14, 194, 104, 18});
  Make<QLineEdit>(relay, "RelTime1", {120, 192, 44, 22});
  MakeLabel(relay, "LabelSecRel", {168, 194, 44, 18});

  // IN1 (one input) and the three-input pages take the same place; the variant shows one.
  auto* in1 = Make<QGroupBox>(page, "GroupBox9", {242, 6, 328, 176});
  // The labels get the room a translation needs ("SMS PORT GESCHLOSSEN"); a phone number still
  // fits the field beside them.
  MakeLabel(in1, "LabelPortOpen9", {10, 26, 150, 18});
  Make<QLineEdit>(in1, "ALARMOFF", {162, 24, 154, 22});
  MakeLabel(in1, "LabelPortClose9", {10, 54, 150, 18});
  Make<QLineEdit>(in1, "ALARMON", {162, 52, 154, 22});
  Make<QCheckBox>(in1, "ECALLmode", {10, 86, 300, 20});
  Make<QCheckBox>(in1, "ServiceMode", {10, 110, 300, 20});
  Chain(in1, {"ALARMON", "ALARMOFF", "ECALLmode", "ServiceMode"});

  auto* inputs = Make<QTabWidget>(page, "PortList", {242, 6, 328, 176});
  for (int n = 1; n <= 3; ++n) {
    auto* p = new QWidget;
    p->setObjectName(QStringLiteral("Input%1").arg(n));
    inputs->addTab(p, QString());
    auto name = [n](const char* base) { return QStringLiteral("%1%2").arg(base).arg(n).toLatin1(); };
    MakeLabel(p, name("LabelPortOpen").constData(), {8, 12, 150, 18});
    Make<QLineEdit>(p, name("PORTOPEN").constData(), {160, 10, 152, 22});
    MakeLabel(p, name("LabelPortClose").constData(), {8, 40, 150, 18});
    Make<QLineEdit>(p, name("PORTCLOSE").constData(), {160, 38, 152, 22});
    MakeLabel(p, name("LabelWaitingTime").constData(), {8, 68, 150, 18});
    Make<QLineEdit>(p, name("TIN").constData(), {160, 66, 44, 22});
    MakeLabel(p, name("LabelSecTin").constData(), {208, 68, 44, 18});
    const char* check = n == 2 ? "ECALLmode1" : n == 3 ? "ServiceMode1" : nullptr;
    if (check) Make<QCheckBox>(p, check, {8, 98, 300, 20});
    Chain(p, {name("PORTOPEN").constData(), name("PORTCLOSE").constData(),
              name("TIN").constData(), check ? check : ""});
  }

  auto* supply = Make<QGroupBox>(page, "GroupBox10", {8, 248, 226, 84});
  MakeLabel(supply, "LabelLowVoltage", {10, 24, 206, 18});
  Make<QLineEdit>(supply, "VoltInt", {10, 48, 40, 22});
  auto* dot = MakeLabel(supply, "LabelDot", {52, 50, 8, 18}, Qt::AlignCenter);
  QFont bold = dot->font();
  bold.setBold(true);
  dot->setFont(bold);
  Make<QLineEdit>(supply, "VoltFr", {62, 48, 22, 22});
  MakeLabel(supply, "LabelV", {88, 50, 14, 18});

  auto* rs232 = Make<QGroupBox>(page, "RS232", {242, 190, 328, 92});
  MakeLabel(rs232, "LabelMaxTime", {10, 28, 124, 18});
  Make<QLineEdit>(rs232, "Dtime", {138, 26, 50, 22});
  MakeLabel(rs232, "LabelMin", {194, 28, 40, 18});
  MakeLabel(rs232, "LabelBaudRate", {10, 58, 124, 18});
  MakeList(rs232, "Rate", {138, 56, 90, 22});
  MakeLabel(rs232, "LabelBd", {234, 58, 30, 18});

  Chain(page, {"RelSMS1", "RelECALL", "RelCam1", "RelLi1", "RelBut1", "RelTime1", "OKservice",
               "RelRunning", "ALARMON", "ALARMOFF", "ECALLmode", "ServiceMode", "VoltInt", "VoltFr",
               "PORTOPEN1", "PORTCLOSE1", "TIN1", "PORTOPEN2", "PORTCLOSE2", "TIN2", "ECALLmode1",
               "PORTOPEN3", "PORTCLOSE3", "TIN3", "ServiceMode1", "Dtime", "Rate"});
}

void BuildSupportPage(QWidget* page, Program& program) {
  // The loader group takes the rest of the page, which is shorter under two rows of page tabs.
  auto* monitor_group = Make<QGroupBox>(page, "GroupBox7", {6, 4, 566, 196});
  auto* monitor = new MonitorView(program.form.Monitor, monitor_group);
  monitor->setObjectName("Monitor");
  monitor->setGeometry(8, 20, 428, 170);
  ButtonFaceBackground(monitor);
  const int bx = 444, bw = 114;
  auto* init = Make<QPushButton>(monitor_group, "Inicializace", {bx, 20, bw, 24});
  QPalette red = init->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  init->setPalette(red);
  MakePictureButton(monitor_group, "SaveMonitor", {bx, 48, bw, 26}, "save_log",
                    /*picture_right=*/true);
  MakePictureButton(monitor_group, "IMEI", {bx, 78, bw, 26}, "imei");
  // The PIN indicator lies behind the PIN label and field.
  auto* pinok = new ShapeWidget(ShapeWidget::Form::kRectangle, monitor_group);
  pinok->setObjectName("PINOK");
  pinok->setGeometry(bx, 108, bw, 28);
  MakeLabel(monitor_group, "Label54", {bx + 6, 113, 28, 18});
  Make<QLineEdit>(monitor_group, "PIN", {bx + 36, 111, 72, 22});
  Make<QPushButton>(monitor_group, "UNPIN", {bx, 140, bw, 24});
  Make<QPushButton>(monitor_group, "CodePIN", {bx, 168, bw, 22});

  auto* loader = Make<QGroupBox>(page, "GroupBox8", {6, 204, 566, 140});
  StretchToBottom(loader, 4);
  auto* list = new QPlainTextEdit(loader);
  list->setObjectName("List");
  list->setGeometry(8, 20, 428, 112);
  StretchToBottom(list, 8);
  list->setLineWrapMode(QPlainTextEdit::NoWrap);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ButtonFaceBackground(list);
  MakePictureButton(loader, "LoadList", {bx, 20, bw, 32}, "load_list");
  MakePictureButton(loader, "ClrList", {bx, 56, bw, 32}, "clear_list");
  MakePictureButton(loader, "Send", {bx, 92, bw, 32}, "send");
  // Stands in Send's place while a list runs.
  auto* cancel = Make<QPushButton>(loader, "CancelSend", {bx, 92, bw, 32});
  cancel->raise();

  Chain(page, {"Monitor", "Inicializace", "SaveMonitor", "IMEI", "PIN", "UNPIN", "CodePIN", "List",
               "LoadList", "ClrList", "Send", "CancelSend"});
}

}  // namespace vrkt::qt
