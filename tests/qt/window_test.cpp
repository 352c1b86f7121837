#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>
#include <set>

#include "base/codepage.h"
#include "qt/form_binder.h"
#include "qt/main_window.h"
#include "qt/page_tabs.h"
#include "qt_app.h"
#include "support/harness.h"
#include "support/temp_dir.h"

// The system's font library keeps a cache it never frees; that is not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace vrkt {
namespace {

using qt::MainWindow;

struct Window {
  explicit Window(const std::string& name, const std::string& settings_dir = {})
      : h(name, settings_dir), window(*h.program, {}) {
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
    w.window.show();
    QCoreApplication::processEvents();
    // English texts fit the layout as drawn; the window can grow, and its least size shows all.
    EXPECT_EQ(w.window.size(), QSize(724, 500));
    EXPECT_EQ(w.window.minimumSize(), QSize(724, 500));
    EXPECT_GT(w.window.maximumWidth(), 724) << "the window must be resizable";
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

// Every page tab shows its caption whole, and no tab leaves the page control.
void ExpectWholeTabs(QTabWidget* tabs, const char* program) {
  auto* bar = dynamic_cast<qt::RowTabBar*>(tabs->tabBar());
  ASSERT_TRUE(bar);
  for (int i = 0; i < bar->count(); ++i) {
    QRect r = bar->RowTabRect(i);
    EXPECT_TRUE(bar->rect().contains(r)) << program << ": tab " << i << " leaves its bar";
    EXPECT_LE(bar->geometry().right(), tabs->width()) << program;
    QRect caption = bar->CaptionRect(i);
    EXPECT_GE(caption.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)))
        << program << ": tab " << i << " caption is cut";
    EXPECT_GE(caption.left(), r.left() + tabs->iconSize().width()) << "caption over the picture";
  }
}

// On every page no control sticks out of its parent (a page shortened by a second row of tabs
// would cut the bottom ones off), and no control covers another, except where the layout puts
// controls on purpose in one place. With `texts` the captions of labels and buttons fit, too.
void ExpectNothingClippedOrCovered(Window& w, const char* program, bool texts) {
  const std::set<std::pair<std::string, std::string>> allowed = {
      {"RunGDI", "StopGDI"},   {"GroupBox9", "PortList"}, {"Prubeh", "signal"},
      {"Bevel1", "Prubeh"},    {"Label54", "PINOK"},      {"PIN", "PINOK"},
      {"Send", "CancelSend"},
  };
  std::vector<QWidget*> named;
  for (const Control* c : w.h.program->form.controls())
    if (QWidget* x = w.window.binder().WidgetOf(*c); x && x != &w.window) named.push_back(x);

  auto* tabs = w.Get<QTabWidget>("PageControl1");
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    QCoreApplication::processEvents();
    for (QWidget* x : named) {
      if (!x->isVisible()) continue;
      QString text;
      if (auto* l = qobject_cast<QLabel*>(x)) text = l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(x)) text = b->text();
      auto* wrapped = qobject_cast<QLabel*>(x);
      if (texts && wrapped && wrapped->wordWrap() && !text.isEmpty()) {
        // A label of several lines: every word fits across, and the lines fit down.
        for (const QString& word : text.split(' ', Qt::SkipEmptyParts))
          EXPECT_LE(x->fontMetrics().horizontalAdvance(word), x->width())
              << program << ": a word of " << x->objectName().toStdString() << " is cut";
        EXPECT_LE(wrapped->heightForWidth(x->width()), x->height())
            << program << ": lines of " << x->objectName().toStdString() << " are cut";
      } else if (texts && !text.isEmpty()) {
        int need = x->fontMetrics().horizontalAdvance(text);
        if (auto* b = qobject_cast<QAbstractButton*>(x); b && !b->icon().isNull())
          need += b->iconSize().width() + 4;
        EXPECT_LE(need, x->width()) << program << ": text of " << x->objectName().toStdString()
                                    << " is cut";
        EXPECT_GE(x->height(), x->fontMetrics().height()) << x->objectName().toStdString();
      }
      if (x->parentWidget()) {
        EXPECT_TRUE(x->parentWidget()->rect().contains(x->geometry()))
            << program << ", page " << page << ": " << x->objectName().toStdString()
            << " sticks out of its parent";
      }
    }
  }
  for (size_t i = 0; i < named.size(); ++i) {
    for (size_t j = i + 1; j < named.size(); ++j) {
      QWidget* a = named[i];
      QWidget* b = named[j];
      if (a->parentWidget() != b->parentWidget() || a->isHidden() || b->isHidden()) continue;
      std::string na = a->objectName().toStdString(), nb = b->objectName().toStdString();
      if (allowed.count({na, nb}) || allowed.count({nb, na})) continue;
      EXPECT_FALSE(a->geometry().intersects(b->geometry()))
          << program << ": " << na << " overlaps " << nb;
    }
  }
}

// The hidden overlays are shown so that they are checked too.
void ShowWithOverlays(Window& w) {
  w.h.program->form.Prubeh.SetVisible(true);
  w.h.program->form.PINOK.SetVisible(true);
  w.h.program->form.Inicializace.SetVisible(true);
  w.window.show();
  QCoreApplication::processEvents();
}

TEST_F(WindowTest, DefaultTextsFitAndNothingOverlaps) {
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    Window w(program);
    ShowWithOverlays(w);
    auto* tabs = w.Get<QTabWidget>("PageControl1");
    ExpectWholeTabs(tabs, program);
    EXPECT_EQ(dynamic_cast<qt::RowTabBar*>(tabs->tabBar())->RowCount(), 1);
    ExpectNothingClippedOrCovered(w, program, /*texts=*/true);
  }
}

