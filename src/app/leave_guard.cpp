#include "app/leave_guard.h"

#include "app/program.h"

namespace vrkt {

namespace {

LeaveChoice AskAboutStoppedUnit(Program& p, const char* question, const char* start,
                                const char* anyway) {
  if (!UnitLeftStopped(p)) return LeaveChoice::kLeave;
  switch (p.dialogs().Ask(question, {start, anyway})) {
    case 0:
      return LeaveChoice::kStartThenLeave;
    case 1:
      return LeaveChoice::kLeave;
    default:
      return LeaveChoice::kStay;
  }
}

}  // namespace

bool UnitLeftStopped(Program& p) { return p.port().IsOpen() && p.port().Dtr(); }

LeaveChoice DecideClose(Program& p) {
  if (!p.MayClose()) return LeaveChoice::kStay;
  return AskAboutStoppedUnit(p, kLeaveStoppedQuestion, kStartAndClose, kCloseAnyway);
}

LeaveChoice DecidePortChange(Program& p) {
  return AskAboutStoppedUnit(p, kLeaveStoppedPortQuestion, kStartAndChangePort, kChangePortAnyway);
}

void StartBeforeLeaving(Program& p) {
  p.Run([&p] { p.status.RunGDIClick(); });
}

bool RunSequenceEnded(Program& p) {
  return !p.port().IsOpen() || (!p.port().Dtr() && !p.link.Has(LinkUser::kRun));
}

void ClearUnitDisplays(Program& p) {
  Form1& f = p.form;
  f.StatusBar1.SetPanel(0, p.settings.OperatorCaption + ":");
  f.StatusBar1.SetPanel(1, " " + p.settings.BoardVoltageCaption + ":");
  f.StatusBar1.SetPanel(2, " SIM:");
  f.StatusBar1.SetPanel(4, " ---- Ver:");
  f.Smeter.SetPosition(f.Smeter.min());
  f.BVoltage.SetPosition(f.BVoltage.min());
  f.PVoltage.SetPosition(f.PVoltage.min());
  f.Power.SetCaption(" - - - V");
  f.Voltage.SetCaption(" - - - - mV");
}

}  // namespace vrkt
