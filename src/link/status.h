#pragma once

namespace vrkt {

class Program;

// Signal, battery, supply, operator and SIM displays; Run and Stop; polling and button states.
class StatusQueries {
 public:
  explicit StatusQueries(Program& program) : p_(program) {}
  void signalClick();
  void VoltageClick();
  void PowerClick();
  void IMEI1Click();
  void InicializaceClick();
  void StopGDIClick();
  void RunGDIClick();
  void CekaniTimer();
  void Timer1_CSQstopTimer();
  void VoltageTimerTimer();
  void PowerTimerTimer();
  void TimerCTSTimer();

 private:
  Program& p_;
};

}  // namespace vrkt
