#include "qt/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "qt/widgets.h"

namespace vrkt::qt {

namespace {

// A page's pictures and its dividing lines: unnamed, they keep their size and move with the
// stretch.
bool IsPicture(const QWidget* w) {
  if (!w->objectName().isEmpty()) return false;
  if (auto* l = qobject_cast<const QLabel*>(w)) return !l->pixmap().isNull();
  auto* f = qobject_cast<const QFrame*>(w);
  return f && (f->frameShape() == QFrame::VLine || f->frameShape() == QFrame::HLine);
}

// Controls this program placed itself: named by it, not laid out by Qt or by a layout.
bool PlacedByUs(const QWidget* w) {
  if (w->isWindow() || w->objectName().startsWith("qt_")) return false;
  // Unnamed: a page's pictures and lines, or something Qt made.
  if (w->objectName().isEmpty() && !IsPicture(w)) return false;
  const QWidget* parent = w->parentWidget();
  if (!parent || qobject_cast<const QStackedWidget*>(parent)) return false;
  return !parent->layout() || parent->layout()->indexOf(const_cast<QWidget*>(w)) < 0;
}

}  // namespace

int TextWidthNeeded(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) {
    if (l->text().isEmpty() || l->wordWrap()) return 0;
    return l->sizeHint().width();
  }
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
    if (b->text().isEmpty()) return 0;
    // Boxes and round buttons have their mark beside the text, which their hint includes; a
    // push button's hint has a least width of the style's that has nothing to do with its text.
    if (qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b))
      return b->sizeHint().width();
    int need = b->fontMetrics().horizontalAdvance(b->text()) + 8;
    if (!b->icon().isNull()) need += b->iconSize().width() + 4;
    return need;
  }
  if (auto* g = qobject_cast<const QGroupBox*>(w)) {
    if (g->title().isEmpty()) return 0;
    // The caption sits in the frame with a margin on either side.
    return g->fontMetrics().horizontalAdvance(g->title()) + 16;
  }
  return 0;
}

void TextFit::Remember() {
  if (!original_.isEmpty()) return;
  root_size_ = root_->size();
  for (QWidget* w : root_->findChildren<QWidget*>())
    if (PlacedByUs(w)) original_.insert(w, w->geometry());
}

double TextFit::Fit() {
  Remember();
  double factor = 1.0;
  for (auto it = original_.cbegin(); it != original_.cend(); ++it) {
    QWidget* w = it.key();
    // Hidden controls count too: they may be shown later (the overlays).
    int need = TextWidthNeeded(w);
    if (need > it.value().width() && it.value().width() > 0)
      factor = std::max(factor, static_cast<double>(need) / it.value().width());
  }
  factor = std::min(factor, kMaxStretch);
  for (auto it = original_.cbegin(); it != original_.cend(); ++it) {
    QWidget* w = it.key();
    const QRect& r = it.value();
    int left = static_cast<int>(std::floor(r.x() * factor));
    int right = static_cast<int>(std::ceil((r.x() + r.width()) * factor));
    if (IsPicture(w)) {
      // A line across stretches with the layout; anything else keeps its size.
      auto* f = qobject_cast<const QFrame*>(w);
      if (!f || f->frameShape() != QFrame::HLine) right = left + r.width();
    }
    w->setGeometry(left, w->y(), right - left, w->height());
  }
  for (QWidget* w : root_->findChildren<QWidget*>())
    if (auto* art = dynamic_cast<LineArt*>(w)) art->SetStretch(factor);
  root_->setMinimumSize(0, 0);
  root_->resize(static_cast<int>(std::ceil(root_size_.width() * factor)), root_->height());
  return factor;
}

}  // namespace vrkt::qt
