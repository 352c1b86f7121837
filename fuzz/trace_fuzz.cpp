// The wire trace reader: any bytes as a trace file. What it reads must write back to a trace that
// reads the same, and a recorded unit played back with the recording's own actions must follow
// the recording to its end and hand over every byte the unit sent, in order.
//
// Input: mode byte (bit 0: fast replay), then the trace file's bytes.
#include <climits>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "fuzz_support.h"
#include "link/wire_trace.h"
#include "sim/replay_unit.h"

namespace {

bool SameTrace(const vrkt::WireTrace& a, const vrkt::WireTrace& b) {
  if (a.header != b.header || a.events.size() != b.events.size()) return false;
  for (size_t i = 0; i < a.events.size(); ++i) {
    const auto &x = a.events[i], &y = b.events[i];
    if (x.ms != y.ms || x.kind != y.kind || x.data != y.data) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  Input in(data, size);
  const bool fast = in.Byte() & 1;
  const std::string text = in.Rest();
  WireTrace trace;
  try {
    trace = ParseTrace(text);
  } catch (const AppError&) {
    return 0;  // refused with a message: fine
  }
  const std::string written = FormatTrace(trace);
  WireTrace again;
  try {
    again = ParseTrace(written);
  } catch (const AppError& e) {
    FUZZ_CHECK(false, std::string("a written trace does not read back: ") + e.what());
  }
  FUZZ_CHECK(SameTrace(trace, again),
             "a trace changed on its way through the file: " + Quoted(written));
  for (char c : written)
    FUZZ_CHECK(c == '\n' || (c >= 0x20 && c < 0x7F), "a written trace is not plain ASCII");

  VirtualClock clock;
  ReplayUnit unit(clock, trace, fast);
  std::string expected, got;
  auto drain = [&] {
    clock.AdvanceTo(std::max<int64_t>(
        clock.NowMs(), unit.NextEventMs() == INT64_MAX ? clock.NowMs() : unit.NextEventMs()));
    char buffer[256];
    while (size_t n = unit.Read(buffer, sizeof buffer)) got.append(buffer, n);
  };
  for (const TraceEvent& e : trace.events) {
    if (e.kind == TraceEvent::Kind::kIn) expected += e.data;
    if (e.kind == TraceEvent::Kind::kOut) unit.Write(e.data);
    if (e.kind == TraceEvent::Kind::kDtr) unit.SetDtr(e.data == "1");
    drain();
  }
  for (int i = 0; i < 64 && unit.NextEventMs() != INT64_MAX; ++i) drain();
  FUZZ_CHECK(unit.divergence().empty(),
             "the recording's own actions left it: " + unit.divergence());
  FUZZ_CHECK(unit.matched() == unit.actions(), "the replay did not reach the recording's end");
  FUZZ_CHECK(got == expected, "the replay handed over other bytes: " + Quoted(got) +
                                  "\n  recorded: " + Quoted(expected));
  // One action more than the recording holds is reported, never answered.
  unit.Write("AT\r\n");
  drain();
  FUZZ_CHECK(!unit.divergence().empty(), "an action past the recording's end went unreported");
  FUZZ_CHECK(got == expected, "an action past the recording's end was answered");
  return 0;
}