// The translations that ship with the program: in each, on both variants, every text fits its
// control once the window has stretched, and nothing overlaps.
TEST_F(WindowTest, ShippedTranslationsFit) {
  const int saved = ActiveCodePage();
  for (const char* language : {"cs", "de", "pl"}) {
    for (const char* program : {"VRKTset", "DVG1Cset"}) {
      SCOPED_TRACE(std::string(language) + " " + program);
      testing::TempDir dir;
      const std::string ini =
          testing::ReadBytes(std::string(VRKT_TRANSLATIONS_DIR) + "/" + language + ".ini");
      ASSERT_FALSE(ini.empty());
      testing::WriteBytes(dir.File(std::string(program) + ".ini"), ini);
      Window w(program, dir.str());
      ShowWithOverlays(w);
      // The translation arrived, in its own letters.
      EXPECT_NE(w.Get<QAbstractButton>("Find")->text(), "Find");
      EXPECT_NE(w.Get<QAbstractButton>("LineIn")->text(), "Insert Line");
      ExpectWholeTabs(w.Get<QTabWidget>("PageControl1"), program);
      ExpectNothingClippedOrCovered(w, program, /*texts=*/true);
      // No wider than the client area, with a scroll bar along it where the screen is too low.
      EXPECT_LE(
          w.window.minimumWidth(),
          w.window.client()->width() + w.window.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
  }
  SetActiveCodePage(saved);
}

// On the screen at hand (a small one at scale 1.5 in the scaled run), in English and in the
// widest translation: the window fits the screen, and where the screen has room for the whole
// client area nothing scrolls (a scroll bar along one side must not cover the other's edge).
TEST_F(WindowTest, WindowFitsTheScreen) {
  const int saved = ActiveCodePage();
  for (const char* language : {"", "de"}) {
    for (const char* program : {"VRKTset", "DVG1Cset"}) {
      SCOPED_TRACE(std::string(language) + " " + program);
      testing::TempDir dir;
      if (*language)
        testing::WriteBytes(
            dir.File(std::string(program) + ".ini"),
            testing::ReadBytes(std::string(VRKT_TRANSLATIONS_DIR) + "/" + language + ".ini"));
      Window w(program, *language ? dir.str() : std::string());
      w.window.show();
      QCoreApplication::processEvents();
      const QSize room = w.window.screen()->availableGeometry().size();
      EXPECT_LE(w.window.width(), room.width());
      EXPECT_LE(w.window.height(), room.height());
      auto* scroll = w.Get<QScrollArea>("qt_client_scroll");
      ASSERT_TRUE(scroll);
      const QSize client = w.window.client()->size();
      const QSize shown = scroll->viewport()->size();
      const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      // Room for the client area, a scroll bar, and the window's frame.
      if (client.width() + bar + 16 <= room.width()) {
        EXPECT_GE(shown.width(), client.width()) << "the right-hand column is covered";
      }
      if (client.height() + bar + 40 <= room.height()) {
        EXPECT_GE(shown.height(), client.height());
      }
    }
  }
  SetActiveCodePage(saved);
}

// A translation whose tab captions do not fit one row: the tabs take two rows, every caption
// whole, the selected tab's row next to the page, and the shorter pages still show everything.
TEST_F(WindowTest, LongTabCaptionsTakeSeveralRows) {
  const int code_page = ActiveCodePage();
  SetActiveCodePage(1250);
  testing::TempDir dir;
  const char* captions[][2] = {
      {"EMERGENCY", "NOUZOVÉ VOLÁNÍ A BLOKOVÁNÍ"},
      {"SERVICE", "SERVISNÍ TESTY"},
      {"Phone Book", "Telefonní seznam SIM"},
      {"Ports", "Vstupy a relé"},
      {"Support", "Podpora a aktualizace firmwaru"},
      {"Insert Line", "Vložit řádek"},
      {"Save", "Uložit"},
  };
  std::string ini = "[Language]\r\nLanguage=Cze\r\n";
  for (auto& [key, value] : captions) ini += std::string(key) + "=" + value + "\r\n";
  testing::WriteBytes(dir.File("VRKTset.ini"), Utf8ToCodePage(ini, 1250));
  {
    Window w("VRKTset", dir.str());
    ShowWithOverlays(w);
    auto* tabs = w.Get<QTabWidget>("PageControl1");
    auto* bar = dynamic_cast<qt::RowTabBar*>(tabs->tabBar());
    ASSERT_TRUE(bar);
    EXPECT_EQ(tabs->tabText(4), QString::fromUtf8("Podpora a aktualizace firmwaru"));
    EXPECT_EQ(bar->RowCount(), 2);
    EXPECT_EQ(bar->height(), 2 * bar->RowTabRect(0).height());
    ExpectWholeTabs(tabs, "VRKTset");
    ExpectNothingClippedOrCovered(w, "VRKTset", /*texts=*/false);

    // A tab of the upper row, clicked, shows its page and brings its row down to the page.
    tabs->setCurrentIndex(0);
    QCoreApplication::processEvents();
    int upper = -1;
    for (int i = 0; i < bar->count(); ++i)
      if (bar->RowTabRect(i).top() == 0) upper = i;
    ASSERT_GE(upper, 0);
    EXPECT_GT(bar->RowTabRect(0).top(), 0) << "the selected tab's row lies next to the page";
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->RowTabRect(upper).center());
    EXPECT_EQ(tabs->currentIndex(), upper);
    EXPECT_EQ(w.h.program->form.PageControl1.active_page(), upper);
    EXPECT_GT(bar->RowTabRect(upper).top(), 0);
    EXPECT_EQ(bar->RowTabRect(0).top(), 0);
  }
  SetActiveCodePage(code_page);
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
