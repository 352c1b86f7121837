#pragma once

#include <QColor>
#include <QLabel>
#include <QLine>
#include <QPixmap>
#include <QVector>
#include <QWidget>

namespace vrkt::qt {

// A picture from the program's artwork (SVG in the resources), drawn at the given size.
QPixmap Art(const QString& name, QSize size);
QIcon ArtIcon(const QString& name, QSize size);

// A bar display: gauge, voltage bar or progress bar, with a bar colour chosen by the program.
class BarWidget : public QWidget {
 public:
  BarWidget(Qt::Orientation orientation, QWidget* parent);
  void SetRange(int min, int max);
  void SetValue(int value);
  void SetBarColor(QColor c);
  void SetTrackColor(QColor c);
  int value() const { return value_; }
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  QColor bar_color() const { return bar_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Qt::Orientation orientation_;
  int min_ = 0, max_ = 100, value_ = 0;
  QColor bar_{0, 0, 255};
  QColor track_;
};

// A filled circle or rectangle in a colour chosen by the program.
class ShapeWidget : public QWidget {
 public:
  enum class Form { kCircle, kRectangle };
  ShapeWidget(Form form, QWidget* parent);
  void SetColor(QColor c);
  QColor color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Form form_;
  QColor color_;
};

// A label that reports clicks (the voltage readings ask the unit again when clicked).
class ClickableLabel : public QLabel {
 public:
  explicit ClickableLabel(QWidget* parent);
  std::function<void()> on_click;

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
};

// Thin explanatory lines behind the controls of a page; ignores the mouse.
class LineArt : public QWidget {
 public:
  explicit LineArt(QWidget* parent);
  void AddLine(QLine line) { lines_.push_back(line); }
  // A dotted frame around a set of related controls.
  void AddDottedFrame(QRect r) { frames_.push_back(r); }
  // Stretches every x coordinate by `factor`, as the controls the lines join were stretched.
  void SetStretch(double factor) {
    stretch_ = factor;
    resize(static_cast<int>(800 * factor) + 1, 600);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QVector<QLine> lines_;
  QVector<QRect> frames_;
  double stretch_ = 1.0;
};

// Keeps `w` reaching down to `margin` pixels above its parent's bottom edge whenever the parent
// changes height: the pages are shorter when the page tabs take more than one row.
void StretchToBottom(QWidget* w, int margin);

// A fixed picture on a page.
QLabel* Picture(QWidget* parent, const QString& art, QRect geometry);

}  // namespace vrkt::qt
