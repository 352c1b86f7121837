#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/program.h"
#include "base/clock.h"
#include "sim/sim_unit.h"

namespace vrkt::testing {

// Dialogs answered from a script; every message box is recorded.
class ScriptedDialogs : public Dialogs {
 public:
  std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                        const std::string& preselect) override;
  std::optional<std::string> SaveFile(const FileDialogSpec& spec) override;
  std::optional<std::string> OpenFile(const FileDialogSpec& spec) override;
  void ShowMessage(const std::string& text) override;

  // The next answers; an empty optional is Cancel. When the queue is empty the port dialog
  // picks "sim" and the file dialogs cancel.
  std::deque<std::optional<std::string>> port_answers;
  std::deque<std::optional<std::string>> file_answers;
  std::vector<std::string> messages;
  std::vector<FileDialogSpec> file_specs;
  std::vector<PortInfo> last_ports;
  std::string last_preselect;
};

// A whole program on virtual time against the simulated unit.
class Harness {
 public:
  // `program_name` picks the variant ("VRKTset", "DVG1Cset", "VRKT4Gset"); the settings file is
  // not read unless `settings_dir` is given.
  explicit Harness(const std::string& program_name = "VRKTset", const std::string& settings_dir = {});
  ~Harness();

  // Runs FormCreate.
  void Start();
  // Runs the event loop in virtual time until `ms` milliseconds have passed: port data and timer
  // ticks are delivered as they fall due.
  void RunFor(int64_t ms);
  // Runs until `done` holds or `limit_ms` passes; returns whether it held.
  template <class Pred>
  bool RunUntil(Pred done, int64_t limit_ms = 600000) {
    int64_t end = clock.NowMs() + limit_ms;
    while (!done()) {
      if (clock.NowMs() >= end) return false;
      Step(end);
    }
    return true;
  }
  // Monitor lines that contain `text`.
  int MonitorCount(const std::string& text) const;

  VirtualClock clock;
  ScriptedDialogs dialogs;
  SimProvider sim{clock};
  std::unique_ptr<Program> program;

 private:
  void Step(int64_t limit);
};

}  // namespace vrkt::testing
