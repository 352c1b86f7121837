#include "link/wire_trace.h"

#include <cctype>

#include "base/error.h"

namespace vrkt {

namespace {

constexpr struct {
  TraceEvent::Kind kind;
  const char* word;
} kKinds[] = {
    {TraceEvent::Kind::kOpen, "open"}, {TraceEvent::Kind::kClose, "close"},
    {TraceEvent::Kind::kOut, ">"},     {TraceEvent::Kind::kIn, "<"},
    {TraceEvent::Kind::kDtr, "dtr"},   {TraceEvent::Kind::kRts, "rts"},
    {TraceEvent::Kind::kCts, "cts"},   {TraceEvent::Kind::kNote, "note"},
};

const char* KindWord(TraceEvent::Kind kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return k.word;
  return "note";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBytesKind(TraceEvent::Kind kind) {
  return kind == TraceEvent::Kind::kOut || kind == TraceEvent::Kind::kIn;
}

// Latest time an event may carry: about thirty years, far beyond any session.
constexpr int64_t kMaxMs = 1'000'000'000'000;

}  // namespace

std::string WireTrace::Header(const std::string& key) const {
  for (const auto& [k, v] : header)
    if (k == key) return v;
  return {};
}

std::string EscapeTraceBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c > 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else if (c == 0x20 && i + 1 < bytes.size()) {
      out.push_back(' ');
    } else {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string UnescapeTraceBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i >= text.size()) throw AppError("a backslash ends the line");
    switch (text[i]) {
      case '\\':
        out.push_back('\\');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x': {
        int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) throw AppError("\\x needs two hexadecimal digits");
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        break;
      }
      default:
        throw AppError(std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

std::string FormatTrace(const WireTrace& trace) {
  std::string out = std::string(kTraceFirstLine) + "\n";
  for (const auto& [key, value] : trace.header) {
    // A key holds no blank or colon, so that it reads back up to its ": ".
    std::string k;
    for (char c : EscapeTraceBytes(key)) {
      if (c == ' ')
        k += "\\x20";
      else if (c == ':')
        k += "\\x3A";
      else
        k.push_back(c);
    }
    out += "# " + k + ": " + EscapeTraceBytes(value) + "\n";
  }
  for (const TraceEvent& e : trace.events) {
    out += std::to_string(e.ms);
    out += ' ';
    out += KindWord(e.kind);
    if (!e.data.empty()) {
      out += ' ';
      out += EscapeTraceBytes(e.data);
    }
    out += '\n';
  }
  return out;
}

WireTrace ParseTrace(std::string_view text) {
  WireTrace trace;
  size_t pos = 0;
  int number = 0;
  bool events_started = false;
  int64_t last_ms = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // saved on Windows
    auto fail = [number](const std::string& why) -> AppError {
      return AppError("Line " + std::to_string(number) + " of the trace: " + why + ".");
    };
    if (number == 1) {
      if (line != kTraceFirstLine)
        throw AppError("This is not a wire trace: its first line is not \"" +
                       std::string(kTraceFirstLine) + "\".");
      continue;
    }
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (events_started) continue;
      std::string_view body = line.substr(1);
      while (!body.empty() && body[0] == ' ') body.remove_prefix(1);
      size_t colon = body.find(": ");
      if (colon == std::string_view::npos) continue;  // a comment
      try {
        trace.header.emplace_back(UnescapeTraceBytes(body.substr(0, colon)),
                                  UnescapeTraceBytes(body.substr(colon + 2)));
      } catch (const AppError&) {
        // A comment that only looks like a header line.
      }
      continue;
    }
    size_t space = line.find(' ');
    std::string_view ms_text = line.substr(0, space);
    if (ms_text.empty() || ms_text.size() > 13 ||
        ms_text.find_first_not_of("0123456789") != std::string_view::npos)
      throw fail("it does not start with the milliseconds since the port opened");
    int64_t ms = 0;
    for (char c : ms_text) ms = ms * 10 + (c - '0');
    if (ms > kMaxMs) throw fail("the time is out of range");
    if (ms < last_ms) throw fail("the time goes back");
    last_ms = ms;
    if (space == std::string_view::npos) throw fail("the event is missing");
    std::string_view rest = line.substr(space + 1);
    size_t space2 = rest.find(' ');
    std::string_view word = rest.substr(0, space2);
    std::string_view data =
        space2 == std::string_view::npos ? std::string_view() : rest.substr(space2 + 1);
    TraceEvent e;
    e.ms = ms;
    bool known = false;
    for (const auto& k : kKinds) {
      if (word == k.word) {
        e.kind = k.kind;
        known = true;
      }
    }
    if (!known) throw fail("unknown event \"" + EscapeTraceBytes(word) + "\"");
    try {
      e.data = UnescapeTraceBytes(data);
    } catch (const AppError& err) {
      throw fail(err.what());
    }
    if ((e.kind == TraceEvent::Kind::kDtr || e.kind == TraceEvent::Kind::kRts ||
         e.kind == TraceEvent::Kind::kCts) &&
        e.data != "0" && e.data != "1")
      throw fail(std::string(KindWord(e.kind)) + " needs 0 or 1");
    if (IsBytesKind(e.kind) && e.data.empty()) throw fail("the bytes are missing");
    events_started = true;
    trace.events.push_back(std::move(e));
  }
  if (number == 0) throw AppError("This is not a wire trace: the file is empty.");
  return trace;
}

