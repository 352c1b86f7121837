#pragma once

#include <string>

namespace vrkt {

class Clock;
class SerialPort;
class Timer;

// Where the link reports what happens on the wire: the Monitor and the message boxes.
class LinkLog {
 public:
  virtual ~LinkLog() = default;
  // A note of a running operation ("no answer to AT+CPBR=?").
  virtual void LogNote(const std::string& note) = 0;
  // A line the unit sent, as received.
  virtual void LogReceived(const std::string& line) = 0;
  // An error nobody up the stack can report: shown to the user.
  virtual void ShowError(const std::string& message) = 0;
};

// What the link runs on, and all it knows of the program around it.
struct LinkEnv {
  SerialPort& port;
  Clock& clock;
  Timer& deadline;  // the reply deadline of the command in flight; the link owns its ticks
  LinkLog& log;
};

}  // namespace vrkt
