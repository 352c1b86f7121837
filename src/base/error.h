#pragma once

#include <stdexcept>
#include <string>

namespace vrkt {

// An error that escapes a user action. Its text is shown to the user as it stands, in a message
// box (window) or on stderr (command line); the action that raised it is abandoned and the
// program stays usable.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

// "'%s' is not a valid integer value": the conversion error for numeric reply and entry fields.
[[noreturn]] void ThrowNotAnInteger(const std::string& text);

}  // namespace vrkt
