#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/serial_port.h"

namespace vrkt::cli {

// Everything that crossed the port, as the command line watches it: the writes of the program
// and the lines it received. The watchers of the sequences read this rather than the Monitor,
// whose notes look like received lines.
class Traffic {
 public:
  explicit Traffic(const Clock& clock) : clock_(clock) {}

  struct Write {
    std::string bytes;
    size_t lines_before;  // received lines complete when it was written
    int64_t at_ms;
  };

  void OnWrite(std::string_view bytes);
  void OnRead(const char* bytes, size_t n);

  const std::vector<Write>& writes() const { return writes_; }
  const std::vector<std::string>& lines() const { return lines_; }
  int64_t line_ms(size_t i) const { return line_ms_.at(i); }

  // Index of the first write at or after `from` whose bytes are exactly `bytes`; npos if none.
  size_t FindWrite(std::string_view bytes, size_t from = 0) const;
  // Whether `bytes` were written after line `line` was complete.
  bool WroteAfterLine(std::string_view bytes, size_t line) const;
  // The last write made before line `line` was complete, without its line end; empty if none.
  std::string CommandBefore(size_t line) const;

 private:
  const Clock& clock_;
  std::vector<Write> writes_;
  std::vector<std::string> lines_;
  std::vector<int64_t> line_ms_;
  std::string partial_;
};

// Wraps the real backend so that every byte goes through the Traffic record. With
// `assume_cts` the connection reports CTS on, for ports without modem lines.
class TapProvider : public PortProvider {
 public:
  TapProvider(PortProvider& inner, Traffic& traffic, bool assume_cts)
      : inner_(inner), traffic_(traffic), assume_cts_(assume_cts) {}
  std::vector<PortInfo> ListPorts() override { return inner_.ListPorts(); }
  std::unique_ptr<PortConnection> Open(const std::string& name) override;

 private:
  PortProvider& inner_;
  Traffic& traffic_;
  bool assume_cts_;
};

// Lines that a unit sends on its own; they never count as an answer.
bool IsUnsolicited(const std::string& line);

}  // namespace vrkt::cli
