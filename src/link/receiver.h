#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/link_env.h"
#include "link/upload_stream.h"

namespace vrkt {

class CommandLink;
class ReplyRouter;

// Cuts the unit's bytes into lines, logs them in the Monitor and hands each to the reply router.
// Also releases an upload command's data when the module prompts for it.
class LineReceiver {
 public:
  // A unit that never sends a carriage return must not make the line grow without bound; no
  // reply of the module comes anywhere near this length.
  static constexpr size_t kMaxLineLength = 4096;

  // What the receiver tells the program around it.
  struct Hooks {
    // Bytes came (the receive indicator lights), and data is going out (it blinks).
    std::function<void()> bytes_came;
    std::function<void()> data_going;
    // Sending an upload's data failed with `why`: true when a running upload took the report,
    // false when nobody did and the error is to be shown.
    std::function<bool(const std::string& why)> upload_failed;
  };

  LineReceiver(LinkEnv env, CommandLink& link, ReplyRouter& router, Hooks hooks = {});
  ~LineReceiver();
  LineReceiver(const LineReceiver&) = delete;
  LineReceiver& operator=(const LineReceiver&) = delete;

  // Reads `count` bytes from the port.
  void ApdComPort1TriggerAvail(uint16_t count);
  // True while received bytes are being handled: the command link must not read more then.
  bool receiving() const { return depth_ > 0; }
  // The line being collected: what came since the last carriage return.
  const std::string& partial_line() const { return line_; }
  // Forgets a line half received (start-up, a new port).
  void ClearLine() { line_.clear(); }

 private:
  void TakeByte(unsigned char byte);
  void EndLine();
  void CheckPrompt();

  LinkEnv env_;
  CommandLink& link_;
  ReplyRouter& router_;
  Hooks hooks_;
  UploadStream upload_;
  std::string line_;
  int depth_ = 0;
  // Control bytes that are no part of a line end were dropped from the line being collected:
  // line noise.
  bool noisy_ = false;
};

}  // namespace vrkt
