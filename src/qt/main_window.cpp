#include "qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/leave_guard.h"
#include "app/program.h"
#include "qt/build_helpers.h"
#include "qt/form_binder.h"
#include "qt/page_tabs.h"
#include "qt/shortcuts.h"
#include "qt/text_fit.h"
#include "qt/widgets.h"

namespace vrkt::qt {

void UseApplicationFont() {
  QFont font = QApplication::font();
  // A compact sans serif where the platform has one; otherwise the platform's own face.
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"Segoe UI", "Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"}) {
    if (families.contains(QString::fromLatin1(family))) {
      font.setFamily(QString::fromLatin1(family));
      break;
    }
  }
  font.setPointSize(8);
  QApplication::setFont(font);
}

QPushButton* MakePictureButton(QWidget* parent, const char* name, QRect geometry, const QString& art,
                               bool picture_right) {
  auto* b = Make<QPushButton>(parent, name, geometry);
  int side = std::min(geometry.height() - 8, 32);
  b->setIconSize({side, side});
  b->setIcon(ArtIcon(art, {side, side}));
  if (picture_right) b->setLayoutDirection(Qt::RightToLeft);
  return b;
}

MainWindow::MainWindow(Program& program, std::function<void()> after_action)
    : program_(program) {
  setObjectName("Form1");
  // The controls sit on a client area of their own in a scroll area: the window can be made
  // smaller than its contents on a small screen, and larger at will.
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("qt_client_scroll");
  scroll_->setFrameShape(QFrame::NoFrame);
  client_ = new QWidget;
  client_->setObjectName("qt_client");
  client_->resize(kWidth, kHeight);
  scroll_->setWidget(client_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  resize(kWidth, kHeight);
  setWindowIcon(ArtIcon("program", {64, 64}));
  binder_ = new FormBinder(program, this, std::move(after_action));

  auto* tabs = Make<PageTabs>(client_, "PageControl1", {0, 0, 585, 449});
  tabs->setIconSize({40, 40});
  tabs->setUsesScrollButtons(false);
  tabs->setElideMode(Qt::ElideNone);
  struct PageDef {
    const char* name;
    const char* art;
  };
  // EMERGENCY and SERVICE share their tab picture.
  for (PageDef def : {PageDef{"Emergency", "tab_emergency"}, PageDef{"Service", "tab_emergency"},
                      PageDef{"PhoneBook", "tab_phonebook"}, PageDef{"Ports", "tab_ports"},
                      PageDef{"support", "tab_support"}}) {
    auto* page = new QWidget;
    page->setObjectName(def.name);
    tabs->addTab(page, ArtIcon(def.art, {40, 40}), QString());
  }
  BuildEmergencyPage(tabs->widget(0));
  BuildServicePage(tabs->widget(1));
  BuildPhoneBookPage(tabs->widget(2), program_, *binder_);
  BuildPortsPage(tabs->widget(3));
  BuildSupportPage(tabs->widget(4), program_);

  BuildUnitGroup();
  BuildPcGroup();
  BuildSignalRow();
  BuildStatusBar();

  QWidget* order[] = {tabs,
                      findChild<QWidget*>("signal"),
                      findChild<QWidget*>("PortSelect"),
                      findChild<QWidget*>("SaveGDI"),
                      findChild<QWidget*>("LoadGDI"),
                      findChild<QWidget*>("Load"),
                      findChild<QWidget*>("Save")};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  InstallShortcuts(this);
  binder_->BindAll();
}

MainWindow::~MainWindow() = default;

void MainWindow::FitToTexts() {
  if (!fit_) fit_ = std::make_unique<TextFit>(client_);
  fit_->Fit();
  // As large as the client area where the screen allows; smaller screens scroll.
  QSize want = client_->size();
  QSize room = want;
  if (QScreen* s = screen()) {
    // Room for the title bar and the frame the window manager adds.
    room = s->availableGeometry().size() - QSize(16, 40);
  }
  // A side that scrolls puts its scroll bar along the other side, which grows by the bar where
  // the screen allows: the bar must not cover the controls at the window's edge.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
  const QSize client = want;
  for (int pass = 0; pass < 2; ++pass) {
    if (want.height() > room.height()) want.setWidth(client.width() + bar);
    if (want.width() > room.width()) want.setHeight(client.height() + bar);
  }
  const QSize size = want.boundedTo(room);
  setMinimumSize(size);
  resize(size);
}

void MainWindow::showEvent(QShowEvent* e) {
  if (!fitted_) {
    fitted_ = true;
    FitToTexts();
  }
  QWidget::showEvent(e);
}

void MainWindow::BuildUnitGroup() {
  auto* unit = Make<QGroupBox>(client_, "GroupBox4", {590, 2, 130, 320});
  // Run and Stop share one place; the program shows one of them at a time. Both latch.
  for (const char* name : {"RunGDI", "StopGDI"}) {
    auto* b = Make<QToolButton>(unit, name, {8, 20, 58, 58});
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setIconSize({44, 44});
    b->setIcon(ArtIcon(name == std::string("RunGDI") ? "run" : "stop", {44, 44}));
    b->setProperty("latchGroup", "RunStop");
  }
  MakePictureButton(unit, "SaveGDI", {6, 86, 76, 30}, "unit_save");
  MakePictureButton(unit, "LoadGDI", {6, 120, 76, 30}, "unit_load");
  // Under the buttons and the supply gauge, across the whole group.
  auto* only_changed = Make<QCheckBox>(unit, "OnlyChanged", {2, 164, 126, 18});
  QFont small = only_changed->font();
  small.setPixelSize(8);
  only_changed->setFont(small);

  auto* supply = new BarWidget(Qt::Vertical, unit);
  supply->setObjectName("PVoltage");
  supply->setGeometry(96, 20, 16, 122);
  // Fixed marks beside the supply bar at 12 V and 24 V (the bar spans 7 V to 32 V).
  auto mark_y = [](double volts, int top, int height, double lo, double hi) {
    return top + static_cast<int>(height * (1.0 - (volts - lo) / (hi - lo)));
  };
  for (auto [name, volts] : {std::pair{"Shape10", 24.0}, std::pair{"Shape11", 12.0}}) {
    auto* mark = new ShapeWidget(ShapeWidget::Form::kRectangle, unit);
    mark->setObjectName(name);
    mark->setGeometry(114, mark_y(volts, 20, 122, 7.0, 32.0) - 1, 8, 3);
  }
  auto* power = new ClickableLabel(unit);
  power->setObjectName("Power");
  power->setGeometry(84, 146, 42, 16);
  power->setAlignment(Qt::AlignCenter);

  auto* battery = Make<QGroupBox>(unit, "Battery", {6, 184, 118, 132});
  auto* bv = new BarWidget(Qt::Vertical, battery);
  bv->setObjectName("BVoltage");
  bv->setGeometry(50, 22, 18, 80);
  auto* mark = new ShapeWidget(ShapeWidget::Form::kRectangle, battery);
  mark->setObjectName("Shape12");
  // 3.60 V on the 3.00 V to 4.20 V scale: below it the battery needs charging.
  mark->setGeometry(70, mark_y(3.6, 22, 80, 3.0, 4.2) - 1, 8, 3);
  auto* voltage = new ClickableLabel(battery);
  voltage->setObjectName("Voltage");
  voltage->setGeometry(4, 106, 110, 18);
  voltage->setAlignment(Qt::AlignCenter);
}

void MainWindow::BuildPcGroup() {
  auto* pc = Make<QGroupBox>(client_, "GroupBox5", {590, 326, 130, 120});
  MakePictureButton(pc, "Save", {10, 22, 110, 44}, "pc_save");
  MakePictureButton(pc, "Load", {10, 70, 110, 44}, "pc_load");
}

void MainWindow::BuildSignalRow() {
  Make<QPushButton>(client_, "signal", {4, 453, 64, 24});
  auto* bevel = Make<QFrame>(client_, "Bevel1", {72, 453, 300, 24});
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* meter = new BarWidget(Qt::Horizontal, bevel);
  meter->setObjectName("Smeter");
  meter->setGeometry(3, 3, 294, 18);
  meter->SetTrackColor(QColor(128, 128, 128));
  // Beside the gauge, clear of the progress bar, so the port can be changed during any wait.
  Make<QPushButton>(client_, "PortSelect", {378, 453, 64, 24});
  MakeLabel(client_, "PortName", {448, 455, 246, 20});
  auto* led = new ShapeWidget(ShapeWidget::Form::kCircle, client_);
  led->setObjectName("RXDled");
  led->setGeometry(700, 457, 16, 16);
  led->setAttribute(Qt::WA_TransparentForMouseEvents);
  // The progress bar covers the button and the gauge while a transfer runs.
  auto* progress = new BarWidget(Qt::Horizontal, client_);
  progress->setObjectName("Prubeh");
  progress->setGeometry(4, 453, 368, 24);
  progress->raise();
}

void MainWindow::BuildStatusBar() {
  auto* bar = Make<QFrame>(client_, "StatusBar1", {0, 480, kWidth, 20});
  int x = 0;
  for (int i = 0; i < 5; ++i) {
    static constexpr int kWidths[] = {280, 160, 80, 80, 60};
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The last panel reaches the right edge, as status bars do, so a 4G unit's firmware label
    // (" VRKT4G Ver: ...") is not cut off.
    int width = i == 4 ? kWidth - x : kWidths[i];
    panel->setGeometry(x, 1, width - 2, 18);
    x += kWidths[i];
  }
}

void MainWindow::ShowAtModelPosition() {
  move(program_.form.left, program_.form.top);
  show();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (program_.busy()) {
    // A handler is pausing in a nested loop; close once it has returned.
    e->ignore();
    QTimer::singleShot(100, this, &QWidget::close);
    return;
  }
  if (!closing_after_run_) {
    switch (DecideClose(program_)) {
      case LeaveChoice::kStay:
        e->ignore();
        return;
      case LeaveChoice::kStartThenLeave:
        // The same Run as the button's; the window closes once its restart command is out.
        e->ignore();
        binder_->RunAction([this] { program_.status.RunGDIClick(); });
        closing_after_run_ = true;
        CloseOnceStarted();
        return;
      case LeaveChoice::kLeave:
        break;
    }
  }
  program_.form.left = x();
  program_.form.top = y();
  // The program ends even when the settings could not be written; the user has been told.
  program_.FormClose();
  e->accept();
}

void MainWindow::CloseOnceStarted() {
  if (RunSequenceEnded(program_)) {
    close();
    return;
  }
  QTimer::singleShot(100, this, &MainWindow::CloseOnceStarted);
}

}  // namespace vrkt::qt
