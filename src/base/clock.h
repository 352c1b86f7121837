#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vrkt {

// Time as the program sees it. The protocol paces the unit with blocking pauses; the contract of
// Pause is that no other handler (port data, timer, click) runs until it returns. In tests the
// clock is virtual and a pause only moves time on.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic scale; only differences matter.
  virtual int64_t NowMs() const = 0;
  // The time of day in the long time format, "HH:MM:SS".
  virtual std::string TimeOfDay() const = 0;
  // Blocks the program's thread for `ms` milliseconds (see above).
  virtual void Pause(int ms) = 0;
};

// Formats seconds since midnight as "HH:MM:SS".
std::string FormatTimeOfDay(int64_t seconds_since_midnight);

// Virtual time for tests and benchmarks: starts at the given time of day and moves only when
// told. Pause advances time at once and calls the observer, which lets a simulated unit act.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(int64_t start_time_of_day_s = 12 * 3600) : start_s_(start_time_of_day_s) {}
  int64_t NowMs() const override { return now_ms_; }
  std::string TimeOfDay() const override;
  void Pause(int ms) override;
  void AdvanceTo(int64_t ms);
  void Advance(int64_t ms) { AdvanceTo(now_ms_ + ms); }
  // Total time spent in Pause, for measuring protocol pacing.
  int64_t paused_ms() const { return paused_ms_; }
  int pause_count() const { return pause_count_; }
  std::function<void(int64_t now_ms)> on_advance;

 private:
  int64_t start_s_;
  int64_t now_ms_ = 0;
  int64_t paused_ms_ = 0;
  int pause_count_ = 0;
};

// Wall time for the command-line front end: Pause sleeps the thread.
class SystemClock : public Clock {
 public:
  SystemClock();
  int64_t NowMs() const override;
  std::string TimeOfDay() const override;
  void Pause(int ms) override;
};

}  // namespace vrkt
