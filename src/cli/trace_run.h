#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/engine.h"
#include "cli/options.h"
#include "link/wire_trace.h"

namespace vrkt::cli {

class Session;
class UnitArgs;
struct CliIo;

// Takes --trace FILE and --trace-pin. Returns false for any other option.
bool ParseTraceOption(const std::string& arg, const std::function<std::string()>& take_value,
                      const std::function<void()>& no_value, Options& o, UnitArgs& unit_args);
// Checks the trace options against the rest, and that a replay port's trace can be read.
// Throws CliFailure.
void CheckTraceOptions(const Options& o);
std::string TraceOptionsHelp();

bool IsReplayPort(const std::string& port);
// The recorded unit of a "replay:FILE" port in virtual time: its recorded delays cost no wall
// time.
std::unique_ptr<Engine> MakeReplayEngine();

// The run's engine, with a recorder between the program and the port when --trace asks for one.
class TraceRun {
 public:
  TraceRun(const Options& options, Engine& inner);
  ~TraceRun();
  Engine& engine();
  // Reports a replay's divergence on the error stream and in the session's Monitor.
  void WatchReplay(Session& session);
  // Writes --trace once the port has closed. False (with a message) when it could not be saved.
  bool Save(CliIo& io);

 private:
  class Traced;
  const Options& options_;
  Engine& inner_;
  std::unique_ptr<TraceRecorder> recorder_;
  std::unique_ptr<Traced> traced_;
};

}  // namespace vrkt::cli
