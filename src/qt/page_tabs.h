#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace vrkt::qt {

// Tabs that share the page control's width when their natural widths do not fit, so every tab
// with its 40 x 40 picture stays in one row without scroll arrows.
class FittingTabBar : public QTabBar {
 public:
  explicit FittingTabBar(QWidget* parent) : QTabBar(parent) {}

 protected:
  QSize tabSizeHint(int index) const override;
};

class PageTabs : public QTabWidget {
 public:
  explicit PageTabs(QWidget* parent);
};

}  // namespace vrkt::qt
