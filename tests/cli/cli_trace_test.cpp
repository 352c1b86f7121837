// Wire traces on the command line: --trace records a run, --port replay:FILE plays it back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/cli_support.h"
#include "cli/exit_codes.h"
#include "cli/session.h"
#include "support/window_state.h"
#include "link/wire_trace.h"
#include "ui/controls.h"

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// What the program did on the wire: every write and every DTR change, in order.
std::vector<std::string> Actions(const std::string& trace_text) {
  std::vector<std::string> out;
  for (const TraceEvent& e : ParseTrace(trace_text).events) {
    if (e.kind == TraceEvent::Kind::kOut) out.push_back("> " + EscapeTraceBytes(e.data));
    if (e.kind == TraceEvent::Kind::kDtr) out.push_back("dtr " + e.data);
  }
  return out;
}

// The window as the run left it. The command line loads its files through temporary copies
// whose names differ from run to run; the window names them in its title and the Monitor.
std::string WindowState(Form1& form) {
  static const std::regex temporary("vrkt-cli-[0-9]+\\.tmp");
  return std::regex_replace(vrkt::testing::WindowState(form), temporary, "vrkt-cli-N.tmp");
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string LinesWith(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);)
    if (line.find(part) != std::string::npos) out += line + "\n";
  return out;
}

struct TracedRun {
  CliResult result;
  std::string window;
  std::string trace;
};

// One run with --trace; `port` is "sim" (the faulty simulated unit) or a replay port.
TracedRun RunTraced(std::vector<std::string> args, const std::string& port,
                    const std::string& trace, const std::function<void(SimUnit&)>& unit_setup,
                    TempDir& dir) {
  std::vector<std::string> argv = {"VRKTset-cli", "--port", port, "--trace", trace};
  argv.insert(argv.end(), args.begin(), args.end());
  TracedRun run;
  CliHooks hooks;
  hooks.on_sim = [&](SimProvider& p) {
    if (unit_setup) unit_setup(p.unit());
  };
  hooks.on_finish = [&](Session& s) { run.window = WindowState(s.form()); };
  run.result = RunCliForTest(argv, hooks);
  run.trace = dir.Read(std::filesystem::path(trace).filename().string());
  return run;
}

// A slow unit with its PIN request on (PIN 4826) that refuses the supply voltage query; with
// `noisy` its line is noisy as well.
std::function<void(SimUnit&)> FaultyUnit(bool noisy) {
  return [noisy](SimUnit& unit) {
    SimConfig config;
    config.pin_enabled = true;
    config.pin = "4826";
    unit.Configure(config);
    unit.faults().extra_latency_ms = 120;
    unit.faults().error_on = {"AT#ADC"};
    if (noisy) {
      unit.faults().line_noise = 0.0004;
      unit.faults().noise_seed = 7;
    }
  };
}

TEST(CliTraceTest, ARecordedSessionReplaysToTheSameBytesWindowAndExitCode) {
  TempDir dir;
  dir.Write("demo.scr", "print 'hello'\n");
  dir.Write("up.ifo", "demo.scr\r\nRUN:demo.scr\r\n");
  // Stop and read, edit the file, write it with its read-back, status, an upload, the PINs.
  struct Step {
    std::vector<std::string> args;
    bool noisy;
  } steps[] = {
      {{"read", "-o", dir.File("unit.vrk")}, true},
      {{"write", dir.File("edited.vrk")}, false},
      {{"status"}, false},
      {{"send-list", dir.File("up.ifo")}, false},
      {{"pin-change", "4826"}, false},
      {{"unpin", "4826"}, false},
  };
  std::vector<TracedRun> recorded;
  int step = 0;
  for (const Step& s : steps) {
    const std::string trace = dir.File("rec" + std::to_string(step++) + ".trace");
    recorded.push_back(RunTraced(s.args, "sim", trace, FaultyUnit(s.noisy), dir));
    if (step == 1) {
      std::string file = dir.Read("unit.vrk");
      ASSERT_THAT(file, HasSubstr("MASTER5=\r\n"));
      dir.Write("edited.vrk", Replace(file, "MASTER5=\r\n", "MASTER5=+420777000111\r\n"));
    }
  }
  // The faults took effect, and the PINs stayed out of the traces.
  for (int i : {0, 1, 3, 4, 5})
    EXPECT_EQ(recorded[i].result.code, kExitOk) << i << ": " << recorded[i].result.err;
  EXPECT_NE(recorded[2].result.code, kExitOk);
  EXPECT_THAT(recorded[2].trace, HasSubstr("< ERROR"));
  EXPECT_THAT(recorded[4].trace, HasSubstr("> AT+CPWD=\"SC\",****,****\\r\\n"));
  EXPECT_THAT(recorded[5].trace, HasSubstr("> AT+CLCK=\"SC\",0,****\\r\\n"));
  for (const TracedRun& r : recorded) EXPECT_EQ(LinesWith(r.trace, "4826"), "");
  EXPECT_EQ(LinesWith(recorded[4].trace, "7391"), "");

  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i + 1));
    const std::string port = "replay:" + dir.File("rec" + std::to_string(i) + ".trace");
    TracedRun replay = RunTraced(steps[i].args, port,
                                 dir.File("rep" + std::to_string(i) + ".trace"), nullptr, dir);
    EXPECT_EQ(replay.result.code, recorded[i].result.code) << replay.result.err;
    EXPECT_THAT(replay.result.err, Not(HasSubstr("Replay:")));
    EXPECT_EQ(Actions(replay.trace), Actions(recorded[i].trace));
    EXPECT_EQ(Replace(replay.window, port, "sim"), recorded[i].window);
    EXPECT_EQ(Replace(replay.result.out, port, "sim"), recorded[i].result.out);
  }
}

