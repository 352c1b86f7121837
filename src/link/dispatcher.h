#pragma once

#include <string>

namespace vrkt {

class Program;

// Matches one reply line against the fixed reply patterns and takes the one step that the first
// matching rule calls for. A final result ("OK", "ERROR", "+CME ERROR: ...") belongs to the
// command in flight and drives only the job that sent it; the module's echo of that command is
// no reply at all; reports the unit sends on its own (STOP, +CREG, ...) and the status displays
// are served whatever runs.
class Dispatcher {
 public:
  explicit Dispatcher(Program& program) : p_(program) {}
  // May cut `line` (the displays work on the line itself). `noisy`: control bytes that line
  // noise slipped in were dropped from it. Throws AppError for a numeric field that is not a
  // number.
  void Dispatch(std::string& line, bool noisy);

 private:
  void OnFinal(const std::string& line, bool damaged);
  void OnEcho(const std::string& line);
  void OnStopped(const std::string& line);
  void ColourPinIndicator(const std::string& line);
  Program& p_;
};

}  // namespace vrkt
