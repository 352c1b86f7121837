#pragma once

#include <string>

namespace vrkt {

class Program;

// Matches one reply line against the fixed reply patterns and the operation state, and takes the
// one step that the first matching rule calls for. Several chain flags may be set at once; the
// order of the rules decides which chain an "OK" serves (loader, then the operator query, then
// write-all).
class Dispatcher {
 public:
  explicit Dispatcher(Program& program) : p_(program) {}
  // May cut `line` (the displays work on the line itself). Throws AppError for a numeric field
  // that is not a number.
  void Dispatch(std::string& line);

 private:
  void OnOk();
  void OnStopped(const std::string& line);
  Program& p_;
};

}  // namespace vrkt