TEST(CliTraceTest, ADivergingReplayIsReportedAtTheFirstDifferingCommand) {
  TempDir dir;
  ASSERT_EQ(RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("a.vrk")}).code,
            kExitOk);
  std::string a = dir.Read("a.vrk");
  dir.Write("b.vrk", Replace(a, "MASTER5=\r\n", "MASTER5=+420777000111\r\n"));
  TracedRun rec_a =
      RunTraced({"write", dir.File("a.vrk")}, "sim", dir.File("a.trace"), nullptr, dir);
  TracedRun rec_b =
      RunTraced({"write", dir.File("b.vrk")}, "sim", dir.File("b.trace"), nullptr, dir);
  ASSERT_EQ(rec_a.result.code, kExitOk);
  std::vector<std::string> actions_a = Actions(rec_a.trace), actions_b = Actions(rec_b.trace);
  size_t first = 0;
  while (first < actions_a.size() && first < actions_b.size() &&
         actions_a[first] == actions_b[first])
    ++first;
  ASSERT_LT(first, actions_a.size());

  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "replay:" + dir.File("a.trace"), "--log",
                               dir.File("replay.mon"), "write", dir.File("b.vrk")});
  EXPECT_NE(r.code, kExitOk);
  const std::string report = "Replay: the session left the recording at command " +
                             std::to_string(first + 1) + ": the recording has \"" +
                             actions_a[first].substr(2) + "\", the program sent \"" +
                             actions_b[first].substr(2) + "\".";
  EXPECT_THAT(r.err, HasSubstr(report));
  EXPECT_THAT(dir.Read("replay.mon"), HasSubstr(report));
}

