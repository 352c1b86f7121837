#include "sim/replay_unit.h"

#include <algorithm>
#include <climits>

#include "base/error.h"
#include "base/file_io.h"

namespace vrkt {

namespace {

constexpr char kReplayPrefix[] = "replay:";
constexpr char kFastSuffix[] = ",fast";

// An action as the report shows it.
std::string ActionText(TraceEvent::Kind kind, std::string_view data) {
  if (kind == TraceEvent::Kind::kDtr) return data == "1" ? "DTR on" : "DTR off";
  return "\"" + EscapeTraceBytes(data) + "\"";
}

}  // namespace

ReplayUnit::ReplayUnit(const Clock& clock, const WireTrace& trace, bool fast)
    : clock_(clock), fast_(fast) {
  // What the unit sent before the program's first action counts from the opening.
  std::vector<Reply> first;
  int64_t action_ms = 0;
  for (const TraceEvent& e : trace.events) {
    switch (e.kind) {
      case TraceEvent::Kind::kOut:
      case TraceEvent::Kind::kDtr:
        steps_.push_back({e.kind, e.data, {}});
        action_ms = e.ms;
        break;
      case TraceEvent::Kind::kIn:
      case TraceEvent::Kind::kCts: {
        Reply r{e.ms - action_ms, e.kind, e.data};
        (steps_.empty() ? first : steps_.back().replies).push_back(std::move(r));
        break;
      }
      default:
        break;  // opening, closing, RTS and notes ask nothing of the unit
    }
  }
  drained_at_ms_ = clock_.NowMs();
  Schedule(first, clock_.NowMs());
}

void ReplayUnit::Schedule(const std::vector<Reply>& replies, int64_t from_ms) {
  for (const Reply& r : replies) {
    // Without the recorded delays an answer still cannot come before its command has left the
    // wire and its own bytes have crossed it.
    int64_t at = fast_ ? std::max(from_ms, drained_at_ms_) + 1 +
                             static_cast<int64_t>(r.data.size()) * 1000 / kBytesPerSecond
                       : from_ms + r.delay_ms;
    // Later actions may release theirs sooner than an earlier one's last: the wire keeps order.
    if (!due_.empty()) at = std::max(at, due_.back().at_ms);
    due_.push_back({at, r.kind, r.data});
  }
}

void ReplayUnit::Act(TraceEvent::Kind kind, std::string_view data) {
  Update();
  if (position_ < steps_.size()) {
    const Step& step = steps_[position_];
    bool same =
        step.kind == kind &&
        (step.data == data || (kind == TraceEvent::Kind::kOut && step.data == MaskPins(data)));
    if (same) {
      if (step.data != data) {
        PinMasker masker;
        secrets_.clear();
        for (char c : data) {
          masker.Feed(c);
          if (masker.last_secret()) secrets_.push_back(c);
        }
      }
      ++position_;
      Schedule(step.replies, clock_.NowMs());
      return;
    }
  }
  if (++mismatches_ > 1) return;
  std::string expected = position_ < steps_.size()
                             ? ActionText(steps_[position_].kind, steps_[position_].data)
                             : std::string("the end of the recording");
  divergence_ = "Replay: the session left the recording at command " +
                std::to_string(position_ + 1) + ": the recording has " + expected +
                ", the program sent " + ActionText(kind, data) + ".";
  if (on_divergence) on_divergence(divergence_);
}

void ReplayUnit::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  drained_at_ms_ = std::max(drained_at_ms_, clock_.NowMs()) +
                   static_cast<int64_t>(bytes.size()) * 1000 / kBytesPerSecond;
  Act(TraceEvent::Kind::kOut, bytes);
}

size_t ReplayUnit::BytesToWrite() {
  int64_t left_ms = drained_at_ms_ - clock_.NowMs();
  return left_ms <= 0 ? 0 : static_cast<size_t>(left_ms * kBytesPerSecond / 1000);
}

