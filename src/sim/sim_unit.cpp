#include "sim/sim_unit.h"

#include <algorithm>
#include <climits>

#include "base/error.h"

namespace vrkt {

namespace {
int64_t CeilMs(int64_t us) { return (us + 999) / 1000; }
}  // namespace

SimUnit::SimUnit(const Clock& clock) : clock_(clock) { Configure(SimConfig{}); }
SimUnit::~SimUnit() = default;

void SimUnit::Configure(const SimConfig& config) {
  config_ = config;
  faults_ = SimFaults{};
  listings_ = 0;
  rng_.seed(config.seed);
  noise_seed_used_ = -1;
  card_.Reset(config.capacity, static_cast<size_t>(std::max(1, config.number_length)),
              static_cast<size_t>(std::max(1, config.name_length)));
  if (config.prefill) card_.Prefill(config.family, config.version);
  card_.pin_enabled = config.pin_enabled;
  card_.pin = config.pin;
  card_.pin_entered = config.pin_entered || !config.pin_enabled;
  card_.pin_attempts_left = 3;
  wire_.clear();
  wire_pos_ = 0;
  burst_start_us_ = NowUs();
  burst_bytes_ = 0;
  bytes_taken_ = 0;
  cts_ = true;
  line_lost_ = false;
  out_.clear();
  tx_free_us_ = 0;
  to_pc_.clear();
  line_.clear();
  echo_ = config.echo;
  data_ = Data::kNone;
  data_buf_.clear();
  data_left_ = 0;
  busy_until_us_ = 0;
  sim_storing_until_us_ = 0;
  listings_answered_ = 0;
  scripts_.clear();
  files_.clear();
  run_script_.clear();
  commands_.clear();
  transcript_.clear();
  current_exchange_ = -1;
  line_first_us_ = -1;
  answer_free_us_ = 0;
  answer_head_us_ = 0;
  app_running_ = config.app_running_at_start;
  app_line_.clear();
  app_took_.clear();
  stop_due_us_ = -1;
  app_start_due_us_ = -1;
}

int SimUnit::Random(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + static_cast<int>(rng_() % static_cast<uint32_t>(hi - lo + 1));
}

void SimUnit::Write(std::string_view bytes) {
  Update();
  if (wire_pos_ >= wire_.size()) {
    // An idle line: the new burst starts now, or when the last byte has left.
    wire_.clear();
    wire_pos_ = 0;
    burst_start_us_ = std::max(NowUs(), burst_start_us_ + WireUs(burst_bytes_));
    burst_bytes_ = 0;
  }
  wire_.append(bytes);
}

void SimUnit::DiscardInput() {
  Update();
  wire_.resize(wire_pos_);
}

size_t SimUnit::BytesToWrite() {
  Update();
  return wire_.size() - wire_pos_;
}

size_t SimUnit::BytesAvailable() {
  Update();
  return to_pc_.size();
}

size_t SimUnit::Read(char* buffer, size_t max) {
  if (to_pc_.size() < max) Update();
  size_t n = 0;
  while (n < max && !to_pc_.empty()) {
    buffer[n++] = to_pc_.front();
    to_pc_.pop_front();
  }
  return n;
}

bool SimUnit::Cts() {
  Update();
  return cts_;
}

void SimUnit::SetCts(bool on) {
  Update();
  if (on && !cts_) {
    // Held bytes start to flow again from now.
    burst_start_us_ = NowUs();
    burst_bytes_ = 0;
  }
  cts_ = on;
}

void SimUnit::SetDtr(bool on) {
  Update();
  if (dtr_ == on) return;
  dtr_ = on;
  int64_t now = NowUs();
  if (on) {
    if (app_running_ && stop_due_us_ < 0) ScheduleStop(now);
  } else {
    stop_due_us_ = -1;
    if (!app_running_ && config_.is4g && app_start_due_us_ < 0) app_start_due_us_ = now + 2000000;
  }
}

void SimUnit::ScheduleStop(int64_t at_us) {
  if (faults_.never_stop) return;
  stop_due_us_ = at_us + int64_t{Random(1500, 3000)} * 1000;
}

void SimUnit::Update() {
  const int64_t now = NowUs();
  if (line_lost_) return;
  while (wire_pos_ < wire_.size() && cts_) {
    int64_t t = burst_start_us_ + WireUs(burst_bytes_ + 1);
    if (t > now) break;
    ++burst_bytes_;
    char c = wire_[wire_pos_++];
    ++bytes_taken_;
    RunDueEvents(t);
    TakeByte(c, t);
    if (faults_.cts_lost_after_bytes >= 0 && bytes_taken_ >= faults_.cts_lost_after_bytes) {
      faults_.cts_lost_after_bytes = -1;
      cts_ = false;
    }
    if (faults_.line_lost_after_bytes >= 0 && bytes_taken_ >= faults_.line_lost_after_bytes) {
      faults_.line_lost_after_bytes = -1;
      // What the unit had still to send is lost with the line.
      line_lost_ = true;
      out_.clear();
      wire_.clear();
      wire_pos_ = 0;
      return;
    }
  }
  if (wire_pos_ > 65536) {
    wire_.erase(0, wire_pos_);
    wire_pos_ = 0;
  }
  RunDueEvents(now);
  // The line carries one chunk at a time, in the order they were meant to start.
  while (!out_.empty()) {
    int64_t due = std::max(out_.front().at_us, tx_free_us_) +
                  WireUs(static_cast<int64_t>(out_.front().bytes.size()));
    if (due > now) break;
    tx_free_us_ = due;
    to_pc_.insert(to_pc_.end(), out_.front().bytes.begin(), out_.front().bytes.end());
    if (int a = out_.front().answers; a >= 0 && a < static_cast<int>(transcript_.size()))
      transcript_[static_cast<size_t>(a)].answered_us = due;
    out_.pop_front();
  }
}

void SimUnit::RunDueEvents(int64_t t) {
  if (stop_due_us_ >= 0 && stop_due_us_ <= t) {
    int64_t at = stop_due_us_;
    stop_due_us_ = -1;
    app_running_ = false;
    Emit(config_.is4g ? "\r\n#APLAYEV: 0\r\n" : "\r\nSTOP\r\n", at);
  }
  if (app_start_due_us_ >= 0 && app_start_due_us_ <= t) {
    int64_t at = app_start_due_us_;
    app_start_due_us_ = -1;
    app_running_ = true;
    // The application takes the line from the module: an upload whose data had not all come is
    // abandoned.
    DropPendingInput();
    // Started with DTR on, the application stops again at once.
    if (dtr_) ScheduleStop(at);
  }
}

int64_t SimUnit::NextEventMs() const {
  int64_t next = INT64_MAX;
  if (!out_.empty())
    next = CeilMs(std::max(out_.front().at_us, tx_free_us_) +
                  WireUs(static_cast<int64_t>(out_.front().bytes.size())));
  if (stop_due_us_ >= 0) next = std::min(next, CeilMs(stop_due_us_));
  if (app_start_due_us_ >= 0) next = std::min(next, CeilMs(app_start_due_us_));
  if (wire_pos_ < wire_.size() && cts_) {
    // The next byte that makes the module act: a line end, or the last byte of a data block.
    size_t idx;
    if (data_ != Data::kNone) {
      idx = wire_pos_ + std::min(data_left_, wire_.size() - wire_pos_) - 1;
    } else {
      idx = wire_.find('\r', wire_pos_);
      if (idx == std::string::npos) idx = wire_.size() - 1;
    }
    int64_t t = burst_start_us_ + WireUs(burst_bytes_ + static_cast<int64_t>(idx - wire_pos_) + 1);
    next = std::min(next, CeilMs(t));
  }
  return next;
}

void SimUnit::Inject(std::string bytes, int64_t at_ms) {
  Update();
  Emit(std::move(bytes), at_ms < 0 ? NowUs() : at_ms * 1000, /*raw=*/true);
}

std::string SimUnit::AddNoise(std::string bytes) {
  if (faults_.line_noise <= 0) return bytes;
  if (noise_seed_used_ != static_cast<int64_t>(faults_.noise_seed)) {
    noise_seed_used_ = faults_.noise_seed;
    noise_rng_.seed(faults_.noise_seed);
  }
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32 + 1);
  for (char c : bytes) {
    if (chance(noise_rng_) < faults_.line_noise) {
      int b = static_cast<int>(noise_rng_() % 2) ? 128 + static_cast<int>(noise_rng_() % 128)
                                                  : 1 + static_cast<int>(noise_rng_() % 31);
      if (b == 13) b = 14;  // noise is never a line end of its own
      out.push_back(static_cast<char>(b));
    }
    out.push_back(c);
  }
  return out;
}

