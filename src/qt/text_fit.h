#pragma once

#include <QHash>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace vrkt::qt {

// The room a control's text needs, in pixels across: a label's or button's size hint (with its
// picture), a group box's caption with its frame. 0 for controls without text.
int TextWidthNeeded(const QWidget* w);

// Widens a fixed layout so that every text fits. The controls keep their places relative to one
// another: every left and right edge is stretched by one factor across the whole layout (the
// least that lets the widest text fit, at most kMaxStretch), so nothing comes to overlap. The
// original places are remembered, so fitting again after the texts changed starts from them.
class TextFit {
 public:
  static constexpr double kMaxStretch = 2.0;
  explicit TextFit(QWidget* root) : root_(root) {}
  // Returns the factor applied.
  double Fit();
  QSize original_size() const { return root_size_; }

 private:
  void Remember();
  QWidget* root_;
  QSize root_size_;
  QHash<QWidget*, QRect> original_;
};

}  // namespace vrkt::qt
