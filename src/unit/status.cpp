#include "unit/status.h"

#include <algorithm>
#include <climits>

#include "base/error.h"
#include "base/text.h"

namespace vrkt {

namespace {

// Reply numbers are 32-bit quantities to the unit; a longer one is as unreadable as a letter.
int ParseReplyInt(const std::string& field) {
  int64_t v = ParseInt(field);
  if (v < INT_MIN || v > INT_MAX) ThrowNotAnInteger(field);
  return static_cast<int>(v);
}

// The gauge's colour while the signal is unknown (its reply could not be read).
constexpr Rgb kUnknownGrey{128, 128, 128};

}  // namespace

// A button's command waits its turn behind a running read or write, as a poll does.
void StatusQueries::signalClick() { p_.link.SendAlone(LinkUser::kButton, "AT+CSQ\r\n"); }
void StatusQueries::VoltageClick() { p_.link.SendAlone(LinkUser::kButton, "AT#CBC\r\n"); }
void StatusQueries::PowerClick() { p_.link.SendAlone(LinkUser::kButton, "AT#ADC=1,2\r\n"); }
void StatusQueries::IMEI1Click() { p_.link.SendAlone(LinkUser::kButton, "AT+CGSN\r\n"); }
void StatusQueries::InicializaceClick() {
  p_.link.SendAlone(LinkUser::kButton, "AT#ESCRIPT=gdi.pyo\r\n");
}

void StatusQueries::StartWaiting(Waiting what) {
  p_.form.Prubeh.SetMax(kWaitLimitS);
  p_.form.Prubeh.SetPosition(0);
  p_.form.Cekani.SetOn(true);
  waiting_ = what;
  // Counted here, not read off the bar: a loader or a write may take the bar meanwhile.
  waited_s_ = 0;
}

void StatusQueries::OnStopReport(const std::string& line) {
  Form1& f = p_.form;
  // Only a 4G module reports its application's stop this way.
  if (line == "#APLAYEV: 0") p_.variant.Is4G = true;
  // The first STOP after Stop: what went out before it went to the application, which answers
  // nothing; waiting out its deadline would gain nothing.
  if (f.StopGDI.down() && !unit_seen_stopped()) p_.link.CutAtStopReport();
  f.Prubeh.SetVisible(false);
  if (!StopReported()) return;
  f.SaveGDI.SetEnabled(true);
  f.Timer1_CSQstop.SetOn(true);
  p_.Pause(1000);
  start_read_();
}

bool StatusQueries::StopReported() {
  p_.form.Cekani.SetOn(false);
  waiting_ = Waiting::kNone;
  unit_seen_stopped_ = true;
  ++stops_seen_;
  // Shown stopped at once, as the next presence tick would show it.
  TimerCTSTimer();
  // Recognised as stopped before its report came (a module that answers while its application
  // runs): the read is under way already.
  if (stop_recognised_) {
    stop_recognised_ = false;
    return false;
  }
  return true;
}

void StatusQueries::NoteGreeting(const CommandResult& r) {
  greeting_ = r.ok() ? Greeting::kAnswered : Greeting::kUnanswered;
  if (greeting_ == Greeting::kAnswered && waiting_ == Waiting::kStop && !unit_seen_stopped_)
    RecogniseStopped();
}

void StatusQueries::RecogniseStopped() {
  Form1& f = p_.form;
  p_.LogNote("the unit answers: its application is stopped already");
  f.Cekani.SetOn(false);
  waiting_ = Waiting::kNone;
  unit_seen_stopped_ = true;
  stop_recognised_ = true;
  ++stops_seen_;
  TimerCTSTimer();
  // What the STOP report does (OnStopReport), without waiting for a report that an
  // application stopped before the click does not send again.
  f.Prubeh.SetVisible(false);
  f.SaveGDI.SetEnabled(true);
  f.Timer1_CSQstop.SetOn(true);
  start_read_();
}

void StatusQueries::ForgetUnit() {
  greeting_ = Greeting::kUnknown;
  unit_seen_stopped_ = false;
  stop_recognised_ = false;
}

std::string StatusQueries::NoAnswerMessage() const {
  return "The unit does not answer on " + p_.port().port_name() +
         ": check the cable and the unit's power.";
}

void StatusQueries::StopGDIClick() {
  Form1& f = p_.form;
  f.StopGDI.SetDown(true);
  f.RunGDI.SetDown(false);
  p_.port().SetDtr(true);
  StartWaiting(Waiting::kStop);
  p_.op.BookReplaceOnNext = true;
  stop_recognised_ = false;
  if (greeting_ == Greeting::kAnswered && !unit_seen_stopped_) RecogniseStopped();
}

void StatusQueries::RunGDIClick() {
  Form1& f = p_.form;
  f.RunGDI.SetDown(true);
  f.StopGDI.SetDown(false);
  p_.port().SetDtr(false);
  // The application runs again (or will once the module has restarted): the module goes deaf.
  unit_seen_stopped_ = false;
  stop_recognised_ = false;
  greeting_ = Greeting::kUnknown;
  p_.Pause(1000);
  // A 4G unit restarts its application on DTR alone.
  if (!p_.variant.Is4G) p_.link.SendAlone(LinkUser::kRun, "AT#REBOOT\r\n");
  StartWaiting(Waiting::kRun);
  f.Timer1_CSQstop.SetOn(false);
}

void StatusQueries::CekaniTimer() {
  Bar& bar = p_.form.Prubeh;
  bar.SetPosition(bar.position() + 1);
  bar.SetVisible(true);
  if (++waited_s_ < kWaitLimitS) return;
  Waiting what = waiting_;
  EndWaiting();
  // After Run nothing more is expected from the unit: the bar has only shown the restart. After
  // Stop the unit never reported: give the window back and say why instead of waiting for ever.
  // A unit that answered nothing at all, not even the greeting, is said not to answer.
  if (what == Waiting::kStop)
    p_.dialogs().ShowWarning(greeting_ == Greeting::kAnswered ? std::string(kNoStopMessage)
                                                              : NoAnswerMessage());
}

void StatusQueries::EndWaiting() {
  p_.form.Cekani.SetOn(false);
  p_.form.Prubeh.SetVisible(false);
  waiting_ = Waiting::kNone;
}

// A poll that falls due while a read, a write or the loader runs waits until that has ended.
void StatusQueries::Timer1_CSQstopTimer() {
  p_.form.Timer1_CSQstop.SetInterval(kPollMs);
  if (p_.form.Prubeh.visible() || p_.port().lost()) return;
  p_.link.SendAlone(LinkUser::kPoll, "AT+CSQ\r\n");
  p_.form.VoltageTimer.SetOn(true);
}

void StatusQueries::VoltageTimerTimer() {
  p_.form.VoltageTimer.SetOn(false);
  if (p_.form.Prubeh.visible() || p_.port().lost()) return;
  p_.link.SendAlone(LinkUser::kPoll, "AT#CBC\r\n");
  p_.form.PowerTimer.SetOn(true);
}

void StatusQueries::PowerTimerTimer() {
  p_.form.PowerTimer.SetOn(false);
  if (p_.form.Prubeh.visible() || p_.port().lost()) return;
  p_.link.SendAlone(LinkUser::kPoll, "AT#ADC=1,2\r\n");
}

void StatusQueries::TimerCTSTimer() {
  Form1& f = p_.form;
  const bool filled = f.TLtime.HasSelection();
  f.Save.SetEnabled(filled);
  // Stopped once the unit has shown it: DTR alone proves nothing when no unit answers.
  const bool stopped = p_.port().Dtr() && unit_seen_stopped_;
  f.RunGDI.SetVisible(stopped);
  f.StopGDI.SetVisible(!stopped);
  Control* unit_buttons[] = {&f.LoadGDI, &f.IMEI, &f.Send, &f.UNPIN, &f.CodePIN};
  if (!p_.port().IsCtsOn()) {
    f.SaveGDI.SetEnabled(false);
    for (Control* c : unit_buttons) c->SetEnabled(false);
    return;
  }
  if (filled) f.SaveGDI.SetEnabled(true);
  if (f.RunGDI.visible()) {
    for (Control* c : unit_buttons) c->SetEnabled(true);
  } else {
    f.SaveGDI.SetEnabled(false);
    for (Control* c : unit_buttons) c->SetEnabled(false);
  }
}

void StatusQueries::ShowSignal(const std::string& line) {
  Form1& f = p_.form;
  int v = 0;
  try {
    v = ParseReplyInt(TrimBlanks(Before(CutThrough(line, ":"), ",")));
  } catch (const AppError&) {
    // Unknown, not the level of an earlier reply: an empty grey gauge.
    signal_known_ = false;
    f.Smeter.SetColor(kUnknownGrey);
    f.Smeter.SetPosition(0);
    throw;
  }
  signal_known_ = true;
  p_.op.SignalLevel = v;
  if (v >= 15 && v <= 21)
    f.Smeter.SetColor(kCyan);
  else if (v >= 22 && v <= 31)
    f.Smeter.SetColor(kGreen);
  else
    f.Smeter.SetColor(kRed);
  f.Cekani.SetOn(false);
  f.Prubeh.SetVisible(false);
  waiting_ = Waiting::kNone;
  f.Smeter.SetPosition(v);  // 99 (not detectable) shows a full red bar
}

void StatusQueries::ShowBattery(const std::string& line) {
  Form1& f = p_.form;
  f.Cekani.SetOn(false);
  f.Prubeh.SetVisible(false);
  waiting_ = Waiting::kNone;
  std::string rest = CutThrough(line, ",");
  p_.LogNote(rest);
  int v = 0;
  try {
    v = ParseReplyInt(rest);
  } catch (const AppError&) {
    // Unknown: the displays go back to what they show before any reply.
    battery_known_ = false;
    f.StatusBar1.SetPanel(1, " " + p_.settings.BoardVoltageCaption + ":");
    f.BVoltage.SetPosition(300);
    f.Voltage.SetCaption(" - - - - mV");
    throw;
  }
  battery_known_ = true;
  f.StatusBar1.SetPanel(1, " " + p_.settings.BoardVoltageCaption + ": " + rest + "0 mV");
  f.BVoltage.SetPosition(v);
  f.Voltage.SetCaption(rest + "0 mV");
}

void StatusQueries::ShowSupply(const std::string& line) {
  Form1& f = p_.form;
  std::string rest = CutThrough(line, ":");
  p_.LogNote(rest);
  int64_t v = 0;
  try {
    v = ParseReplyInt(rest);
  } catch (const AppError&) {
    supply_known_ = false;
    f.PVoltage.SetPosition(70);
    f.Power.SetCaption(" - - - V");
    throw;
  }
  supply_known_ = true;
  f.PVoltage.SetPosition(static_cast<int>(std::clamp<int64_t>(v + 10, INT_MIN, INT_MAX)));
  int pos = f.PVoltage.position();
  f.Power.SetCaption(std::to_string(pos / 10) + "." + std::to_string(pos % 10) + " V");
}

void StatusQueries::ShowSimCapacity(const SimLimits& limits) {
  p_.op.SimCapacity = limits.positions;
  p_.op.sim_limits = limits;
  p_.form.StatusBar1.SetPanel(2, " SIM: " + std::to_string(limits.positions));
}

void StatusQueries::ShowOperator(const std::string& line) {
  size_t quote = line.find('"');
  std::string text = line.substr(quote == std::string::npos ? 0 : quote, 20);
  if (Contains(text, "AMENA") || Contains(text, "21403")) text = "ORANGE";
  p_.form.StatusBar1.SetPanel(0, p_.settings.OperatorCaption + ": " + text);
}

}  // namespace vrkt
