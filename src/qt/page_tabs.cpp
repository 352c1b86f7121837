#include "qt/page_tabs.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>
#include <limits>

namespace vrkt::qt {

namespace {
// Space between picture and caption, and the least space left and right of them.
constexpr int kGap = 4;
constexpr int kLeastPadding = 6;
// The style's own padding on either side, which the tabs keep when there is room.
constexpr int kPadding = 12;
}  // namespace

RowTabBar::RowTabBar(QWidget* parent) : QTabBar(parent) {
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
  setExpanding(false);
  connect(this, &QTabBar::currentChanged, this, [this] {
    Relayout();
    update();
  });
}

int RowTabBar::AvailableWidth() const {
  const QWidget* pages = parentWidget();
  // Leave room for the selected tab's overlap at both ends.
  return std::max(1, (pages ? pages->width() : width()) - 4);
}

namespace {

// Splits tabs of the given widths, in order, into as few rows of at most `width` as the first
// fit needs, and among those splits takes the one whose widest row is narrowest: rows of even
// length look tidier than a full row over a single tab. Returns the index of each row's first
// tab.
std::vector<size_t> SplitIntoRows(const std::vector<int>& widths, int width) {
  const size_t n = widths.size();
  size_t rows = 1;
  for (size_t i = 0, used = 0; i < n; ++i) {
    if (used > 0 && used + widths[i] > static_cast<size_t>(width)) {
      ++rows;
      used = 0;
    }
    used += widths[i];
  }
  // best[k][j]: the narrowest widest row for the first j tabs on k rows; start[k][j] where the
  // last of those rows starts.
  const int kNone = std::numeric_limits<int>::max();
  std::vector<std::vector<int>> best(rows + 1, std::vector<int>(n + 1, kNone));
  std::vector<std::vector<size_t>> start(rows + 1, std::vector<size_t>(n + 1, 0));
  best[0][0] = 0;
  for (size_t k = 1; k <= rows; ++k) {
    for (size_t j = 1; j <= n; ++j) {
      int row = 0;
      for (size_t i = j; i-- > 0;) {
        row += widths[i];
        // A tab wider than the bar still needs a row of its own.
        if (row > width && i + 1 < j) break;
        if (best[k - 1][i] == kNone) continue;
        int widest = std::max(best[k - 1][i], row);
        if (widest < best[k][j]) {
          best[k][j] = widest;
          start[k][j] = i;
        }
      }
    }
  }
  std::vector<size_t> firsts(rows, 0);
  for (size_t k = rows, j = n; k > 0 && n > 0; --k) {
    firsts[k - 1] = start[k][j];
    j = start[k][j];
  }
  return firsts;
}

}  // namespace

int RowTabBar::NarrowestWidth(int index) const {
  int need = iconSize().width() + kGap + fontMetrics().horizontalAdvance(tabText(index)) +
             2 * kLeastPadding;
  return std::min(need, QTabBar::tabSizeHint(index).width());
}

void RowTabBar::LabelRects(const QRect& tab, const QString& text, bool selected, QRect* icon,
                           QRect* caption) const {
  QRect r = tab;
  if (!selected)
    r.translate(0, style()->pixelMetric(QStyle::PM_TabBarTabShiftVertical, nullptr, this));
  int slack = r.width() - (iconSize().width() + kGap + fontMetrics().horizontalAdvance(text));
  int padding = std::clamp(slack / 2, 0, kPadding);
  *icon = QRect(r.left() + padding, r.center().y() - iconSize().height() / 2 + 1,
                iconSize().width(), iconSize().height());
  // The caption is centred in what is left right of the picture, as the style does.
  *caption = QRect(icon->right() + 1 + kGap, r.top(), 0, r.height());
  caption->setRight(r.right() - padding);
}

QRect RowTabBar::CaptionRect(int index) const {
  QRect icon, caption;
  LabelRects(RowTabRect(index), tabText(index), index == currentIndex(), &icon, &caption);
  return caption;
}

RowTabBar::Layout RowTabBar::LayoutFor(int width) const {
  Layout l;
  l.rects.assign(static_cast<size_t>(count()), QRect());
  l.row_of.assign(static_cast<size_t>(count()), -1);
  std::vector<int> widths(static_cast<size_t>(count()), 0);
  std::vector<int> shown;
  std::vector<int> narrowest;
  int natural = 0;
  for (int i = 0; i < count(); ++i) {
    if (!isTabVisible(i)) continue;
    QSize hint = QTabBar::tabSizeHint(i);
    widths[i] = hint.width();
    natural += hint.width();
    l.row_height = std::max(l.row_height, hint.height());
    shown.push_back(i);
    narrowest.push_back(NarrowestWidth(i));
  }
  // Tabs that fit as they are keep their widths. Otherwise they give up padding, as few rows as
  // their captions allow are filled evenly, and every row reaches across the whole width.
  std::vector<std::vector<int>> rows(1);
  if (natural <= width) {
    rows[0] = shown;
  } else {
    std::vector<size_t> firsts = SplitIntoRows(narrowest, width);
    rows.assign(firsts.size(), {});
    for (size_t k = 0; k < firsts.size(); ++k) {
      size_t end = k + 1 < firsts.size() ? firsts[k + 1] : shown.size();
      for (size_t j = firsts[k]; j < end; ++j) {
        rows[k].push_back(shown[j]);
        widths[shown[j]] = narrowest[j];
      }
    }
    for (const std::vector<int>& row : rows) {
      int sum = 0;
      for (int i : row) sum += widths[i];
      int n = std::max(1, static_cast<int>(row.size()));
      int extra = std::max(0, width - sum);
      for (int k = 0; k < static_cast<int>(row.size()); ++k)
        widths[row[k]] += extra / n + (k < extra % n ? 1 : 0);
    }
  }
  l.rows = static_cast<int>(rows.size());
  // Every row of pictures costs the pages its height: on several rows the tabs keep only a small
  // margin around their pictures.
  if (l.rows > 1) l.row_height = std::min(l.row_height, iconSize().height() + 6);
  // The selected tab's row goes to the bottom, next to the page; the others keep their order.
  int selected_row = l.rows - 1;
  for (int r = 0; r < l.rows; ++r)
    if (std::find(rows[r].begin(), rows[r].end(), currentIndex()) != rows[r].end())
      selected_row = r;
  for (int r = 0; r < l.rows; ++r) {
    int shown_row = (r + l.rows - 1 - selected_row) % l.rows;
    int x = 0;
    for (int i : rows[r]) {
      l.rects[i] = QRect(x, shown_row * l.row_height, widths[i], l.row_height);
      l.row_of[i] = shown_row;
      x += widths[i];
    }
  }
  return l;
}

void RowTabBar::Relayout() {
  int rows = layout_.rows;
  layout_ = LayoutFor(AvailableWidth());
  // The page control gives the bar the height of its rows.
  if (layout_.rows != rows) updateGeometry();
}

QRect RowTabBar::RowTabRect(int index) const {
  if (index < 0 || index >= static_cast<int>(layout_.rects.size())) return {};
  return layout_.rects[index];
}

int RowTabBar::RowTabAt(QPoint pos) const {
  for (size_t i = 0; i < layout_.rects.size(); ++i)
    if (layout_.row_of[i] >= 0 && layout_.rects[i].contains(pos)) return static_cast<int>(i);
  return -1;
}

QSize RowTabBar::sizeHint() const {
  int width = AvailableWidth();
  Layout l = LayoutFor(width);
  return {width, l.rows * l.row_height};
}

QSize RowTabBar::minimumSizeHint() const { return sizeHint(); }

void RowTabBar::tabLayoutChange() {
  QTabBar::tabLayoutChange();
  Relayout();
}

void RowTabBar::resizeEvent(QResizeEvent* e) {
  QTabBar::resizeEvent(e);
  Relayout();
}

void RowTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  auto draw = [&](int i) {
    QStyleOptionTab option;
    initStyleOption(&option, i);
    option.rect = layout_.rects[i];
    option.row = layout_.row_of[i];
    // Where the tab stands in its own row, which Qt would take from the single row.
    int previous = -1, next = -1;
    for (int j = i - 1; j >= 0 && previous < 0; --j)
      if (layout_.row_of[j] >= 0) previous = j;
    for (int j = i + 1; j < count() && next < 0; ++j)
      if (layout_.row_of[j] >= 0) next = j;
    bool first = previous < 0 || layout_.row_of[previous] != option.row;
    bool last = next < 0 || layout_.row_of[next] != option.row;
    option.position = first && last ? QStyleOptionTab::OnlyOneTab
                      : first       ? QStyleOptionTab::Beginning
                      : last        ? QStyleOptionTab::End
                                    : QStyleOptionTab::Middle;
    option.selectedPosition = !first && previous == currentIndex()
                                  ? QStyleOptionTab::PreviousIsSelected
                              : !last && next == currentIndex() ? QStyleOptionTab::NextIsSelected
                                                                : QStyleOptionTab::NotAdjacent;
    option.state.setFlag(QStyle::State_MouseOver, i == hover_);
    // The style would pad the picture and caption by its own fixed amount, which cuts the
    // caption of a tab narrowed to fit; they are placed here by the space the tab has.
    painter.drawControl(QStyle::CE_TabBarTabShape, option);
    QRect icon, caption;
    LabelRects(option.rect, option.text, i == currentIndex(), &icon, &caption);
    QIcon::Mode mode = option.state & QStyle::State_Enabled ? QIcon::Normal : QIcon::Disabled;
    option.icon.paint(&painter, icon, Qt::AlignCenter, mode);
    painter.drawItemText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, option.palette,
                         option.state & QStyle::State_Enabled, option.text, QPalette::WindowText);
    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.rect = caption.adjusted(-2, 4, 2, -4);
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  };
  // The selected tab last: it overlaps its neighbours and the page's edge.
  for (int i = 0; i < count(); ++i)
    if (layout_.row_of[i] >= 0 && i != currentIndex()) draw(i);
  if (currentIndex() >= 0 && layout_.row_of[currentIndex()] >= 0) draw(currentIndex());
}

