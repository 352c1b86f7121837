// A whole window session recorded against a faulty simulated unit and played back from its trace:
// the program must send the same bytes and end in the same window state.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <sstream>

#include "app/program.h"
#include "link/wire_trace.h"
#include "sim/replay_unit.h"
#include "sim/sim_unit.h"
#include "support/harness.h"
#include "support/temp_dir.h"
#include "support/window_state.h"
#include "ui/controls.h"

namespace vrkt {
namespace {

using ::testing::HasSubstr;

// The simulated unit under "sim", recorded traces under "replay:FILE".
class BothProviders : public PortProvider {
 public:
  BothProviders(SimProvider& sim, ReplayProvider& replay) : sim_(sim), replay_(replay) {}
  std::vector<PortInfo> ListPorts() override { return sim_.ListPorts(); }
  std::unique_ptr<PortConnection> Open(const std::string& name) override {
    if (ReplayProvider::IsReplayPort(name)) return replay_.Open(name);
    return sim_.Open(name);
  }

 private:
  SimProvider& sim_;
  ReplayProvider& replay_;
};

struct Outcome {
  std::string trace;
  std::string window;
  std::vector<std::string> messages;
  std::vector<std::string> divergences;
};

std::vector<std::string> Actions(const std::string& trace_text) {
  std::vector<std::string> out;
  for (const TraceEvent& e : ParseTrace(trace_text).events) {
    if (e.kind == TraceEvent::Kind::kOut) out.push_back("> " + EscapeTraceBytes(e.data));
    if (e.kind == TraceEvent::Kind::kDtr) out.push_back("dtr " + e.data);
  }
  return out;
}

// Stop, read, edit, write with its read-back, status, an upload and the PIN, on the port the
// dialog answers with `port`.
Outcome RunSession(const std::string& port, testing::TempDir& dir) {
  VirtualClock clock;
  SimProvider sim(clock);
  SimConfig config;
  config.pin_enabled = true;
  config.pin = "4826";
  sim.unit().Configure(config);
  SimFaults& faults = sim.unit().faults();
  faults.latency_ms = 80;
  faults.line_noise = 0.0003;
  faults.noise_seed = 5;
  faults.error_on = {"AT#CBC"};
  ReplayProvider replay(clock);
  BothProviders both(sim, replay);
  TraceRecorder recorder(clock);
  TracingProvider traced(both, recorder);
  testing::ScriptedDialogs dialogs;
  dialogs.port_answers.push_back(port);
  ProgramEnv env;
  env.program_path = "VRKTset";
  env.clock = &clock;
  env.ports = &traced;
  env.dialogs = &dialogs;
  env.read_settings = false;
  Program program(env);
  Outcome out;
  replay.on_divergence = [&](const std::string& m) {
    out.divergences.push_back(m);
    program.LogNote(m);
  };

  auto run_for = [&](int64_t ms) {
    const int64_t end = clock.NowMs() + ms;
    while (clock.NowMs() < end) {
      program.Service();
      sim.unit().Update();
      if (program.port().BytesAvailable() > 0) continue;
      int64_t next =
          std::min({program.NextTimerDue(), sim.unit().NextEventMs(), replay.NextEventMs(), end});
      clock.AdvanceTo(std::max(next, clock.NowMs() + 1));
    }
    program.Service();
  };
  auto click = [&](Button& b) {
    program.Run([&b] {
      if (b.on_click) b.on_click();
    });
  };
  Form1& f = program.form;
  program.FormCreate();
  run_for(3000);
  click(f.StopGDI);
  run_for(8000);
  click(f.LoadGDI);
  run_for(60000);
  program.Run([&] { f.MASTER5.SetText("+420777000111"); });
  click(f.SaveGDI);
  run_for(120000);
  click(f.signal);
  run_for(10000);
  click(f.ClrList);
  dialogs.file_answers.push_back(dir.File("up.ifo"));
  click(f.LoadList);
  click(f.Send);
  run_for(60000);
  program.Run([&] { f.PIN.SetText("4826"); });
  click(f.UNPIN);
  run_for(20000);
  program.port().Close();
  out.trace = recorder.Text();
  out.window = testing::WindowState(f);
  out.messages = dialogs.messages;
  return out;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST(ReplaySessionTest, AWindowSessionWithFaultsReplaysToTheSameBytesAndWindow) {
  testing::TempDir dir;
  dir.Write("demo.scr", "print 'hello'\n");
  dir.Write("up.ifo", "demo.scr\r\nRUN:demo.scr\r\n");
  Outcome recorded = RunSession("sim", dir);
  // The session did what it says, faults included.
  EXPECT_THAT(recorded.trace, HasSubstr("> AT+CPBW=7,+420777000111,,MASTER5"));
  EXPECT_THAT(recorded.trace, HasSubstr("> AT#WSCRIPT="));
  EXPECT_THAT(recorded.trace, HasSubstr("> AT+CLCK=\"SC\",0,****"));
  EXPECT_THAT(recorded.trace, HasSubstr("< ERROR"));
  EXPECT_EQ(recorded.trace.find("4826"), std::string::npos);
  dir.Write("session.trace", recorded.trace);

  const std::string port = "replay:" + dir.File("session.trace");
  Outcome replayed = RunSession(port, dir);
  EXPECT_THAT(replayed.divergences, ::testing::IsEmpty());
  EXPECT_EQ(Actions(replayed.trace), Actions(recorded.trace));
  EXPECT_EQ(Replace(replayed.window, port, "sim"), recorded.window);
  EXPECT_EQ(replayed.messages, recorded.messages);
}

}  // namespace
}  // namespace vrkt
