#include "support/harness.h"

#include <algorithm>
#include <climits>

namespace vrkt::testing {

std::optional<std::string> ScriptedDialogs::ChoosePort(const std::vector<PortInfo>& ports,
                                                       const std::string& preselect) {
  last_ports = ports;
  last_preselect = preselect;
  ++port_dialogs;
  if (port_answers.empty()) return std::string("sim");
  auto a = port_answers.front();
  port_answers.pop_front();
  return a;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileDialogOptions& options) {
  file_options.push_back(options);
  if (file_answers.empty()) return std::nullopt;
  auto a = file_answers.front();
  file_answers.pop_front();
  return a;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const FileDialogOptions& options) {
  return SaveFile(options);
}

void ScriptedDialogs::ShowMessage(const std::string& text) { messages.push_back(text); }

int ScriptedDialogs::Ask(const std::string& text, const std::vector<std::string>&) {
  questions.push_back(text);
  if (answers.empty()) return -1;
  int a = answers.front();
  answers.pop_front();
  return a;
}

Harness::Harness(const std::string& program_name, const std::string& settings_dir) {
  ProgramEnv env;
  env.program_path = settings_dir.empty() ? program_name : settings_dir + "/" + program_name;
  env.clock = &clock;
  env.ports = &sim;
  env.dialogs = &dialogs;
  env.read_settings = !settings_dir.empty();
  program = std::make_unique<Program>(env);
}

Harness::~Harness() = default;

void Harness::Start() { program->FormCreate(); }

void Harness::Step(int64_t limit) {
  program->Service();
  sim.unit().Update();
  if (program->port().BytesAvailable() > 0) {
    program->Service();
    return;
  }
  int64_t next = std::min({program->NextTimerDue(), sim.unit().NextEventMs(), limit});
  if (next <= clock.NowMs()) next = clock.NowMs() + 1;
  clock.AdvanceTo(std::min(next, limit));
  sim.unit().Update();
  program->Service();
}

void Harness::RunFor(int64_t ms) {
  int64_t end = clock.NowMs() + ms;
  while (clock.NowMs() < end) Step(end);
  program->Service();
}

int Harness::MonitorCount(const std::string& text) const {
  int n = 0;
  for (const auto& l : program->form.Monitor.lines())
    if (l.find(text) != std::string::npos) ++n;
  return n;
}

void Harness::Click(Button& button) {
  program->Run([&button] {
    if (button.on_click) button.on_click();
  });
}

void Harness::Feed(const std::string& bytes) {
  sim.unit().Inject(bytes);
  // The bytes need their time on the wire (11.52 per millisecond) before the port has them.
  RunFor(static_cast<int64_t>(bytes.size()) * 1000 / SimUnit::kBytesPerSecond + 2);
}

std::vector<std::string> Harness::Commands(size_t from) const {
  std::vector<std::string> out;
  const auto& all = sim.unit().commands();
  for (size_t i = from; i < all.size(); ++i) out.push_back(all[i].line);
  return out;
}

int64_t Harness::CommandTime(const std::string& line, size_t from) const {
  const auto& all = sim.unit().commands();
  for (size_t i = from; i < all.size(); ++i)
    if (all[i].line == line) return all[i].at_ms;
  return -1;
}

}  // namespace vrkt::testing
