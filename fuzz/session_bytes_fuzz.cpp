// Bytes from the unit, driven through the whole program in virtual time: while the window reads
// the unit, writes it, polls it or uploads to it, fuzzer bytes come down the line in chunks at
// fuzzer-chosen times, on top of the simulated unit's own answers or instead of them, and the user
// presses what the window offers. Left alone afterwards, the program must come to rest, every
// command it sent must be one it may send, and what the unit stored must be the files uploaded.
//
// Input: scenario, variant, unit byte (bit 0: the unit answers; bit 1: real-module framing), loader
// list, then records: a byte below 200 is a chunk (delay (byte % 50) * 40 ms, a length byte, the
// bytes; from 100 on the bytes are a line, framed as "\r\n" line "\r\n" the way modules send
// them); 200..207 presses Stop, Run, Load, Save, Send, signal, UNPIN, Cancel; above that, a wait
// of (byte - 207) seconds.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "link/receiver.h"
#include "random/session.h"
#include "support/harness.h"
#include "support/session_checks.h"
#include "support/wire_checks.h"
#include "unit/transfer.h"

namespace vrkt::fuzz {
namespace {

enum Scenario { kReadAfterStop, kLoad, kWrite, kPolls, kUpload, kScenarios };

// Longer than any wait or deadline of the program (the wait after Stop counts to 250 s).
constexpr int64_t kDrainLimitMs = 10 * 60 * 1000;

void StopAndRead(testing::Harness& h) {
  Form1& f = h.form();
  h.Click(f.StopGDI);
  h.RunUntil(
      [&] {
        return f.RunGDI.visible() && h.program->op.SimCapacity > 0 &&
               testing::StillBusy(*h.program).empty();
      },
      30000);
}

void Press(testing::Harness& h, int which) {
  Form1& f = h.form();
  Button* buttons[] = {&f.StopGDI, &f.RunGDI, &f.LoadGDI, &f.SaveGDI,
                       &f.Send,    &f.signal, &f.UNPIN,   &f.CancelSend};
  Button& b = *buttons[which];
  if (&b == &f.UNPIN) h.program->Run([&] { f.PIN.SetText(testing::kSimPin); });
  if (testing::UserCanReach(f, b)) h.Click(b);
}

}  // namespace
}  // namespace vrkt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  const testing::SessionFiles& files = WorkFolder();
  Input in(data, size);
  const int scenario = in.Byte() % kScenarios;
  const uint8_t variant = in.Byte();
  const uint8_t unit_byte = in.Byte();
  const std::string list = files.loader_lists[in.Byte() % files.loader_lists.size()];

  testing::Harness h(ProgramName(variant));
  SimConfig config;
  config.family = variant % 3 == 1 ? SimFamily::kDvg : SimFamily::kVrkt;
  config.is4g = variant % 3 == 2;
  config.capacity = 12;
  config.framing = unit_byte & 2 ? SimFraming::kModule : SimFraming::kPlain;
  h.unit().Configure(config);
  h.Start();
  h.RunFor(500);
  Form1& f = h.form();
  h.dialogs.file_answers.push_back(list);
  h.Click(f.LoadList);
  if (scenario != kReadAfterStop) StopAndRead(h);
  if (!(unit_byte & 1)) h.unit().faults().silent = true;
  switch (scenario) {
    case kReadAfterStop:
      Press(h, 0);
      break;
    case kLoad:
      Press(h, 2);
      break;
    case kWrite:
      Press(h, 3);
      break;
    case kUpload:
      Press(h, 4);
      break;
    default:
      break;
  }

  while (!in.empty()) {
    const uint8_t op = in.Byte();
    if (op < 200) {
      const int delay = op % 50 * 40;
      std::string bytes = in.Take(in.Byte() % 64 + 1);
      if (op >= 100) bytes = "\r\n" + bytes + "\r\n";
      h.unit().Inject(bytes, h.clock.NowMs() + delay);
      h.RunFor(delay + static_cast<int64_t>(bytes.size()) * 1000 / SimUnit::kBytesPerSecond + 2);
    } else if (op < 208) {
      Press(h, op - 200);
    } else {
      h.RunFor((op - 207) * 1000);
    }
  }

  const bool quiet =
      h.RunUntil([&] { return testing::StillBusy(*h.program).empty(); }, kDrainLimitMs);
  FUZZ_CHECK(quiet,
             "left alone for 10 minutes, the program still has: " + testing::StillBusy(*h.program));
  FUZZ_CHECK(
      h.program->receiver.partial_line().size() <= LineReceiver::kMaxLineLength,
      std::to_string(h.program->receiver.partial_line().size()) + " bytes collected for one line");
  const std::string stored = testing::StoredFilesDifference(h.unit(), ".");
  FUZZ_CHECK(stored.empty(), stored);
  // File data that a prompt from the input released while the unit was not taking data reads as
  // lines to it; those are the file's bytes, not commands.
  for (const SimExchange& e : h.unit().transcript()) {
    if (e.line.rfind("AT", 0) != 0) continue;
    const std::string why = testing::CheckCommandLine(e.line, files.free_commands);
    FUZZ_CHECK(why.empty(), "the program sent " + Quoted(e.line) + ": " + why);
  }
  return 0;
}
