#include "qt/event_pump.h"

#include <algorithm>
#include <climits>

#include "app/program.h"
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
  int64_t now = program_.clock().NowMs();
  int64_t next = program_.NextTimerDue();
  if (sim_) next = std::min(next, sim_->unit().NextEventMs());
  int64_t delay = next == INT64_MAX ? kMaxIdleMs : std::clamp<int64_t>(next - now, 0, kMaxIdleMs);
  timer_.start(static_cast<int>(delay));
}

}  // namespace vrkt::qt