int64_t SimUnit::Emit(std::string bytes, int64_t at_us, bool raw, int answers) {
  if (!raw) {
    if (faults_.silent) return at_us;
    if (faults_.noise_rate > 0 &&
        static_cast<double>(rng_() % 1000000) / 1000000.0 < faults_.noise_rate) {
      std::string junk;
      int n = Random(1, 6);
      for (int i = 0; i < n; ++i) {
        int b = Random(0, 1) ? Random(128, 255) : Random(1, 31);
        if (b == 13) b = 7;  // junk never ends a line by itself
        junk.push_back(static_cast<char>(b));
      }
      bytes.insert(0, junk);
    }
    bytes = AddNoise(std::move(bytes));
  }
  // Nothing cuts into an answer that goes out in pieces: a report or an echo waits for its end.
  const bool part_of_answer = answers != kNotAnAnswer;
  if (!part_of_answer && at_us >= answer_head_us_ && at_us < answer_free_us_)
    at_us = answer_free_us_;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t n = bytes.size() - pos;
    if (faults_.split_replies && !raw) {
      n = std::min(n, static_cast<size_t>(Random(1, 8)));
      at_us += int64_t{Random(0, 30)} * 1000;
    }
    // Kept in order of start time; equal times keep the order they were made in.
    auto it = std::upper_bound(out_.begin(), out_.end(), at_us,
                               [](int64_t t, const Chunk& c) { return t < c.at_us; });
    const bool last = pos + n >= bytes.size();
    out_.insert(it, Chunk{at_us, bytes.substr(pos, n), last && answers >= 0 ? answers : -1});
    pos += n;
  }
  return at_us;
}

