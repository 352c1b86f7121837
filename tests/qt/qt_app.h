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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    vrkt::qt::UseApplicationFont();
    return a;
  }();
  return *app;
}

}  // namespace vrkt::testing
