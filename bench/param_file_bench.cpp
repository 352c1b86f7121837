// Loading parameter files into the window model: a file of 100,000 phone book rows after the
// key lines, and a file with a few lines of several megabytes. Prints the headline figure
// "param_file_load_100k_rows_ms: T ms" (median of the timed runs) for scripts/bench.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "base/clock.h"
#include "bench_support.h"
#include "files/param_file.h"
#include "sim/sim_unit.h"

namespace {

using namespace vrkt;

// A program with its window model and field rules, not connected to any port.
struct Window {
  Window() {
    program = std::make_unique<Program>(bench::BenchEnv(clock, sim, dialogs));
    program->FormCreate();
  }
  VirtualClock clock;
  bench::QuietDialogs dialogs{"", false};
  SimProvider sim{clock};
  std::unique_ptr<Program> program;
};

std::string FileWithRows(int rows) {
  std::string text =
      "MASTER1=603111222\r\nMASTER2=\r\nMASTER3=\r\nMASTER4=\r\nMASTER5=\r\nMASTER6=\r\n"
      "MASTER7=\r\nTEST1=604333444\r\nTEST2=\r\nTEST3=\r\nTEST4=\r\nTEST5=\r\nTEST6=\r\n"
      "TEST7=\r\nTEST8=\r\nPORTCLOSE=\r\nPORTOPEN=\r\nPARAMVRKT=4#4#3#9#3#5#30#3#2#0\r\n"
      "PARAMRL1=5#0#03#1\r\nVOLTAGE=11*5\r\n";
  for (int i = 0; i < rows; ++i)
    text += "Person " + std::to_string(i) + "=+420" + std::to_string(600000000 + i) + "\r\n";
  return text;
}

std::string FileWithLongLines() {
  std::string text = FileWithRows(0);
  std::string digits(4 << 20, '5');
  text += "MASTER1=" + digits + "\r\n" + digits + "\r\nname=" + digits + "\r\n";
  return text;
}

void BM_LoadRows(benchmark::State& state) {
  Window w;
  std::string file = FileWithRows(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    LoadParameterText(w.program->parameters, file);
    benchmark::DoNotOptimize(w.program->form.PhoneBook1.rows().data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadRows)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadLongLines(benchmark::State& state) {
  Window w;
  std::string file = FileWithLongLines();
  for (auto _ : state) LoadParameterText(w.program->parameters, file);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_LoadLongLines)->Unit(benchmark::kMillisecond);

void BM_SaveRows(benchmark::State& state) {
  Window w;
  LoadParameterText(w.program->parameters, FileWithRows(100000));
  for (auto _ : state) benchmark::DoNotOptimize(BuildParameterFile(w.program->parameters));
}
BENCHMARK(BM_SaveRows)->Unit(benchmark::kMillisecond);

// The headline: the median wall time of loading the 100,000-row file into a window.
double MedianLoadMs() {
  Window w;
  std::string file = FileWithRows(100000);
  std::vector<double> ms;
  for (int i = 0; i < 9; ++i) {
    auto start = std::chrono::steady_clock::now();
    LoadParameterText(w.program->parameters, file);
    auto end = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("param_file_load_100k_rows_ms: %.1f ms\n", MedianLoadMs());
  return 0;
}
