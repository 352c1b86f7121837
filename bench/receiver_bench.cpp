// Throughput of the line receiver, the reply dispatcher and the Monitor log together, on a mix
// of replies as a read of the unit and its status polls produce them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench_support.h"

namespace {

using namespace vrkt;

// A port whose far end replays a fixed block of replies as fast as it is read.
class ReplayConnection : public PortConnection {
 public:
  explicit ReplayConnection(const std::string* data) : data_(data) {}
  void Write(std::string_view) override {}
  size_t BytesToWrite() override { return 0; }
  void DiscardOutput() override {}
  size_t BytesAvailable() override { return data_->size() - pos_; }
  size_t Read(char* buffer, size_t max) override {
    size_t n = std::min(max, data_->size() - pos_);
    data_->copy(buffer, n, pos_);
    pos_ += n;
    return n;
  }
  bool Cts() override { return true; }
  void SetDtr(bool) override {}
  void Rewind() { pos_ = 0; }

 private:
  const std::string* data_;
  size_t pos_ = 0;
};

class ReplayProvider : public PortProvider {
 public:
  explicit ReplayProvider(const std::string* data) : data_(data) {}
  std::vector<PortInfo> ListPorts() override { return {{"replay", "replay"}}; }
  std::unique_ptr<PortConnection> Open(const std::string&) override {
    auto c = std::make_unique<ReplayConnection>(data_);
    last = c.get();
    return c;
  }
  ReplayConnection* last = nullptr;

 private:
  const std::string* data_;
};

std::string ReplyMix() {
  std::string block;
  block += "\r\n+COPS: 0,0,\"SIMNET CZ\"\r\n\r\nOK\r\n";
  block += "\r\n+CPBR: (1-250),40,16\r\n\r\nOK\r\n\r\n";
  const char* names[] = {"TEST1", "MASTER1", "MASTER2", "PARVRKT", "PARRL1", "VOLTAGE",
                         "Service desk", "Caretaker", "Reception", "Night shift"};
  for (int i = 1; i <= 40; ++i)
    block += "+CPBR: " + std::to_string(i) + ",\"+4206025551" + std::to_string(10 + i) +
             "\",145,\"" + names[i % 10] + "\"\r\n";
  block += "\r\nOK\r\n";
  for (int i = 0; i < 10; ++i) {
    block += "\r\n+CSQ: 21,0\r\n\r\nOK\r\n\r\n#CBC: 0,385\r\n\r\nOK\r\n\r\n#ADC: 230\r\n\r\nOK\r\n";
    block += "\r\n+CREG: 0,1\r\n";
    block += "\r\n356938035643809\r\n\r\nOK\r\n";
  }
  return block;
}

struct Rig {
  Rig() : provider(&mix) {
    program = std::make_unique<Program>(bench::BenchEnv(clock, provider, dialogs));
    program->FormCreate();
  }
  // Feeds the whole mix through the receiver once; returns the bytes handled.
  size_t Pass() {
    provider.last->Rewind();
    size_t total = 0;
    while (size_t n = program->port().BytesAvailable()) {
      uint16_t count = static_cast<uint16_t>(std::min<size_t>(n, 4096));
      program->ApdComPort1TriggerAvail(count);
      total += count;
    }
    program->form.Monitor.Clear();
    return total;
  }
  std::string mix = ReplyMix();
  VirtualClock clock;
  ReplayProvider provider;
  bench::QuietDialogs dialogs{"replay", false};
  std::unique_ptr<Program> program;
};

void BM_ReceiverDispatcherLog(benchmark::State& state) {
  Rig rig;
  size_t bytes = 0;
  for (auto _ : state) bytes += rig.Pass();
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReceiverDispatcherLog);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // The headline figure: a fixed amount of work, timed on the wall clock.
  Rig rig;
  rig.Pass();  // warm up
  size_t bytes = 0;
  auto start = std::chrono::steady_clock::now();
  double seconds = 0;
  while (seconds < 1.0) {
    for (int i = 0; i < 20; ++i) bytes += rig.Pass();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  double rate = static_cast<double>(bytes) / seconds;
  std::printf("receiver_bytes_per_s: %.0f B/s\n", rate);
  std::printf("receiver_throughput_x_line_rate: %.0f x\n", rate / 11520.0);
  return 0;
}