// Qt's own handlers would hit the tabs of its single row; these hit the rows shown.
void RowTabBar::mousePressEvent(QMouseEvent* e) {
  int i = RowTabAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton && i >= 0 && isTabEnabled(i)) setCurrentIndex(i);
  e->accept();
}

void RowTabBar::mouseMoveEvent(QMouseEvent* e) { e->accept(); }

void RowTabBar::mouseReleaseEvent(QMouseEvent* e) { e->accept(); }

bool RowTabBar::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave: {
      int hover = e->type() == QEvent::HoverLeave
                      ? -1
                      : RowTabAt(static_cast<QHoverEvent*>(e)->position().toPoint());
      if (hover != hover_) {
        hover_ = hover;
        update();
      }
      return true;
    }
    case QEvent::ToolTip: {
      auto* help = static_cast<QHelpEvent*>(e);
      int i = RowTabAt(help->pos());
      if (i >= 0 && !tabToolTip(i).isEmpty()) {
        QToolTip::showText(help->globalPos(), tabToolTip(i), this, layout_.rects[i]);
      } else {
        QToolTip::hideText();
        e->ignore();
      }
      return true;
    }
    default:
      return QTabBar::event(e);
  }
}

PageTabs::PageTabs(QWidget* parent) : QTabWidget(parent), bar_(new RowTabBar(this)) {
  setTabBar(bar_);
}

}  // namespace vrkt::qt
