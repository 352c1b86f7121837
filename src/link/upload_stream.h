#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "link/link_env.h"

namespace vrkt {

// Sends the data an upload prompt releases: after the prompt's pause, in pieces the port's output
// queue can hold, each once the one before has drained at line rate. Blocks until the last piece
// is queued, as the unit takes bytes until the file is complete.
class UploadStream {
 public:
  // Upload data goes to the port's output queue in pieces of this size.
  static constexpr size_t kPiece = 64000;
  // Seconds of waiting for the output queue to move before an upload is given up.
  static constexpr int kDrainStallLimitS = 30;
  // CTS off this long while data waits to go means the unit is gone, not just busy.
  static constexpr int kCtsLostAfterMs = 2000;

  explicit UploadStream(LinkEnv env) : env_(env) {}
  // `sending` runs at every wait for the queue to drain (the receive indicator blinks). Throws
  // AppError when the unit stops taking data; the rest is not sent then.
  void Send(const std::string& data, const std::function<void()>& sending);

 private:
  void WaitForDrain(const std::function<void()>& sending);
  LinkEnv env_;
};

}  // namespace vrkt
