#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/serial_port.h"
#include "link/wire_trace.h"

namespace vrkt {

// A recorded unit played back: it answers every command the way the recorded unit answered the
// same command at the same point of the recording. The program's actions (each write and each
// DTR change) are matched in order against the recording's, by their bytes (a masked PIN
// matches any PIN); a match releases what the unit sent after it, at the recorded delays or at
// once (`fast`). An action the recording does not hold at that point gets no answer, and the
// first such action is reported with its number, the recorded text and the actual one.
// Works lazily on the program's clock, like the simulated unit.
class ReplayUnit {
 public:
  static constexpr int64_t kBytesPerSecond = kLineBytesPerSecond;

  ReplayUnit(const Clock& clock, const WireTrace& trace, bool fast);

  // --- The wire, as the PC's port sees it.
  void Write(std::string_view bytes);
  size_t BytesToWrite();
  void DiscardOutput();
  size_t BytesAvailable();
  size_t Read(char* buffer, size_t max);
  bool Cts();
  void SetDtr(bool on);

  // Releases what has fallen due.
  void Update();
  // When the next recorded event falls due; INT64_MAX when none waits.
  int64_t NextEventMs() const;

  // Called once, for the first action that left the recording.
  std::function<void(const std::string& message)> on_divergence;

  // How many of the recording's actions the session has matched, and how many there are.
  size_t matched() const { return position_; }
  size_t actions() const { return steps_.size(); }
  // The report of the first divergence; empty while the session follows the recording.
  const std::string& divergence() const { return divergence_; }
  // Actions that found no match (the first of them is the divergence).
  int mismatches() const { return mismatches_; }

 private:
  struct Reply {
    int64_t delay_ms;  // after the action, or after the port opened for the first replies
    TraceEvent::Kind kind;
    std::string data;
  };
  struct Step {
    TraceEvent::Kind kind;  // kOut or kDtr
    std::string data;
    std::vector<Reply> replies;
  };
  struct Due {
    int64_t at_ms;
    TraceEvent::Kind kind;
    std::string data;
  };

  void Act(TraceEvent::Kind kind, std::string_view data);
  // A byte the unit sends: a masked PIN in its echo becomes the PIN the program sent.
  char Unmask(char c);
  void Schedule(const std::vector<Reply>& replies, int64_t from_ms);

  const Clock& clock_;
  bool fast_;
  std::vector<Step> steps_;
  size_t position_ = 0;
  std::deque<Due> due_;
  std::deque<char> to_pc_;
  bool cts_ = true;
  int64_t drained_at_ms_ = 0;  // when the bytes written so far are all on the wire
  std::string secrets_;        // the secret bytes of the last PIN command, in order
  PinMasker echo_masker_;
  size_t secret_index_ = 0;
  std::string divergence_;
  int mismatches_ = 0;
};

// Opens "replay:FILE" (or "replay:FILE,fast") as a recorded unit. Every opening starts the
// recording from its beginning.
class ReplayProvider : public PortProvider {
 public:
  explicit ReplayProvider(const Clock& clock) : clock_(clock) {}

  static bool IsReplayPort(const std::string& name);
  // The trace file and the fast flag of a replay port's name.
  static std::pair<std::string, bool> SplitName(const std::string& name);
  // Reads and checks the trace of a replay port; throws AppError naming the file and the fault.
  static WireTrace LoadTrace(const std::string& name);

  // Replay ports are not listed: the port dialog offers them by a button of their own.
  std::vector<PortInfo> ListPorts() override { return {}; }
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

  // The playback of the last opening; null before the first.
  ReplayUnit* unit() { return unit_.get(); }
  int64_t NextEventMs() const { return unit_ ? unit_->NextEventMs() : INT64_MAX; }
  // Handed to every playback (see ReplayUnit::on_divergence).
  std::function<void(const std::string& message)> on_divergence;

 private:
  const Clock& clock_;
  std::shared_ptr<ReplayUnit> unit_;
};

}  // namespace vrkt
