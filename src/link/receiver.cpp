#include "link/receiver.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "app/program.h"
#include "base/error.h"
#include "base/text.h"
#include "link/module_errors.h"

namespace vrkt {

void LineReceiver::ToggleLed() { p_.form.RXDled.SetVisible(!p_.form.RXDled.visible()); }

void LineReceiver::ApdComPort1TriggerAvail(uint16_t count) {
  ToggleLed();
  // Switching on a running timer does not restart it: the indicator goes dark at the first tick
  // however much traffic follows.
  p_.form.LedTimer.SetOn(true);
  ++depth_;
  for (uint16_t i = 0; i < count; ++i) {
    unsigned char byte = p_.port().ReadByte();
    // A failed line or upload is reported and the bytes that follow are handled normally, so one
    // bad reply never swallows the rest of the event.
    try {
      TakeByte(byte);
    } catch (const std::exception& e) {
      p_.dialogs().ShowError(e.what());
    }
  }
  --depth_;
}

void LineReceiver::LedTimerTimer() {
  p_.form.RXDled.SetVisible(false);
  p_.form.LedTimer.SetOn(false);
}

void LineReceiver::TakeByte(unsigned char byte) {
  if (byte == 13) {
    EndLine();
    return;
  }
  if (byte < 32) {
    // Line feeds frame the lines, and a closing port reads as 0; anything else is line noise.
    if (byte != 10 && byte != 0) noisy_ = true;
    return;
  }
  std::string& line = p_.op.RxLine;
  if (line.size() >= kMaxLineLength) {
    // Keep what came in the log, but never dispatch a cut line: its tail could look like a reply.
    p_.LogReceived(line);
    p_.LogNote("(line cut: more than " + std::to_string(kMaxLineLength) +
               " bytes without a carriage return)");
    line.clear();
  }
  line.push_back(static_cast<char>(byte));
  CheckPrompt();
}

void LineReceiver::EndLine() {
  // The line leaves the collecting buffer before it is handled: a handler may let the link read
  // what the unit sent next.
  std::string line = std::move(p_.op.RxLine);
  p_.op.RxLine.clear();
  const bool noisy = noisy_;
  noisy_ = false;
  if (!Contains(line, "#SMSATWL")) {
    p_.LogReceived(line);
    // The line stays as received; its meaning is a note of its own.
    if (std::string note = ModuleErrorNote(line); !note.empty()) p_.LogNote(note);
  }
  // A line of nothing but 8-bit bytes is noise too: harmless between answers, but if no final
  // result follows, it is what is left of the answer.
  const bool only_high = !line.empty() && std::all_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 128;
  });
  if (noisy || only_high) p_.link.NoteNoise();
  dispatcher_.Dispatch(line, noisy);
}

void LineReceiver::CheckPrompt() {
  const std::string& line = p_.op.RxLine;
  // The prompt carries no line end, so it is matched while the line grows.
  if (line.size() != 3 && line.size() != 7) return;
  if (line != ">>>" && line != "CONNECT") return;
  // Only an upload command in flight gets data, its own, and only once. Its data goes even when
  // its run was cancelled meanwhile: the unit waits for it and would take the next commands as
  // data.
  const std::shared_ptr<const std::string> data = p_.link.TakeDataForPrompt();
  if (!data) return;
  try {
    ReleaseUploadData(*data);
  } catch (const std::exception& e) {
    if (!p_.loader.running()) throw;
    p_.loader.UploadFailed(e.what());
    return;
  }
  p_.link.DataSent();
}

void LineReceiver::WaitForDrain() {
  // 115200 baud 8N1 moves 11,520 bytes a second. Each wait lasts at most a second, but no longer
  // than the queue needs to drain at that rate, so the next piece follows the last byte closely.
  constexpr int kLineBytesPerSecond = 11520;
  size_t last_free = p_.port().OutputFree();
  int stalled_ms = 0;
  int cts_off_ms = 0;
  while (p_.port().OutputFree() < SerialPort::kOutputQueueSize) {
    // Flow control holds CTS off for moments; for seconds, the unit is gone.
    cts_off_ms = p_.port().IsCtsOn() ? 0 : cts_off_ms;
    if (cts_off_ms >= kCtsLostAfterMs)
      throw AppError("Sending stopped: the unit dropped CTS for " +
                     std::to_string(kCtsLostAfterMs / 1000) +
                     " seconds (cable pulled or unit switched off?). The rest of the file was not "
                     "sent.");
    p_.LogNote("sending");
    ToggleLed();
    size_t queued = SerialPort::kOutputQueueSize - p_.port().OutputFree();
    int wait_ms = static_cast<int>(
        std::min<size_t>(1000, (queued * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond));
    if (wait_ms < 1) wait_ms = 1;
    p_.Pause(wait_ms);
    if (!p_.port().IsCtsOn()) cts_off_ms += wait_ms;
    size_t now_free = p_.port().OutputFree();
    stalled_ms = now_free == last_free ? stalled_ms + wait_ms : 0;
    last_free = now_free;
    // A unit that drops CTS for good would otherwise keep the window blocked forever.
    if (stalled_ms >= kDrainStallLimitS * 1000)
      throw AppError("Sending stopped: the unit took no data for " +
                     std::to_string(kDrainStallLimitS) +
                     " seconds (CTS off?). The rest of the file was not sent.");
  }
}

void LineReceiver::ReleaseUploadData(const std::string& data) {
  p_.LogNote("send buffer");
  p_.Pause(500);
  if (data.size() <= kUploadPiece) {
    p_.port().SendCommand(data);
    return;
  }
  std::string_view rest(data);
  p_.port().SendCommand(rest.substr(0, kUploadPiece));
  rest.remove_prefix(kUploadPiece);
  // The output queue holds one piece; each further piece waits until it has drained.
  while (!rest.empty()) {
    WaitForDrain();
    p_.LogNote("flush buffer");
    size_t n = std::min(rest.size(), kUploadPiece);
    p_.port().SendCommand(rest.substr(0, n));
    rest.remove_prefix(n);
  }
}

}  // namespace vrkt