std::string SimUnit::CmeError(int code) const {
  if (config_.plain_errors) return "ERROR";
  if (config_.framing == SimFraming::kPlain) return "+CME ERROR: " + std::to_string(code);
  switch (code) {
    case 3: return "+CME ERROR: operation not allowed";
    case 4: return "+CME ERROR: operation not supported";
    case 10: return "+CME ERROR: SIM not inserted";
    case 11: return "+CME ERROR: SIM PIN required";
    case 12: return "+CME ERROR: SIM PUK required";
    case 16: return "+CME ERROR: incorrect password";
    case 21: return "+CME ERROR: invalid index";
    case 22: return "+CME ERROR: not found";
    case 24: return "+CME ERROR: text string too long";
    case 26: return "+CME ERROR: dial string too long";
    case 27: return "+CME ERROR: invalid characters in dial string";
    default: return "+CME ERROR: unknown";
  }
}

void SimUnit::Reply(int64_t t_us, int latency_ms, const std::vector<std::string>& info,
                    const std::string& final_text, int ms_per_byte) {
  const bool framed = config_.framing == SimFraming::kModule;
  std::vector<std::string> pieces;
  for (size_t i = 0; i < info.size(); ++i)
    pieces.push_back((framed || i == 0 ? "\r\n" : "") + info[i] + "\r\n");
  // A final result that carries its own carriage return ends with a noise byte before its LF.
  const size_t cr = final_text.find('\r');
  pieces.push_back("\r\n" + final_text + (cr == std::string::npos ? "\r\n" : "\n"));
  const int64_t delay_ms =
      std::max(latency_ms, faults_.latency_ms) + faults_.extra_latency_ms + Random(0, 5);
  // A module works through one command at a time: this answer follows the last one.
  int64_t at = std::max(t_us, answer_free_us_) + delay_ms * 1000;
  const int64_t head = at;
  const int exchange = current_exchange_;
  current_exchange_ = -1;
  if (exchange >= 0) transcript_[static_cast<size_t>(exchange)].final_result = final_text.substr(0, cr);
  if (ms_per_byte <= 0 && pieces.size() > 1) {
    std::string all;
    for (const std::string& p : pieces) all += p;
    pieces.assign(1, std::move(all));
  }
  for (size_t i = 0; i < pieces.size(); ++i) {
    const bool last = i + 1 == pieces.size();
    const int64_t size = static_cast<int64_t>(pieces[i].size());
    int64_t started = Emit(std::move(pieces[i]), at, false, last ? exchange : kAnswerPiece);
    at = std::max(at, started);
    if (ms_per_byte > 0) at += size * ms_per_byte * 1000;
  }
  answer_head_us_ = head;
  answer_free_us_ = std::max(at, answer_free_us_);
}

void SimUnit::BeginExchange(std::string line, int64_t first_us, int64_t last_us) {
  transcript_.push_back(SimExchange{std::move(line), first_us, last_us, -1, {}});
  current_exchange_ = static_cast<int>(transcript_.size()) - 1;
}

