#pragma once

#include <QElapsedTimer>

#include "base/clock.h"

namespace vrkt::qt {

// Wall time for the window program. A pause keeps the window painting (a nested event loop) but
// lets no user input through; the program reports itself busy meanwhile, so the pump holds back
// port data and timer ticks until the handler that paused has returned.
class QtClock : public Clock {
 public:
  QtClock();
  int64_t NowMs() const override;
  std::string TimeOfDay() const override;
  void Pause(int ms) override;

 private:
  QElapsedTimer elapsed_;
};

}  // namespace vrkt::qt
