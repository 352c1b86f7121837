#include "qt/page_tabs.h"

namespace vrkt::qt {

QSize FittingTabBar::tabSizeHint(int index) const {
  QSize base = QTabBar::tabSizeHint(index);
  const QWidget* pages = parentWidget();
  if (!pages) return base;
  int total = 0, shown = 0;
  for (int i = 0; i < count(); ++i) {
    if (!isTabVisible(i)) continue;
    total += QTabBar::tabSizeHint(i).width();
    ++shown;
  }
  // Leave room for the selected tab's overlap at both ends.
  int available = pages->width() - 4;
  if (total <= available || total == 0) return base;
  // Every tab gives up the same share of its padding; the texts keep their room.
  base.setWidth(base.width() - (total - available + shown - 1) / shown);
  return base;
}

PageTabs::PageTabs(QWidget* parent) : QTabWidget(parent) { setTabBar(new FittingTabBar(this)); }

}  // namespace vrkt::qt
