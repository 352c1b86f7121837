#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/dispatcher.h"

namespace vrkt {

class Program;

// Cuts the unit's bytes into lines, logs them in the Monitor and dispatches them. Also releases
// the loader's upload data when the module prompts for it.
class LineReceiver {
 public:
  // A unit that never sends a carriage return must not make the line grow without bound; no
  // reply of the module comes anywhere near this length.
  static constexpr size_t kMaxLineLength = 4096;
  // Upload data goes to the port's output queue in pieces of this size.
  static constexpr size_t kUploadPiece = 64000;
  // Seconds of waiting for the output queue to move before an upload is given up.
  static constexpr int kDrainStallLimitS = 30;
  // CTS off this long while data waits to go means the unit is gone, not just busy.
  static constexpr int kCtsLostAfterMs = 2000;

  explicit LineReceiver(Program& program) : p_(program), dispatcher_(program) {}
  void ApdComPort1TriggerAvail(uint16_t count);
  void LedTimerTimer();
  // True while received bytes are being handled: the command link must not read more then.
  bool receiving() const { return depth_ > 0; }

 private:
  void TakeByte(unsigned char byte);
  void EndLine();
  void CheckPrompt();
  void ReleaseUploadData(const std::string& data);
  void WaitForDrain();
  void ToggleLed();

  Program& p_;
  Dispatcher dispatcher_;
  int depth_ = 0;
  // Control bytes that are no part of a line end were dropped from the line being collected:
  // line noise.
  bool noisy_ = false;
};

}  // namespace vrkt
