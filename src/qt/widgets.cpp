#include "qt/widgets.h"

#include <cmath>

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

#include "qt/text_convert.h"

// The artwork lives in a static library; its resources must be registered by hand.
static void InitArtwork() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(artwork);
    done = true;
  }
}

namespace vrkt::qt {

QString MessageToQ(const std::string& text) {
  bool ascii = std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    QString u = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (!u.contains(QChar::ReplacementCharacter)) return u;
  }
  return ToQ(text);
}

QPixmap Art(const QString& name, QSize size) {
  InitArtwork();
  QSvgRenderer renderer(QStringLiteral(":/art/") + name + QStringLiteral(".svg"));
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  if (!renderer.isValid()) return pm;
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  renderer.render(&p);
  return pm;
}

QIcon ArtIcon(const QString& name, QSize size) {
  QIcon icon;
  QPixmap normal = Art(name, size);
  icon.addPixmap(normal, QIcon::Normal);
  // A paler copy for disabled buttons, the way toolkit icons look when greyed.
  QPixmap pale(normal.size());
  pale.fill(Qt::transparent);
  QPainter p(&pale);
  p.setOpacity(0.35);
  p.drawPixmap(0, 0, normal);
  p.end();
  icon.addPixmap(pale, QIcon::Disabled);
  return icon;
}

BarWidget::BarWidget(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation), track_(palette().color(QPalette::Base)) {}

void BarWidget::SetRange(int min, int max) {
  if (min_ == min && max_ == max) return;
  min_ = min;
  max_ = std::max(min, max);
  update();
}

void BarWidget::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  update();
}

void BarWidget::SetBarColor(QColor c) {
  if (bar_ == c) return;
  bar_ = c;
  update();
}

void BarWidget::SetTrackColor(QColor c) {
  track_ = c;
  update();
}

void BarWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  p.fillRect(r, palette().color(QPalette::Mid));
  QRect inner = r.adjusted(1, 1, -1, -1);
  p.fillRect(inner, track_);
  int span = max_ - min_;
  double frac = span > 0 ? std::clamp(double(value_ - min_) / span, 0.0, 1.0) : 0.0;
  QRect fill = inner.adjusted(1, 1, -1, -1);
  if (orientation_ == Qt::Horizontal) {
    fill.setWidth(static_cast<int>(fill.width() * frac + 0.5));
  } else {
    int h = static_cast<int>(fill.height() * frac + 0.5);
    fill.setTop(fill.bottom() - h + 1);
  }
  if (frac > 0) p.fillRect(fill, bar_);
}

ShapeWidget::ShapeWidget(Form form, QWidget* parent) : QWidget(parent), form_(form) {}

void ShapeWidget::SetColor(QColor c) {
  if (color_ == c) return;
  color_ = c;
  update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color_);
  if (form_ == Form::kCircle)
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  else
    p.drawRect(rect());
}

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && on_click)
    on_click();
  QLabel::mouseReleaseEvent(e);
}

LineArt::LineArt(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Larger than any page; the page clips it.
  setGeometry(0, 0, 800, 600);
  lower();
}

void LineArt::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::Dark), 1));
  auto x = [this](int v) { return static_cast<int>(std::lround(v * stretch_)); };
  for (const QLine& l : lines_) p.drawLine(x(l.x1()), l.y1(), x(l.x2()), l.y2());
  p.setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DotLine));
  for (const QRect& r : frames_)
    p.drawRect(QRect(QPoint(x(r.left()), r.top()), QPoint(x(r.right()), r.bottom())));
}

QLabel* Picture(QWidget* parent, const QString& art, QRect geometry) {
  auto* label = new QLabel(parent);
  label->setGeometry(geometry);
  label->setPixmap(Art(art, geometry.size()));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

namespace {

class BottomStretcher : public QObject {
 public:
  BottomStretcher(QWidget* w, int margin) : QObject(w), w_(w), margin_(margin) {
    w->parentWidget()->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Resize && watched == w_->parentWidget()) {
      int height = w_->parentWidget()->height() - w_->y() - margin_;
      w_->resize(w_->width(), std::max(height, w_->minimumHeight()));
    }
    return false;
  }

 private:
  QWidget* w_;
  int margin_;
};

}  // namespace

void StretchToBottom(QWidget* w, int margin) { new BottomStretcher(w, margin); }

}  // namespace vrkt::qt
