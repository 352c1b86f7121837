#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "base/clock.h"
#include "sim/sim_unit.h"
#include "ui/dialogs.h"

namespace vrkt::testing {

// Dialogs answered from a script; every message box is recorded.
class ScriptedDialogs : public Dialogs {
 public:
  std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                        const std::string& preselect) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  // Answers from `answers` (an index, -1 for Cancel); Cancel when it is empty.
  int Ask(const std::string& text, const std::vector<std::string>& answer_texts) override;

  // The next answers; an empty optional is Cancel. When the queue is empty the port dialog
  // picks "sim" and the file dialogs cancel.
  std::deque<std::optional<std::string>> port_answers;
  std::deque<std::optional<std::string>> file_answers;
  std::vector<std::string> messages;
  std::deque<int> answers;
  std::vector<std::string> questions;
  std::vector<FileDialogOptions> file_options;
  std::vector<PortInfo> last_ports;
  std::string last_preselect;
  int port_dialogs = 0;  // how often the port dialog was shown
};

// A unit whose module answers while its application runs (the simulated unit before it learnt
// that the application owns the line), for tests of the link, the loader and the module that send
// their commands without stopping the unit first.
inline SimConfig AnsweringConfig(SimConfig c = {}) {
  c.module_answers_while_app_runs = true;
  return c;
}

// A whole program on virtual time against the simulated unit.
class Harness {
 public:
  // `program_name` picks the variant ("VRKTset", "DVG1Cset", "VRKT4Gset"); the settings file is
  // not read unless `settings_dir` is given.
  explicit Harness(const std::string& program_name = "VRKTset",
                   const std::string& settings_dir = {});
  ~Harness();

  // Runs FormCreate.
  void Start();
  // Before Start: the unit's module answers while its application runs (AnsweringConfig).
  void AnswerWhileRunning() { sim.unit().Configure(AnsweringConfig(sim.unit().config())); }
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

  // --- Conveniences for link tests.
  SimUnit& unit() { return sim.unit(); }
  Form1& form() { return program->form; }
  // Runs a control's rule as the user's click would, through the program's action runner.
  void Click(Button& button);
  // The unit sends these bytes now; runs until they have come off the wire and been handled.
  void Feed(const std::string& bytes);
  // Command lines the unit has taken off the wire since `from` (an index into its record).
  std::vector<std::string> Commands(size_t from = 0) const;
  // The virtual time at which the unit took the first command line equal to `line` at or after
  // record index `from`; -1 when it never did.
  int64_t CommandTime(const std::string& line, size_t from = 0) const;

  VirtualClock clock;
  ScriptedDialogs dialogs;
  SimProvider sim{clock};
  std::unique_ptr<Program> program;

 private:
  void Step(int64_t limit);
};

}  // namespace vrkt::testing
