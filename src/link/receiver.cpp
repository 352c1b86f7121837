#include "link/receiver.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string_view>

#include "base/serial_port.h"
#include "base/text.h"
#include "link/command_link.h"
#include "link/module_errors.h"
#include "link/reply_router.h"

namespace vrkt {

LineReceiver::LineReceiver(LinkEnv env, CommandLink& link, ReplyRouter& router, Hooks hooks)
    : env_(env), link_(link), router_(router), hooks_(std::move(hooks)), upload_(env) {
  link_.AttachReceiver(this);
}

LineReceiver::~LineReceiver() { link_.AttachReceiver(nullptr); }

void LineReceiver::ApdComPort1TriggerAvail(uint16_t count) {
  if (hooks_.bytes_came) hooks_.bytes_came();
  ++depth_;
  for (uint16_t i = 0; i < count; ++i) {
    unsigned char byte = env_.port.ReadByte();
    // A failed line or upload is reported and the bytes that follow are handled normally, so one
    // bad reply never swallows the rest of the event.
    try {
      TakeByte(byte);
    } catch (const std::exception& e) {
      env_.log.ShowError(e.what());
    }
  }
  --depth_;
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
  if (line_.size() >= kMaxLineLength) {
    // Keep what came in the log, but never route a cut line: its tail could look like a reply.
    env_.log.LogReceived(line_);
    env_.log.LogNote("(line cut: more than " + std::to_string(kMaxLineLength) +
                     " bytes without a carriage return)");
    line_.clear();
  }
  line_.push_back(static_cast<char>(byte));
  CheckPrompt();
}

void LineReceiver::EndLine() {
  // The line leaves the collecting buffer before it is handled: a handler may let the link read
  // what the unit sent next.
  std::string line = std::move(line_);
  line_.clear();
  const bool noisy = noisy_;
  noisy_ = false;
  if (!Contains(line, "#SMSATWL")) {
    env_.log.LogReceived(line);
    // The line stays as received; its meaning is a note of its own.
    if (std::string note = ModuleErrorNote(line); !note.empty()) env_.log.LogNote(note);
  }
  // A line of nothing but 8-bit bytes is noise too: harmless between answers, but if no final
  // result follows, it is what is left of the answer.
  const bool only_high = !line.empty() && std::all_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 128;
  });
  if (noisy || only_high) link_.NoteNoise();
  router_.Route(line, noisy);
}

void LineReceiver::CheckPrompt() {
  // The prompt carries no line end, so it is matched while the line grows.
  if (line_.size() != 3 && line_.size() != 7) return;
  if (line_ != ">>>" && line_ != "CONNECT") return;
  // Only an upload command in flight gets data, its own, and only once. Its data goes even when
  // its run was cancelled meanwhile: the unit waits for it and would take the next commands as
  // data.
  const std::shared_ptr<const std::string> data = link_.TakeDataForPrompt();
  if (!data) return;
  try {
    upload_.Send(*data, hooks_.data_going);
  } catch (const std::exception& e) {
    if (!hooks_.upload_failed || !hooks_.upload_failed(e.what())) throw;
    return;
  }
  link_.DataSent();
}

}  // namespace vrkt
