#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <vector>

namespace vrkt::qt {

// The page control's tabs on as many rows as their captions need, as a multi-line tab control
// shows them: with several rows every row reaches across the whole width, and the row of the
// selected tab lies next to the page. Qt's tab bar knows one row only, so the rows are laid out,
// drawn and hit here; the bar's own single-row geometry is never shown.
class RowTabBar : public QTabBar {
 public:
  explicit RowTabBar(QWidget* parent);
  // Where tab `index` is drawn, in the bar's coordinates; empty for a hidden tab.
  QRect RowTabRect(int index) const;
  int RowCount() const { return layout_.rows; }
  // The tab under `pos`, or -1.
  int RowTabAt(QPoint pos) const;
  // Where the caption of tab `index` is drawn; its picture lies left of it.
  QRect CaptionRect(int index) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void tabLayoutChange() override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;

 private:
  struct Layout {
    std::vector<QRect> rects;  // by tab index
    std::vector<int> row_of;   // display row of each tab, top row 0; -1 when hidden
    int rows = 1;
    int row_height = 0;
  };
  // The rows for a bar `width` wide with the current tab on the bottom row.
  Layout LayoutFor(int width) const;
  // The narrowest the tab may be with its caption whole.
  int NarrowestWidth(int index) const;
  // Where the picture and the caption of a tab go in its rectangle `tab`.
  void LabelRects(const QRect& tab, const QString& text, bool selected, QRect* icon,
                  QRect* caption) const;
  // The width the rows may take: the page control's.
  int AvailableWidth() const;
  void Relayout();

  Layout layout_;
  int hover_ = -1;
};

class PageTabs : public QTabWidget {
 public:
  explicit PageTabs(QWidget* parent);
  RowTabBar* row_tab_bar() const { return bar_; }

 private:
  RowTabBar* bar_;
};

}  // namespace vrkt::qt
