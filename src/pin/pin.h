#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/command_link.h"
#include "unit/unit_context.h"

namespace vrkt {

// The PIN field's text: empty, or exactly four digits. Typing shifts digits in from the right.
std::string NormalizePin(std::string_view text);

// Switching the SIM's PIN request off and changing the PIN. The outcome shows in PINOK, coloured
// from the module's echo and answers as the reply routing hands them on.
class PinHandler {
 public:
  // The PIN that "For Code PIN" sets.
  static constexpr char kNewPin[] = "7391";

  // Hooks PINChange on the PIN field.
  explicit PinHandler(UnitContext unit);
  void PINChange();
  // The module's echo of a PIN command: its answer is awaited (PINOK turns yellow).
  void NoteEcho(const std::string& line);
  // Any other line that no rule took, and every clean final result: "OK" turns an awaited PINOK
  // green, a line holding "ERROR" turns it red.
  void NoteReply(const std::string& line);
  void UNPINClick();
  void CodePINClick();
  // Whether the PIN commands are still going on, and how the last PIN command itself ended.
  bool Running() const;
  const CommandResult& last_result() const { return last_result_; }
  // The SIM refused the PIN of the last PIN command ("AT+CPIN="): nothing was sent after it.
  bool pin_refused() const { return pin_refused_; }

 private:
  // Sends echo on, the current PIN and then `final_command`, with the module's pacing.
  void SendPinCommands(const std::string& pin, const std::string& final_command);
  // The field's PIN; throws AppError unless it holds four digits.
  std::string CurrentPin() const;

  UnitContext p_;
  std::string no_answer_;  // why a command of the running PIN job got no answer
  CommandResult last_result_;
  bool pin_refused_ = false;
  uint64_t round_ = 0;  // counts the PIN commands, so that a click knows whether it is still on
};

}  // namespace vrkt
