#include "link/upload_stream.h"

#include <algorithm>
#include <string_view>

#include "base/clock.h"
#include "base/error.h"
#include "base/serial_port.h"

namespace vrkt {

void UploadStream::Send(const std::string& data, const std::function<void()>& sending) {
  env_.log.LogNote("send buffer");
  env_.clock.Pause(500);
  if (data.size() <= kPiece) {
    env_.port.SendCommand(data);
    return;
  }
  std::string_view rest(data);
  env_.port.SendCommand(rest.substr(0, kPiece));
  rest.remove_prefix(kPiece);
  // The output queue holds one piece; each further piece waits until it has drained.
  while (!rest.empty()) {
    WaitForDrain(sending);
    env_.log.LogNote("flush buffer");
    size_t n = std::min(rest.size(), kPiece);
    env_.port.SendCommand(rest.substr(0, n));
    rest.remove_prefix(n);
  }
}

void UploadStream::WaitForDrain(const std::function<void()>& sending) {
  // Each wait lasts at most a second, but no longer than the queue needs to drain at line rate,
  // so the next piece follows the last byte closely.
  SerialPort& port = env_.port;
  size_t last_free = port.OutputFree();
  int stalled_ms = 0;
  int cts_off_ms = 0;
  while (port.OutputFree() < SerialPort::kOutputQueueSize) {
    // Flow control holds CTS off for moments; for seconds, the unit is gone.
    cts_off_ms = port.IsCtsOn() ? 0 : cts_off_ms;
    if (cts_off_ms >= kCtsLostAfterMs)
      throw AppError("Sending stopped: the unit dropped CTS for " +
                     std::to_string(kCtsLostAfterMs / 1000) +
                     " seconds (cable pulled or unit switched off?). The rest of the file was not "
                     "sent.");
    env_.log.LogNote("sending");
    if (sending) sending();
    size_t queued = SerialPort::kOutputQueueSize - port.OutputFree();
    int wait_ms = static_cast<int>(std::min<int64_t>(
        1000,
        (static_cast<int64_t>(queued) * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond));
    if (wait_ms < 1) wait_ms = 1;
    env_.clock.Pause(wait_ms);
    if (!port.IsCtsOn()) cts_off_ms += wait_ms;
    size_t now_free = port.OutputFree();
    stalled_ms = now_free == last_free ? stalled_ms + wait_ms : 0;
    last_free = now_free;
    // A unit that drops CTS for good would otherwise keep the window blocked forever.
    if (stalled_ms >= kDrainStallLimitS * 1000)
      throw AppError("Sending stopped: the unit took no data for " +
                     std::to_string(kDrainStallLimitS) +
                     " seconds (CTS off?). The rest of the file was not sent.");
  }
}

}  // namespace vrkt
