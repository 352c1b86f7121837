#include "pin/pin.h"

#include <algorithm>

#include "app/program.h"
#include "base/error.h"
#include "base/text.h"

namespace vrkt {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::string NormalizePin(std::string_view text) {
  std::string t = TrimControls(text);
  if (t.empty()) return t;
  t.erase(std::find_if_not(t.begin(), t.end(), IsDigit), t.end());
  if (t.size() < 4) t.insert(0, 4 - t.size(), '0');
  return t.substr(t.size() - 4);
}

PinHandler::PinHandler(Program& program) : p_(program) {
  p_.form.PIN.on_change = [this] { PINChange(); };
}

void PinHandler::PINChange() {
  Edit& field = p_.form.PIN;
  field.SetText(NormalizePin(field.text()));
  field.CaretToEnd();
}

std::string PinHandler::CurrentPin() const {
  const std::string& pin = p_.form.PIN.text();
  // A SIM locks after a few wrong PINs and then needs its PUK, which silences the lift's
  // emergency line; an empty or partial PIN must not spend one of those attempts.
  if (pin.size() != 4 || !std::all_of(pin.begin(), pin.end(), IsDigit))
    throw AppError("Enter the SIM's current PIN (four digits) first.");
  return pin;
}

void PinHandler::SendPinCommands(const std::string& pin, const std::string& final_command) {
  // Echo on: the module's repeat of the final command is what turns PINOK yellow.
  p_.Send("ATE1\r\n");
  p_.Pause(1000);
  p_.Send("AT+CPIN=" + pin + "\r\n");
  p_.Pause(1000);
  p_.Send(final_command + "\r\n");
  p_.form.PINOK.SetColor(kRed);
}

void PinHandler::UNPINClick() {
  std::string pin = CurrentPin();
  SendPinCommands(pin, "AT+CLCK=\"SC\",0," + pin);
}

void PinHandler::CodePINClick() {
  std::string pin = CurrentPin();
  SendPinCommands(pin, "AT+CPWD=\"SC\"," + pin + "," + kNewPin);
}

}  // namespace vrkt
