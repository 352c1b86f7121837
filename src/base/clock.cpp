#include "base/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace vrkt {

std::string FormatTimeOfDay(int64_t s) {
  s %= 86400;
  if (s < 0) s += 86400;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  return buf;
}

std::string VirtualClock::TimeOfDay() const { return FormatTimeOfDay(start_s_ + now_ms_ / 1000); }

void VirtualClock::Pause(int ms) {
  if (ms <= 0) return;
  paused_ms_ += ms;
  ++pause_count_;
  AdvanceTo(now_ms_ + ms);
}

void VirtualClock::AdvanceTo(int64_t ms) {
  if (ms <= now_ms_) return;
  now_ms_ = ms;
  if (on_advance) on_advance(now_ms_);
}

SystemClock::SystemClock() = default;

int64_t SystemClock::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string SystemClock::TimeOfDay() const {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return FormatTimeOfDay(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
}

void SystemClock::Pause(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vrkt