void SimUnit::TakeByte(char c, int64_t t_us) {
  if (t_us < busy_until_us_) return;  // rebooting: the bytes are lost
  if (app_running_ && !config_.module_answers_while_app_runs) {
    // The application owns the line: what comes is its, and it answers nothing.
    if (c == '\r') {
      if (!app_line_.empty()) app_took_.push_back({t_us / 1000, app_line_});
      app_line_.clear();
    } else if (c != '\n' && app_line_.size() < 1024) {
      app_line_.push_back(c);
    }
    return;
  }
  if (data_ != Data::kNone && t_us >= data_from_us_) {
    if (data_buf_.empty())
      transcript_.push_back(
          SimExchange{"<data " + std::to_string(data_left_) + " bytes>", t_us, t_us, -1, {}});
    data_buf_.push_back(c);
    transcript_.back().last_byte_us = t_us;
    if (--data_left_ == 0) {
      current_exchange_ = static_cast<int>(transcript_.size()) - 1;
      FinishData(t_us);
    }
    return;
  }
  // Real modules send each byte back as it comes; the tidy framing echoes a whole line.
  const bool byte_echo = echo_ && config_.framing == SimFraming::kModule;
  if (c == '\r' && data_ == Data::kNone) {
    std::string line;
    line.swap(line_);
    if (byte_echo)
      Emit("\r", t_us);
    else if (echo_)
      Emit(line + "\r", t_us);
    const int64_t first = line_first_us_ < 0 ? t_us : line_first_us_;
    line_first_us_ = -1;
    if (!line.empty()) {
      BeginExchange(line, first, t_us);
      Execute(line, t_us);
      current_exchange_ = -1;
    }
    return;
  }
  if (c == '\n') {
    if (echo_) Emit("\n", t_us);
    return;
  }
  if (data_ != Data::kNone) return;  // between a data command and its prompt
  if (line_.empty()) line_first_us_ = t_us;
  if (byte_echo) Emit(std::string(1, c), t_us);
  line_.push_back(c);
  if (line_.size() > 1024) line_.clear();  // the module's command buffer overflows and forgets
}

std::vector<std::string> CommandsSentWhileAnotherAwaited(const std::vector<SimExchange>& transcript,
                                                         int64_t give_up_ms) {
  std::vector<std::string> out;
  for (size_t i = 1; i < transcript.size(); ++i) {
    const SimExchange& before = transcript[i - 1];
    const SimExchange& now = transcript[i];
    int64_t free_us = before.answered_us >= 0 ? before.answered_us
                                              : before.last_byte_us + give_up_ms * 1000;
    if (now.first_byte_us >= free_us) continue;
    out.push_back(now.line + " went out " +
                  std::to_string((now.first_byte_us - before.last_byte_us) / 1000) + " ms after " +
                  before.line + ", which had no answer yet");
  }
  return out;
}

namespace {
class SimConnection : public PortConnection {
 public:
  explicit SimConnection(std::shared_ptr<SimUnit> unit) : unit_(std::move(unit)) {}
  void Write(std::string_view bytes) override { unit_->Write(bytes); }
  size_t BytesToWrite() override { return unit_->BytesToWrite(); }
  void DiscardOutput() override { unit_->DiscardInput(); }
  size_t BytesAvailable() override { return unit_->BytesAvailable(); }
  size_t Read(char* buffer, size_t max) override { return unit_->Read(buffer, max); }
  bool Cts() override { return unit_->Cts(); }
  void SetDtr(bool on) override { unit_->SetDtr(on); }
  std::string Failure() override {
    if (unit_->faults().unplugged) return "the device was removed";
    return unit_->line_lost() ? "the connection to the unit was lost" : std::string();
  }

 private:
  std::shared_ptr<SimUnit> unit_;
};
}  // namespace

SimProvider::SimProvider(const Clock& clock) : unit_(std::make_shared<SimUnit>(clock)) {}
SimProvider::~SimProvider() = default;

std::vector<PortInfo> SimProvider::ListPorts() {
  return {{"sim", "Simulated unit (no hardware)"}};
}

std::unique_ptr<PortConnection> SimProvider::Open(const std::string& name) {
  // "sim:..." names one of several simulated units apart; each provider has a unit of its own.
  if (name != "sim" && name.rfind("sim:", 0) != 0) throw AppError("No such port: " + name);
  return std::make_unique<SimConnection>(unit_);
}

}  // namespace vrkt
