#include "pin/pin.h"

#include <algorithm>

#include "base/error.h"
#include "base/text.h"
#include "link/module_errors.h"

namespace vrkt {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The SIM refused the PIN itself ("incorrect password"), or wants its PUK now. A SIM that was not
// waiting for a PIN refuses "AT+CPIN=" too, with another reason or a bare "ERROR"; the final
// command checks the PIN then.
bool IsWrongPin(const CommandResult& r) {
  if (r.kind != CommandResult::kRefused) return false;
  return IsModuleError(r.line, ModuleErrorFamily::kCme, 16) ||
         IsModuleError(r.line, ModuleErrorFamily::kCme, 12);
}
}  // namespace

std::string NormalizePin(std::string_view text) {
  std::string t = TrimControls(text);
  if (t.empty()) return t;
  t.erase(std::find_if_not(t.begin(), t.end(), IsDigit), t.end());
  if (t.size() < 4) t.insert(0, 4 - t.size(), '0');
  return t.substr(t.size() - 4);
}

PinHandler::PinHandler(UnitContext unit) : p_(unit) {
  p_.form.PIN.on_change = [this] { PINChange(); };
}

void PinHandler::NoteEcho(const std::string& line) {
  Form1& f = p_.form;
  if (Contains(line, "+CLCK=\"SC\",") || Contains(line, "+CPWD=\"SC\",")) {
    f.PINOK.SetColor(kYellow);
    f.PINOK.SetVisible(true);
  }
}

void PinHandler::NoteReply(const std::string& line) {
  Form1& f = p_.form;
  if (line == "OK") {
    if (f.PINOK.color() == kYellow) f.PINOK.SetColor(kGreen);
  } else if (Contains(line, "ERROR")) {
    if (f.PINOK.color() == kRed || f.PINOK.color() == kYellow) {
      f.PINOK.SetColor(kRed);
      f.PINOK.SetVisible(true);
    }
  }
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
  // The commands form one job: a read, a write or a poll never lands between them. Each goes out
  // once the one before has its answer (the pauses leave the module time for that).
  p_.link.Begin(LinkUser::kPin, [this, pin, final_command] {
    CommandLink& link = p_.link;
    no_answer_.clear();
    pin_refused_ = false;
    last_result_ = CommandResult{CommandResult::kNoAnswer, "", final_command};
    // A command without an answer ends the job: what follows would only meet the late answer,
    // and a PIN sent to a unit that is not listening gains nothing.
    auto noted = [this](const CommandResult& r) {
      if (r.kind != CommandResult::kNoAnswer && r.kind != CommandResult::kNotSent) return false;
      no_answer_ = DescribeFailure(r, p_.link.reply_deadline_ms());
      // Taken before the job ends: ending it may start the next PIN job at once.
      const std::string message = "The PIN command did not finish: " + no_answer_ + ".";
      p_.link.End(LinkUser::kPin);
      p_.dialogs().ShowMessage(message);
      return true;
    };
    const uint64_t round = ++round_;
    // Red from the start: a refusal that comes during the pauses shows as red, not as the colour
    // of the last PIN command.
    p_.form.PINOK.SetColor(kRed);
    // Echo on: the module's repeat of the final command is what turns PINOK yellow.
    link.Send("ATE1\r\n", noted);
    p_.Pause(1000);
    p_.link.Settle();
    if (round != round_ || !p_.link.Running(LinkUser::kPin)) return;
    // A SIM that calls the PIN wrong gets nothing more: the final command would only spend
    // another of its few tries on the same PIN.
    link.Send("AT+CPIN=" + pin + "\r\n", [this, noted](const CommandResult& r) {
      if (noted(r) || !IsWrongPin(r)) return;
      last_result_ = r;
      pin_refused_ = true;
      p_.link.End(LinkUser::kPin);
    });
    p_.Pause(1000);
    p_.link.Settle();
    if (round != round_ || pin_refused_ || !p_.link.Running(LinkUser::kPin)) return;
    link.Send(final_command + "\r\n", [this, noted](const CommandResult& r) {
      if (!noted(r)) last_result_ = r;
    });
    // Echo off again: with echo on, every later answer would follow a copy of its command.
    link.Send("ATE0\r\n", [this, noted](const CommandResult& r) {
      if (!noted(r)) p_.link.End(LinkUser::kPin);
    });
  });
}

bool PinHandler::Running() const { return p_.link.Has(LinkUser::kPin); }

void PinHandler::UNPINClick() {
  std::string pin = CurrentPin();
  SendPinCommands(pin, "AT+CLCK=\"SC\",0," + pin);
}

void PinHandler::CodePINClick() {
  std::string pin = CurrentPin();
  SendPinCommands(pin, "AT+CPWD=\"SC\"," + pin + "," + kNewPin);
}

}  // namespace vrkt
