#pragma once

#include <QApplication>

#include "qt/main_window.h"

namespace vrkt::testing {

// One application object for all Qt tests (offscreen).
inline QApplication& EnsureApp() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    // Offscreen, perhaps with a screen of its own ("offscreen:configfile=...").
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    vrkt::qt::UseApplicationFont();
    return a;
  }();
  return *app;
}

// As the first member of a fixture: the application exists before any widget.
struct AppFirst {
  AppFirst() { EnsureApp(); }
};

}  // namespace vrkt::testing

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>

namespace vrkt::testing {

// Keyboard and mouse input as the user gives it, delivered straight to a widget.
inline void KeyClick(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                     const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

inline void KeyClicks(QWidget* w, const QString& text) {
  for (QChar c : text) {
    int key = c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode() : 0;
    KeyClick(w, key, Qt::NoModifier, QString(c));
  }
}

inline void MouseClick(QWidget* w, QPoint at = {}) {
  if (at.isNull()) at = w->rect().center();
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

// Runs the event loop until `done` holds or `ms` pass.
inline bool WaitFor(const std::function<bool()>& done, int ms = 2000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace vrkt::testing
