#include "link/dispatcher.h"

#include "app/program.h"
#include "base/text.h"

namespace vrkt {

void Dispatcher::Dispatch(std::string& line) {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  // The transfer sequences follow every line for their deadline and for "ERROR" answers.
  p_.transfer.ObserveLine(line);
  if (line == "OK") {
    OnOk();
  } else if (line == "STOP" || (line == "#APLAYEV: 0" && f.StopGDI.down())) {
    OnStopped(line);
  } else if (op.AsendWaitingEvent && Contains(line, "#ASENDEV:")) {
    // The "OK" to this AT is the one that advances the loader.
    op.AsendWaitingEvent = false;
    p_.Send("AT\r\n");
  } else if (line == "+CREG: 0,1" || line == "+CREG: 0,5") {
    p_.Pause(200);
  } else if (Contains(line, "#CBC:")) {
    p_.status.ShowBattery(line);
  } else if (Contains(line, "#ADC:")) {
    p_.status.ShowSupply(line);
  } else if (Contains(line, "+CSQ:")) {
    p_.status.ShowSignal(line);
  } else if (Contains(line, "+CPBR: (1-")) {
    int capacity = p_.status.ShowSimCapacity(line);
    if (capacity > 10) {
      p_.Pause(100);
      if (p_.port().PortNumber() != 0) p_.Send("AT+CPBR=1," + std::to_string(capacity) + "\r\n");
    }
  } else if (Contains(line, "+CPBR")) {
    p_.transfer.SortEntry(line);
  } else if (Contains(line, "+COPS")) {
    p_.status.ShowOperator(line);
    p_.Pause(200);
    if (p_.port().PortNumber() != 0 && f.RunGDI.visible()) p_.Send("AT+CPBR=?\r\n");
  } else if (Contains(line, "+CLCK=\"SC\",") || Contains(line, "+CPWD=\"SC\",")) {
    // The module's echo of a PIN command: its answer is awaited.
    f.PINOK.SetColor(kYellow);
    f.PINOK.SetVisible(true);
  } else if (Contains(line, "+CMGL")) {
    // A listed message may quote any text, "ERROR" included; it says nothing about the PIN.
  } else if (Contains(line, "ERROR")) {
    if (f.PINOK.color() == kRed || f.PINOK.color() == kYellow) {
      f.PINOK.SetColor(kRed);
      f.PINOK.SetVisible(true);
    }
  }
}

void Dispatcher::OnOk() {
  Form1& f = p_.form;
  OperationState& op = p_.op;
  if (f.PINOK.color() == kYellow) f.PINOK.SetColor(kGreen);
  if (op.LoaderWaitingOk && !op.AsendWaitingEvent) {
    // rule 1a: the loader takes the OK first
    ++op.LoaderIndex;
    f.Prubeh.SetPosition(op.LoaderIndex);
    op.LoaderWaitingOk = false;
    p_.Pause(500);
    p_.loader.LoaderStep(op.LoaderIndex);
  } else if (op.QueryOperatorOnOk) {
    op.QueryOperatorOnOk = false;
    p_.Pause(200);
    p_.Send("AT+COPS?\r\n");
  } else if (op.WriteAllRunning) {
    p_.transfer.WriteAllStep();
  }
}

void Dispatcher::OnStopped(const std::string& line) {
  Form1& f = p_.form;
  if (line == "#APLAYEV: 0") p_.variant.Is4G = true;
  f.Cekani.SetOn(false);
  f.Prubeh.SetVisible(false);
  f.SaveGDI.SetEnabled(true);
  f.Timer1_CSQstop.SetOn(true);
  p_.Pause(1000);
  p_.Send("ATE0\r\n");
  p_.op.QueryOperatorOnOk = true;
  p_.transfer.StopReadStarted();
}

}  // namespace vrkt
