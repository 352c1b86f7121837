// Upload of a 1 MiB file to the simulated unit, whose wire drains at the real line rate. Counts
// only the data phase: from the first data byte handed to the port to the last byte taken by
// the unit. The protocol's fixed pauses (before the data, between steps) are reported apart.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vrkt;
using bench::BenchEnv;
using bench::QuietDialogs;
using bench::WaitForNextEvent;

// Notes when the data is released: the prompt has come and the pause before the data begins.
class ReleaseWatch : public FormObserver {
 public:
  ReleaseWatch(Form1& f, const VirtualClock& c) : f_(f), c_(c) { f.AddObserver(this); }
  ~ReleaseWatch() override { f_.RemoveObserver(this); }
  void ControlChanged(Control& control, Aspect a) override {
    if (&control == &f_.Monitor && a == Aspect::kItems &&
        f_.Monitor.lines().back() == "send buffer") {
      release_ms = c_.NowMs();
      paused_at_release_ms = c_.paused_ms();
    }
  }
  int64_t release_ms = -1;
  int64_t paused_at_release_ms = 0;

 private:
  Form1& f_;
  const VirtualClock& c_;
};

struct UploadResult {
  int64_t data_ms = 0;
  int64_t run_ms = 0;
  int64_t fixed_pause_ms = 0;
  bool complete = false;
};

UploadResult UploadOnce(const std::string& name, const std::string& data) {
  VirtualClock clock;
  QuietDialogs dialogs;
  SimProvider sim(clock);
  // The loader runs on a stopped unit (its Send button is offered only then): the module, not
  // the application, has the line.
  SimConfig config;
  config.app_running_at_start = false;
  sim.unit().Configure(config);
  Program program(BenchEnv(clock, sim, dialogs));
  program.FormCreate();

  auto step = [&](int64_t limit) {
    program.Service();
    sim.unit().Update();
    if (program.port().BytesAvailable() == 0)
      WaitForNextEvent(program, sim.unit(), clock, &clock, limit);
  };
  for (int64_t end = clock.NowMs() + 1000; clock.NowMs() < end;) step(end);

  ReleaseWatch watch(program.form, clock);
  program.form.List.SetLines({name});
  int64_t paused_before = clock.paused_ms();
  int64_t t0 = clock.NowMs();
  program.Run([&] { program.form.Send.on_click(); });
  UploadResult r;
  int64_t received_ms = -1;
  int64_t paused_at_received = 0;
  const int64_t limit = t0 + 600000;
  while (program.loader.running() && clock.NowMs() < limit) {
    step(limit);
    if (received_ms < 0 && sim.unit().scripts().count(name)) {
      received_ms = clock.NowMs();
      paused_at_received = clock.paused_ms();
    }
  }
  r.complete = received_ms >= 0 && watch.release_ms >= 0 && sim.unit().scripts().at(name) == data &&
               dialogs.messages == 0;
  // The pause after the prompt belongs to the protocol, not to the data; the drain waits after
  // it are the data's own time.
  r.data_ms = received_ms - (watch.release_ms + 500);
  r.run_ms = clock.NowMs() - t0;
  r.fixed_pause_ms =
      (watch.paused_at_release_ms - paused_before) + 500 + (clock.paused_ms() - paused_at_received);
  return r;
}

std::string MakeFile(const fs::path& dir, const std::string& name, size_t size) {
  std::mt19937 rng(7);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(rng() & 0xFF);
  std::ofstream(dir / name, std::ios::binary) << data;
  return data;
}

// Wall time of one simulated run; the file is in the working directory (see main).
void BM_Upload1MiB(benchmark::State& state) {
  std::ifstream in("big.scr", std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  UploadResult r;
  for (auto _ : state) r = UploadOnce("big.scr", data);
  state.counters["virtual_data_s"] = static_cast<double>(r.data_ms) / 1000.0;
}
BENCHMARK(BM_Upload1MiB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  fs::path old = fs::current_path();
  fs::path dir = fs::temp_directory_path() / "vrkt_upload_bench";
  fs::create_directories(dir);
  fs::current_path(dir);
  const size_t size = 1 << 20;
  const std::string data = MakeFile(dir, "big.scr", size);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  UploadResult r = UploadOnce("big.scr", data);

  fs::current_path(old);
  std::error_code ec;
  fs::remove_all(dir, ec);
  if (!r.complete) {
    std::printf("upload_1mib_complete: 0 (the unit did not receive the file intact)\n");
    return 1;
  }
  double line_ms =
      static_cast<double>(size) * 1000.0 / static_cast<double>(SimUnit::kBytesPerSecond);
  std::printf("upload_1mib_data_phase_s: %.3f s\n", static_cast<double>(r.data_ms) / 1000.0);
  std::printf("upload_1mib_line_time_s: %.3f s\n", line_ms / 1000.0);
  std::printf("upload_1mib_fixed_pauses_ms: %lld ms\n", static_cast<long long>(r.fixed_pause_ms));
  std::printf("upload_1mib_whole_run_s: %.3f s\n", static_cast<double>(r.run_ms) / 1000.0);
  std::printf("upload_1mib_pct_of_line_rate: %.1f %%\n",
              100.0 * line_ms / static_cast<double>(r.data_ms));
  return 0;
}
