#include "qt/qt_clock.h"

#include <QTime>

#include "serial/serial_backend.h"

namespace vrkt::qt {

QtClock::QtClock() { elapsed_.start(); }

int64_t QtClock::NowMs() const { return elapsed_.elapsed(); }

std::string QtClock::TimeOfDay() const {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

void QtClock::Pause(int ms) {
  if (ms > 0) serial::RunEventsFor(ms);
}

}  // namespace vrkt::qt
