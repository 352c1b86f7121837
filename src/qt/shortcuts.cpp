#include "qt/shortcuts.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcut>
#include <QStackedWidget>
#include <vector>

namespace vrkt::qt {

namespace {

constexpr char kShortcutProperty[] = "shortcutText";

// Whether the button is shown, or would be on its page: a page that is not the current one
// still takes its buttons' keys.
bool Shown(const QWidget* w, const QWidget* window) {
  for (; w && w != window; w = w->parentWidget()) {
    const bool page = w->parentWidget() && qobject_cast<QStackedWidget*>(w->parentWidget());
    if (w->isHidden() && !page) return false;
  }
  return true;
}

// Presses the first of `names` that is shown and enabled.
void PressFirstAvailable(QWidget* window, const std::vector<const char*>& names) {
  for (const char* name : names) {
    auto* b = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    if (b && Shown(b, window) && b->isEnabled()) {
      b->click();
      return;
    }
  }
}

void Add(QWidget* window, const QKeySequence& key, std::vector<const char*> names) {
  for (const char* name : names) {
    if (auto* b = window->findChild<QWidget*>(QString::fromLatin1(name)))
      b->setProperty(kShortcutProperty, key.toString(QKeySequence::NativeText));
  }
  auto* shortcut = new QShortcut(key, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window,
                   [window, names] { PressFirstAvailable(window, names); });
}

}  // namespace

void InstallShortcuts(QWidget* window) {
  Add(window, QKeySequence(Qt::Key_F5), {"StopGDI", "RunGDI"});
  Add(window, QKeySequence(Qt::CTRL | Qt::Key_R), {"LoadGDI"});
  Add(window, QKeySequence(Qt::CTRL | Qt::Key_W), {"SaveGDI"});
  Add(window, QKeySequence(Qt::CTRL | Qt::Key_S), {"Save"});
  Add(window, QKeySequence(Qt::CTRL | Qt::Key_O), {"Load"});
  Add(window, QKeySequence(Qt::CTRL | Qt::Key_L), {"SaveMonitor"});
}

QString ShortcutTextOf(const QWidget* button) {
  return button ? button->property(kShortcutProperty).toString() : QString();
}

}  // namespace vrkt::qt
