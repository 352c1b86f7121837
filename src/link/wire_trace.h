#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/serial_port.h"

namespace vrkt {

// A wire trace: everything that crossed one opening of the port, with milliseconds since it
// opened. The text form is plain ASCII, one event a line (README, "Wire traces"):
//
//   # VRKT wire trace 1
//   # program: VRKTset-cli 5.4
//   # port: sim
//   0 open sim
//   0 dtr 0
//   212 > AT+CSQ\r\n
//   230 < +CSQ: 20,0\r\nOK\r\n
//   5010 close
//
// Header lines ("# key: value") come before the first event; any other line starting with "#" is
// a comment. The bytes of ">" (to the unit) and "<" (from the unit) are escaped: "\\", "\r",
// "\n", "\t" and "\xHH" for every other byte outside 0x20..0x7E, and a space that would end the
// line is written "\x20", so that no editor can lose it.
struct TraceEvent {
  enum class Kind { kOpen, kClose, kOut, kIn, kDtr, kRts, kCts, kNote };
  int64_t ms = 0;
  Kind kind = Kind::kNote;
  // The bytes of kOut and kIn, the port of kOpen, "0" or "1" for the lines, the text of kNote.
  std::string data;
};

struct WireTrace {
  std::vector<std::pair<std::string, std::string>> header;  // in the file's order
  std::vector<TraceEvent> events;

  // The header's value for `key`; empty when it has none.
  std::string Header(const std::string& key) const;
};

inline constexpr char kTraceFirstLine[] = "# VRKT wire trace 1";

std::string EscapeTraceBytes(std::string_view bytes);
// Throws AppError naming the fault for a bad escape.
std::string UnescapeTraceBytes(std::string_view text);

std::string FormatTrace(const WireTrace& trace);
// Reads the text form. Throws AppError with the line number for anything it cannot read; a
// trace that does not start with kTraceFirstLine is refused as not a trace at all.
WireTrace ParseTrace(std::string_view text);

// Hides the PIN, PUK and passwords of the lines "AT+CPIN=...", "AT+CLCK=..." and "AT+CPWD=..."
// (any case): every byte of their secret fields becomes "*", quotes and commas stay, so a PIN
// reads "****". Works a byte at a time, for a unit's echo that comes in pieces.
class PinMasker {
 public:
  char Feed(char c);
  // Whether the byte Feed took last belongs to a secret field.
  bool last_secret() const { return last_secret_; }

 private:
  static constexpr int kPrefix = 8;  // "AT+CPIN=" and its kin
  char prefix_[kPrefix] = {};
  int length_ = 0;         // bytes of the line so far, counted up to kPrefix
  int first_secret_ = -1;  // the first secret field; -1: no such line
  int field_ = 0;
  bool quoted_ = false;
  bool last_secret_ = false;
};

// The bytes with the secrets of the PIN commands hidden, as PinMasker does from a line's start.
std::string MaskPins(std::string_view bytes);

// Keeps the trace of the port's current opening in memory. Opening the port starts a new one;
// past `max_bytes` of recorded data it notes that the trace is full and records no more.
class TraceRecorder {
 public:
  static constexpr size_t kDefaultMaxBytes = 16 * 1024 * 1024;

  explicit TraceRecorder(const Clock& clock, size_t max_bytes = kDefaultMaxBytes)
      : clock_(clock), max_bytes_(max_bytes) {}

  // Header lines written into every trace after the first line (program, variant, pace ...).
  void SetHeader(std::vector<std::pair<std::string, std::string>> header) {
    header_ = std::move(header);
  }
  // Whether the PINs of the PIN commands are kept (default: masked).
  void set_keep_pins(bool keep) { keep_pins_ = keep; }
  // Whether the port raises RTS itself on opening (hardware flow control).
  void set_rts_on_open(bool on) { rts_on_open_ = on; }

  void Opened(const std::string& port);
  void Closed();
  void Out(std::string_view bytes);
  void In(const char* bytes, size_t n);
  void Dtr(bool on);
  // CTS as the program saw it; only changes are recorded.
  void CtsSeen(bool on);
  void Note(const std::string& text);

  bool HasTrace() const { return opened_; }
  const WireTrace& trace() const { return trace_; }
  // The text form of the trace so far (an open port's trace has no "close" yet).
  std::string Text() const;

 private:
  int64_t Ms() const { return clock_.NowMs() - opened_ms_; }
  void Add(TraceEvent::Kind kind, std::string data);
  // Counts `n` more bytes; false (and the trace noted full) once past the bound.
  bool Room(size_t n);

  const Clock& clock_;
  size_t max_bytes_;
  std::vector<std::pair<std::string, std::string>> header_;
  bool keep_pins_ = false;
  PinMasker out_masker_;
  PinMasker in_masker_;
  bool rts_on_open_ = false;
  bool opened_ = false;
  bool full_ = false;
  int cts_ = -1;  // -1: not seen yet
  int64_t opened_ms_ = 0;
  size_t bytes_ = 0;
  WireTrace trace_;
};

// Puts a recorder between the program and the ports: every connection it opens is traced.
class TracingProvider : public PortProvider {
 public:
  TracingProvider(PortProvider& inner, TraceRecorder& recorder)
      : inner_(inner), recorder_(recorder) {}
  std::vector<PortInfo> ListPorts() override { return inner_.ListPorts(); }
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

 private:
  PortProvider& inner_;
  TraceRecorder& recorder_;
};

}  // namespace vrkt
