#include "qt/qt_clock.h"

#include <QEventLoop>
#include <QTime>
#include <QTimer>

namespace vrkt::qt {

QtClock::QtClock() { elapsed_.start(); }

int64_t QtClock::NowMs() const { return elapsed_.elapsed(); }

std::string QtClock::TimeOfDay() const {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

void QtClock::Pause(int ms) {
  if (ms <= 0) return;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vrkt::qt