void ReplayUnit::DiscardOutput() { drained_at_ms_ = std::min(drained_at_ms_, clock_.NowMs()); }

void ReplayUnit::Update() {
  int64_t now = clock_.NowMs();
  while (!due_.empty() && due_.front().at_ms <= now) {
    Due& d = due_.front();
    if (d.kind == TraceEvent::Kind::kCts)
      cts_ = d.data == "1";
    else
      for (char c : d.data) to_pc_.push_back(Unmask(c));
    due_.pop_front();
  }
}

char ReplayUnit::Unmask(char c) {
  echo_masker_.Feed(c);
  if (c == '\r' || c == '\n') secret_index_ = 0;
  if (!echo_masker_.last_secret() || c != '*' || secret_index_ >= secrets_.size()) return c;
  return secrets_[secret_index_++];
}

int64_t ReplayUnit::NextEventMs() const { return due_.empty() ? INT64_MAX : due_.front().at_ms; }

size_t ReplayUnit::BytesAvailable() {
  Update();
  return to_pc_.size();
}

size_t ReplayUnit::Read(char* buffer, size_t max) {
  Update();
  size_t n = std::min(max, to_pc_.size());
  std::copy(to_pc_.begin(), to_pc_.begin() + static_cast<std::ptrdiff_t>(n), buffer);
  to_pc_.erase(to_pc_.begin(), to_pc_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

bool ReplayUnit::Cts() {
  Update();
  return cts_;
}

void ReplayUnit::SetDtr(bool on) { Act(TraceEvent::Kind::kDtr, on ? "1" : "0"); }

// --- Provider.

namespace {

class ReplayConnection : public PortConnection {
 public:
  explicit ReplayConnection(std::shared_ptr<ReplayUnit> unit) : unit_(std::move(unit)) {}
  void Write(std::string_view bytes) override { unit_->Write(bytes); }
  size_t BytesToWrite() override { return unit_->BytesToWrite(); }
  size_t BytesAvailable() override { return unit_->BytesAvailable(); }
  size_t Read(char* buffer, size_t max) override { return unit_->Read(buffer, max); }
  bool Cts() override { return unit_->Cts(); }
  void SetDtr(bool on) override { unit_->SetDtr(on); }
  void DiscardOutput() override { unit_->DiscardOutput(); }

 private:
  std::shared_ptr<ReplayUnit> unit_;
};

}  // namespace

bool ReplayProvider::IsReplayPort(const std::string& name) {
  return name.rfind(kReplayPrefix, 0) == 0;
}

std::pair<std::string, bool> ReplayProvider::SplitName(const std::string& name) {
  std::string file = IsReplayPort(name) ? name.substr(sizeof(kReplayPrefix) - 1) : name;
  const size_t suffix = sizeof(kFastSuffix) - 1;
  bool fast = file.size() > suffix && file.compare(file.size() - suffix, suffix, kFastSuffix) == 0;
  if (fast) file.resize(file.size() - suffix);
  return {file, fast};
}

WireTrace ReplayProvider::LoadTrace(const std::string& name) {
  const std::string file = SplitName(name).first;
  if (file.empty()) throw AppError("A replay port needs a trace file: replay:FILE.");
  std::string text = ReadFileBytes(file, "Cannot read the trace \"%s\". %s");
  try {
    return ParseTrace(text);
  } catch (const AppError& e) {
    throw AppError("The trace \"" + DisplayPath(file) + "\" cannot be replayed. " + e.what());
  }
}

std::unique_ptr<PortConnection> ReplayProvider::Open(const std::string& name) {
  WireTrace trace = LoadTrace(name);
  unit_ = std::make_shared<ReplayUnit>(clock_, trace, SplitName(name).second);
  unit_->on_divergence = [this](const std::string& message) {
    if (on_divergence) on_divergence(message);
  };
  return std::make_unique<ReplayConnection>(unit_);
}

}  // namespace vrkt
