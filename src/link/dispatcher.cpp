#include "link/dispatcher.h"

#include "app/program.h"
#include "base/text.h"

namespace vrkt {

void Dispatcher::Dispatch(std::string& line, bool noisy) {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  switch (p_.link.Classify(line, noisy)) {
    case LineKind::kEcho:
      OnEcho(line);
      return;
    case LineKind::kFinal:
      OnFinal(line, false);
      return;
    case LineKind::kDamagedFinal:
      OnFinal(line, true);
      return;
    case LineKind::kOther:
      break;
  }
  // While the SIM is listed, the listing accounts for every line that comes.
  if (p_.transfer.TakeListingLine(line, noisy)) return;
  if (line == "STOP" || (line == "#APLAYEV: 0" && f.StopGDI.down())) {
    OnStopped(line);
  } else if (op.AsendWaitingEvent && Contains(line, "#ASENDEV:")) {
    p_.loader.SendEventCame();
  } else if (line == "+CREG: 0,1" || line == "+CREG: 0,5") {
    p_.Pause(200);
  } else if (Contains(line, "#CBC:")) {
    p_.status.ShowBattery(line);
  } else if (Contains(line, "#ADC:")) {
    p_.status.ShowSupply(line);
  } else if (Contains(line, "+CSQ:")) {
    p_.status.ShowSignal(line);
  } else if (p_.transfer.TakeReadLine(line, noisy)) {
    // the operator, the SIM's size or an entry, for the read that asked for it
  } else if (Contains(line, "+CPBR")) {
    // Nobody asked: neither a size nor an entry that the unit sends unasked is taken.
  } else if (Contains(line, "+COPS")) {
    p_.status.ShowOperator(line);
  } else if (Contains(line, "+CLCK=\"SC\",") || Contains(line, "+CPWD=\"SC\",")) {
    OnEcho(line);
  } else if (Contains(line, "+CMGL")) {
    // A listed message may quote any text, "ERROR" included; it says nothing about the PIN.
  } else {
    ColourPinIndicator(line);
  }
}

void Dispatcher::ColourPinIndicator(const std::string& line) {
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

void Dispatcher::OnFinal(const std::string& line, bool damaged) {
  if (!damaged) ColourPinIndicator(line);
  p_.link.Answered(line, damaged);
}

void Dispatcher::OnEcho(const std::string& line) {
  // The module's echo of a PIN command: its answer is awaited.
  Form1& f = p_.form;
  if (Contains(line, "+CLCK=\"SC\",") || Contains(line, "+CPWD=\"SC\",")) {
    f.PINOK.SetColor(kYellow);
    f.PINOK.SetVisible(true);
  }
}

void Dispatcher::OnStopped(const std::string& line) {
  Form1& f = p_.form;
  if (line == "#APLAYEV: 0") p_.variant.Is4G = true;
  // The first STOP after Stop: what went out before it went to the application, which answers
  // nothing; waiting out its deadline would gain nothing.
  if (f.StopGDI.down() && !p_.status.unit_seen_stopped()) p_.link.CutAtStopReport();
  if (!p_.status.StopReported()) {
    f.Prubeh.SetVisible(false);
    return;
  }
  f.Prubeh.SetVisible(false);
  f.SaveGDI.SetEnabled(true);
  f.Timer1_CSQstop.SetOn(true);
  p_.Pause(1000);
  p_.transfer.StartStopRead();
}

}  // namespace vrkt
