#include "qt/event_pump.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "app/program.h"
#include "base/clock.h"
#include "sim/sim_unit.h"

namespace vrkt::qt {

namespace {
// A safety net: even with nothing due, look at the port now and then (health, stray data).
constexpr int64_t kMaxIdleMs = 500;
}  // namespace

EventPump::EventPump(Program& program, SimProvider* sim) : program_(program), sim_(sim) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &EventPump::ServiceNow);
}

void EventPump::Start() { Kick(); }

void EventPump::Kick() { timer_.start(0); }

void EventPump::ServiceNow() {
  // A pause inside a handler runs a nested event loop; nothing is delivered until the handler
  // has returned, and the runner kicks the pump then.
  if (in_service_ || program_.busy()) return;
  in_service_ = true;
  if (sim_) sim_->unit().Update();
  size_t before = program_.port().BytesAvailable();
  program_.Service();
  in_service_ = false;
  size_t after = program_.port().BytesAvailable();
  if (after > 0) {
    // More is waiting: go on at once, unless nothing was taken (then give the loop a breath
    // rather than spin).
    timer_.start(after < before ? 0 : 10);
    return;
  }
  Reschedule();
}

void EventPump::Reschedule() {
  Clock& clock = program_.clock();
  int64_t now = clock.NowMs();
  int64_t next = program_.NextTimerDue();
  if (sim_) next = std::min(next, sim_->unit().NextEventMs());
  if (next_event) next = std::min(next, next_event());
  if (next == INT64_MAX) {
    timer_.start(static_cast<int>(kMaxIdleMs));
    return;
  }
  int64_t delay = std::clamp<int64_t>(next - now, 0, kMaxIdleMs);
  if (delay > 1) {
    // A timer counts whole milliseconds from a moment partway through one, so it would wake up
    // to a millisecond after the due time, several times per protocol step. Wake in the
    // millisecond before instead and wait out the rest here.
    timer_.start(static_cast<int>(delay - 1));
    return;
  }
  // Under a millisecond to go: a short sleep costs the window nothing noticeable. Bounded, so a
  // clock that does not move on its own cannot hold the loop.
  auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
  while (clock.NowMs() < next && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  timer_.start(0);
}

}  // namespace vrkt::qt
