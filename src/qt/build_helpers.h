#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QWidget>

namespace vrkt::qt {

// Small makers for the fixed layout: each widget gets its control name as objectName; texts,
// items and states come from the window model when the binder draws it.
template <class W>
W* Make(QWidget* parent, const char* name, QRect geometry) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(geometry);
  return w;
}

inline QLabel* MakeLabel(QWidget* parent, const char* name, QRect geometry,
                         Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = Make<QLabel>(parent, name, geometry);
  l->setAlignment(align);
  return l;
}

inline QComboBox* MakeList(QWidget* parent, const char* name, QRect geometry) {
  auto* c = Make<QComboBox>(parent, name, geometry);
  c->setMaxVisibleItems(16);
  return c;
}

// A push button with a picture on its left (or right) side.
QPushButton* MakePictureButton(QWidget* parent, const char* name, QRect geometry,
                               const QString& art, bool picture_right = false);

class MainWindowParts;

}  // namespace vrkt::qt