char PinMasker::Feed(char c) {
  last_secret_ = false;
  if (c == '\r' || c == '\n') {
    length_ = 0;
    first_secret_ = -1;
    return c;
  }
  if (length_ < kPrefix) {
    prefix_[length_++] = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (length_ == kPrefix) {
      // The secret fields: every one of AT+CPIN=, from the third of AT+CLCK= (facility, mode,
      // password), from the second of AT+CPWD= (facility, old, new).
      std::string_view p(prefix_, kPrefix);
      first_secret_ = p == "AT+CPIN=" ? 0 : p == "AT+CLCK=" ? 2 : p == "AT+CPWD=" ? 1 : -1;
      field_ = 0;
      quoted_ = false;
    }
    return c;
  }
  if (first_secret_ < 0) return c;
  if (c == '"') {
    quoted_ = !quoted_;
    return c;
  }
  if (c == ',' && !quoted_) {
    ++field_;
    return c;
  }
  last_secret_ = field_ >= first_secret_;
  return last_secret_ ? '*' : c;
}

std::string MaskPins(std::string_view bytes) {
  PinMasker masker;
  std::string out(bytes);
  for (char& c : out) c = masker.Feed(c);
  return out;
}

// --- Recorder.

void TraceRecorder::Opened(const std::string& port) {
  trace_ = {};
  trace_.header = header_;
  trace_.header.insert(trace_.header.begin() + std::min<size_t>(trace_.header.size(), 1),
                       {"port", port});
  trace_.header.emplace_back("pins", keep_pins_ ? "recorded" : "masked");
  opened_ = true;
  full_ = false;
  cts_ = -1;
  bytes_ = 0;
  out_masker_ = {};
  in_masker_ = {};
  opened_ms_ = clock_.NowMs();
  Add(TraceEvent::Kind::kOpen, port);
  if (rts_on_open_) Add(TraceEvent::Kind::kRts, "1");
}

void TraceRecorder::Closed() {
  if (!opened_) return;
  full_ = false;  // the end of the session is always noted
  Add(TraceEvent::Kind::kClose, {});
}

void TraceRecorder::Out(std::string_view bytes) {
  if (bytes.empty()) return;
  std::string data(bytes);
  if (!keep_pins_)
    for (char& c : data) c = out_masker_.Feed(c);
  Add(TraceEvent::Kind::kOut, std::move(data));
}

void TraceRecorder::In(const char* bytes, size_t n) {
  if (!opened_ || full_) return;
  for (size_t i = 0; i < n; ++i) {
    // The unit's echo repeats the PIN.
    const char byte = keep_pins_ ? bytes[i] : in_masker_.Feed(bytes[i]);
    // Bytes read in the same millisecond join one line, which ends after a line end.
    TraceEvent* last = trace_.events.empty() ? nullptr : &trace_.events.back();
    bool join = last && last->kind == TraceEvent::Kind::kIn && last->ms == Ms() &&
                last->data.back() != '\n' && !(last->data.back() == '\r' && byte != '\n');
    if (join) {
      if (!Room(1)) return;
      last->data.push_back(byte);
    } else {
      Add(TraceEvent::Kind::kIn, std::string(1, byte));
    }
    if (full_) return;
  }
}

void TraceRecorder::Dtr(bool on) { Add(TraceEvent::Kind::kDtr, on ? "1" : "0"); }

void TraceRecorder::CtsSeen(bool on) {
  if (cts_ == static_cast<int>(on)) return;
  cts_ = on;
  Add(TraceEvent::Kind::kCts, on ? "1" : "0");
}

bool TraceRecorder::Room(size_t n) {
  bytes_ += n;
  if (bytes_ <= max_bytes_) return true;
  full_ = true;
  trace_.events.push_back(
      {Ms(), TraceEvent::Kind::kNote,
       "trace full after " + std::to_string(max_bytes_) + " bytes: later traffic is not recorded"});
  return false;
}

void TraceRecorder::Note(const std::string& text) { Add(TraceEvent::Kind::kNote, text); }

void TraceRecorder::Add(TraceEvent::Kind kind, std::string data) {
  if (!opened_ || full_) return;
  // Each event costs its line's overhead as well; the end of the session is always noted.
  if (kind != TraceEvent::Kind::kClose && !Room(data.size() + 16)) return;
  trace_.events.push_back({Ms(), kind, std::move(data)});
}

std::string TraceRecorder::Text() const { return FormatTrace(trace_); }

// --- The decorator.

namespace {

class TracingConnection : public PortConnection {
 public:
  TracingConnection(std::unique_ptr<PortConnection> inner, TraceRecorder& recorder)
      : inner_(std::move(inner)), recorder_(recorder) {}
  ~TracingConnection() override { recorder_.Closed(); }
  void Write(std::string_view bytes) override {
    recorder_.Out(bytes);
    inner_->Write(bytes);
  }
  size_t BytesToWrite() override { return inner_->BytesToWrite(); }
  size_t BytesAvailable() override { return inner_->BytesAvailable(); }
  size_t Read(char* buffer, size_t max) override {
    size_t n = inner_->Read(buffer, max);
    recorder_.In(buffer, n);
    return n;
  }
  bool Cts() override {
    bool on = inner_->Cts();
    recorder_.CtsSeen(on);
    return on;
  }
  void SetDtr(bool on) override {
    recorder_.Dtr(on);
    inner_->SetDtr(on);
  }
  void DiscardOutput() override { inner_->DiscardOutput(); }
  std::string Failure() override {
    std::string why = inner_->Failure();
    if (!why.empty() && why != failure_) recorder_.Note("port failed: " + why);
    failure_ = why;
    return why;
  }

 private:
  std::unique_ptr<PortConnection> inner_;
  TraceRecorder& recorder_;
  std::string failure_;
};

}  // namespace

std::unique_ptr<PortConnection> TracingProvider::Open(const std::string& name) {
  std::unique_ptr<PortConnection> inner = inner_.Open(name);
  recorder_.Opened(name);
  return std::make_unique<TracingConnection>(std::move(inner), recorder_);
}

}  // namespace vrkt
