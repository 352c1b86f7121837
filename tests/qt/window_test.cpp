#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <set>

#include "qt/form_binder.h"
#include "qt/main_window.h"
#include "qt_app.h"
#include "support/harness.h"

// The system's font library keeps a cache it never frees; that is not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace vrkt {
namespace {

using qt::MainWindow;

struct Window {
  explicit Window(const std::string& name) : h(name), window(*h.program, {}) {
    h.Start();
  }
  template <class W = QWidget>
  W* Get(const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
  }
  testing::Harness h;
  MainWindow window;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApp(); }
};

TEST_F(WindowTest, EveryControlHasAWidgetOfItsName) {
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    Window w(program);
    for (const Control* c : w.window.binder().Unbound())
      EXPECT_EQ(c->kind(), ControlKind::kTimer) << program << ": no widget for " << c->name();
    for (const Control* c : w.h.program->form.controls()) {
      QWidget* widget = w.window.binder().WidgetOf(*c);
      if (widget) {
        EXPECT_EQ(widget->objectName().toStdString(), c->name());
      }
    }
    EXPECT_EQ(w.window.size(), QSize(724, 500));
    EXPECT_EQ(w.window.minimumSize(), w.window.maximumSize()) << "the window must not resize";
  }
}

TEST_F(WindowTest, VariantDecidesWhatIsShown) {
  struct Case {
    const char* program;
    const char* title;
    bool group9, port_list, rs232, ok_service;
  } cases[] = {
      {"VRKTset", "VRKTset", true, false, false, true},
      {"DVG1Cset", "DVG 1C Set", false, true, true, false},
      {"VRKT4Gset", "VRKTset", true, false, false, true},
      // Neither family word in capitals: everything keeps its layout state.
      {"vrktset", "VRKTset", true, true, true, true},
  };
  for (const Case& c : cases) {
    Window w(c.program);
    EXPECT_EQ(w.window.windowTitle(), c.title) << c.program;
    EXPECT_EQ(!w.Get("GroupBox9")->isHidden(), c.group9) << c.program;
    EXPECT_EQ(!w.Get("PortList")->isHidden(), c.port_list) << c.program;
    EXPECT_EQ(!w.Get("RS232")->isHidden(), c.rs232) << c.program;
    EXPECT_EQ(!w.Get("OKservice")->isHidden(), c.ok_service) << c.program;
    // Shown only when the settings ask for it; hidden until something happens.
    for (const char* hidden : {"Inicializace", "RunGDI", "Prubeh", "RXDled", "PINOK", "CancelSend"})
      EXPECT_TRUE(w.Get(hidden)->isHidden()) << c.program << " " << hidden;
    EXPECT_FALSE(w.Get("StopGDI")->isHidden());
    EXPECT_EQ(w.Get("RunGDI")->geometry(), w.Get("StopGDI")->geometry());
  }
}

TEST_F(WindowTest, StartContents) {
  Window w("VRKTset");
  auto* tabs = w.Get<QTabWidget>("PageControl1");
  ASSERT_EQ(tabs->count(), 5);
  const char* captions[] = {"EMERGENCY", "SERVICE", "Phone Book", "Ports", "Support"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(tabs->tabText(i), captions[i]);
    EXPECT_FALSE(tabs->tabIcon(i).isNull());
  }
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(tabs->iconSize(), QSize(40, 40));
  EXPECT_EQ(w.Get<QGroupBox>("GroupBox4")->title(), "GSM Vornacle");
  EXPECT_EQ(w.Get<QLabel>("Voltage")->text(), " - - - - mV");
  EXPECT_EQ(w.Get<QLabel>("Power")->text(), " - - - V");
  EXPECT_FALSE(w.Get("SaveGDI")->isEnabled());
  EXPECT_EQ(w.Get("Smeter")->toolTip(), "Signal is good, when color is green or blue.");
  QWidget* status = w.Get("StatusBar1");
  const char* panels[] = {"Operator:", " board voltage:", " SIM:", "  Ver: 5.4", " ---- Ver:"};
  // The last panel takes the rest of the window's width.
  const int widths[] = {280, 160, 80, 80, 724 - 600};
  for (int i = 0; i < 5; ++i) {
    auto* p = status->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text(), panels[i]);
    EXPECT_NEAR(p->width(), widths[i], 2);
  }
}