TEST(CliTraceTest, TraceOptionsAndTheirFailures) {
  TempDir dir;
  // --trace-pin keeps the PINs; without --trace it is a usage error.
  auto pin_on = [](SimUnit& unit) {
    SimConfig config;
    config.pin_enabled = true;
    unit.Configure(config);
  };
  TracedRun kept =
      RunTraced({"--trace-pin", "unpin", "1234"}, "sim", dir.File("pin.trace"), pin_on, dir);
  EXPECT_EQ(kept.result.code, kExitOk) << kept.result.err;
  EXPECT_THAT(kept.trace, HasSubstr("> AT+CLCK=\"SC\",0,1234\\r\\n"));
  EXPECT_THAT(kept.trace, HasSubstr("# pins: recorded"));
  EXPECT_EQ(RunCliForTest({"VRKTset-cli", "--port", "sim", "--trace-pin", "status"}).code,
            kExitUsage);
  // The header names what shaped the traffic.
  TracedRun status =
      RunTraced({"--timeout", "7", "status"}, "sim", dir.File("s.trace"), nullptr, dir);
  for (const char* line : {"# program: VRKTset-cli ", "# variant: vrkt", "# port: sim\n",
                           "# pace-ms: 200\n", "# timeout-s: 7\n", "# flow: RTS/CTS\n",
                           "\n0 open sim\n", "\n0 rts 1\n", " cts 1\n", " dtr 1\n", " close\n"})
    EXPECT_THAT(status.trace, HasSubstr(line));
  // A trace that cannot be saved fails the run; a replay of no trace fails to open the port.
  CliResult unsaved =
      RunCliForTest({"VRKTset-cli", "--port", "sim", "--trace", dir.File("no/such/dir/t"), "run"});
  EXPECT_EQ(unsaved.code, kExitFailure);
  EXPECT_THAT(unsaved.err, HasSubstr("Cannot save the trace"));
  dir.Write("bad.trace", "# VRKT wire trace 1\n0 open sim\n12 > AT\\q\n");
  CliResult bad =
      RunCliForTest({"VRKTset-cli", "--port", "replay:" + dir.File("bad.trace"), "run"});
  EXPECT_EQ(bad.code, kExitPort);
  EXPECT_THAT(bad.err, HasSubstr("Line 3 of the trace: unknown escape \\q."));
  // Help tells about the PINs.
  CliResult help = RunCliForTest({"VRKTset-cli", "--help"});
  EXPECT_THAT(help.out, HasSubstr("--trace-pin"));
  EXPECT_THAT(help.out, HasSubstr("written\n                     as ****"));
}

// Recorded traces kept with the tests, one for each way the simulated unit can be: a change to
// what goes on the wire makes its replay leave the recording and fail here. When such a change
// is meant, record them again and commit them with it:
//   VRKT_REGENERATE_TRACES=1 build/test/tests/cli_tests --gtest_filter='ShippedTracesTest.*'
struct Shipped {
  const char* name;
  std::vector<std::string> args;
  std::function<void(SimUnit&)> setup;
};

std::vector<Shipped> ShippedTraces() {
  return {
      {"plain", {"read", "-o", "unit.vrk"}, nullptr},
      {"module",
       {"status"},
       [](SimUnit& u) {
         SimConfig c;
         c.framing = SimFraming::kModule;
         u.Configure(c);
       }},
      {"slow",
       {"read", "-o", "unit.vrk"},
       [](SimUnit& u) {
         u.faults().latency_ms = 400;
         u.faults().listing_ms_per_byte = 2;
       }},
      {"noisy",
       {"read", "-o", "unit.vrk"},
       [](SimUnit& u) {
         u.faults().line_noise = 0.003;
         u.faults().noise_seed = 3;
       }},
  };
}

std::filesystem::path ShippedTraceDir() {
  return std::filesystem::path(VRKT_TEST_SOURCE_DIR) / "cli" / "traces";
}

TEST(ShippedTracesTest, EveryShippedTraceReplaysWithoutLeavingItsRecording) {
  const bool regenerate = std::getenv("VRKT_REGENERATE_TRACES") != nullptr;
  for (const Shipped& s : ShippedTraces()) {
    SCOPED_TRACE(s.name);
    TempDir dir;
    const std::filesystem::path shipped = ShippedTraceDir() / (std::string(s.name) + ".trace");
    std::vector<std::string> args = s.args;
    for (std::string& a : args)
      if (a == "unit.vrk") a = dir.File("unit.vrk");
    // The file the simulated unit gives today, which the replay must give as well.
    TracedRun live = RunTraced(args, "sim", dir.File("live.trace"), s.setup, dir);
    ASSERT_EQ(live.result.code, kExitOk) << live.result.err;
    const std::string live_file = s.args[0] == "read" ? dir.Read("unit.vrk") : "";
    if (regenerate) {
      std::ofstream(shipped, std::ios::binary) << live.trace;
      continue;
    }
    ASSERT_TRUE(std::filesystem::exists(shipped)) << shipped;
    std::vector<std::string> argv = {"VRKTset-cli", "--port", "replay:" + shipped.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    CliResult r = RunCliForTest(argv);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("Replay:")))
        << "What goes on the wire has changed. If that is meant, regenerate the shipped traces "
           "(see the comment above this test).";
    if (!live_file.empty()) {
      EXPECT_EQ(dir.Read("unit.vrk"), live_file);
    }
  }
}

}  // namespace
}  // namespace vrkt::cli::testing
