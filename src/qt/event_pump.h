#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace vrkt {
class Program;
class SimProvider;
}  // namespace vrkt

namespace vrkt::qt {

// Feeds the program's event pump from the Qt event loop: on port data, when the next timer falls
// due, when the simulated unit has something to do, and after every user action (events held
// back while a handler ran are delivered then).
class EventPump : public QObject {
 public:
  // `sim` may be null; otherwise its unit is brought up to date before each service.
  EventPump(Program& program, SimProvider* sim);
  void Start();
  // Services as soon as the event loop is free again.
  void Kick();
  // Another simulated far end (a replayed trace): when it next has something to do.
  std::function<int64_t()> next_event;

 private:
  void ServiceNow();
  void Reschedule();
  Program& program_;
  SimProvider* sim_;
  QTimer timer_;
  bool in_service_ = false;
};

}  // namespace vrkt::qt