// With the default texts no caption is cut off and no control covers another, on every page of
// both variants, except where the layout puts controls on purpose in one place.
TEST_F(WindowTest, DefaultTextsFitAndNothingOverlaps) {
  const std::set<std::pair<std::string, std::string>> allowed = {
      {"RunGDI", "StopGDI"},   {"GroupBox9", "PortList"}, {"Prubeh", "signal"},
      {"Bevel1", "Prubeh"},    {"Label54", "PINOK"},      {"PIN", "PINOK"},
      {"Send", "CancelSend"},
  };
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    Window w(program);
    // The hidden overlays are shown here so that they are checked too.
    w.h.program->form.Prubeh.SetVisible(true);
    w.h.program->form.PINOK.SetVisible(true);
    w.h.program->form.Inicializace.SetVisible(true);
    w.window.show();
    QCoreApplication::processEvents();

    auto* tabs = w.Get<QTabWidget>("PageControl1");
    QTabBar* bar = tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i) {
      QRect r = bar->tabRect(i);
      EXPECT_LE(r.right(), tabs->width()) << "tab " << i << " leaves the page control";
      int need = bar->fontMetrics().horizontalAdvance(bar->tabText(i)) + tabs->iconSize().width();
      EXPECT_GE(r.width(), need + 8) << "tab " << i << " is cut";
    }

    std::vector<QWidget*> named;
    for (const Control* c : w.h.program->form.controls())
      if (QWidget* x = w.window.binder().WidgetOf(*c); x && x != &w.window) named.push_back(x);

    for (QWidget* x : named) {
      if (!x->isVisibleTo(x->window()) && !x->isVisible()) continue;
      QString text;
      if (auto* l = qobject_cast<QLabel*>(x)) text = l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(x)) text = b->text();
      if (!text.isEmpty()) {
        int need = x->fontMetrics().horizontalAdvance(text);
        if (auto* b = qobject_cast<QAbstractButton*>(x); b && !b->icon().isNull())
          need += b->iconSize().width() + 4;
        EXPECT_LE(need, x->width()) << program << ": text of " << x->objectName().toStdString()
                                    << " is cut";
        EXPECT_GE(x->height(), x->fontMetrics().height()) << x->objectName().toStdString();
      }
      // Inside its parent.
      if (x->parentWidget() && !x->isHidden()) {
        EXPECT_TRUE(x->parentWidget()->rect().contains(x->geometry()))
            << program << ": " << x->objectName().toStdString() << " sticks out of its parent";
      }
    }
    for (size_t i = 0; i < named.size(); ++i) {
      for (size_t j = i + 1; j < named.size(); ++j) {
        QWidget* a = named[i];
        QWidget* b = named[j];
        if (a->parentWidget() != b->parentWidget() || a->isHidden() || b->isHidden()) continue;
        std::string na = a->objectName().toStdString(), nb = b->objectName().toStdString();
        if (allowed.count({na, nb}) || allowed.count({nb, na})) continue;
        EXPECT_FALSE(a->geometry().intersects(b->geometry())) << program << ": " << na
                                                               << " overlaps " << nb;
      }
    }
  }
}

TEST_F(WindowTest, TabOrderFollowsTheLayout) {
  Window w("VRKTset");
  // Walk the focus chain from MASTER1 and check the order of the controls named in it.
  const char* expected[] = {"MASTER1", "MASTER2", "MASTER3", "MASTER4", "MASTER5", "MASTER6",
                            "MASTER7", "TLtime",  "waiting", "BLtime",  "BLbtime", "ECALL",
                            "VolSpk",  "VolMic"};
  QWidget* x = w.Get("MASTER1");
  for (const char* name : expected) {
    ASSERT_TRUE(x);
    EXPECT_EQ(x->objectName().toStdString(), name);
    x = x->nextInFocusChain();
    while (x && (x->objectName().isEmpty() || !(x->focusPolicy() & Qt::TabFocus)))
      x = x->nextInFocusChain();
  }
}

}  // namespace
}  // namespace vrkt
