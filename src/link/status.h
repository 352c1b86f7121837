#pragma once

#include <string>

#include "phonebook/row_check.h"

namespace vrkt {

class Program;

// Signal, battery, supply, operator and SIM displays; Run and Stop; polling and button states.
class StatusQueries {
 public:
  // The waiting bar after Run or Stop counts seconds up to this maximum, then gives up.
  static constexpr int kWaitLimitS = 250;
  static constexpr int kFirstPollMs = 10000;
  static constexpr int kPollMs = 30000;

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

  // Displays for the reply lines. Each throws AppError "'x' is not a valid integer value" when
  // its number field is not a number; what was shown before that point stays.
  void ShowSignal(const std::string& line);     // "+CSQ: 21,0"
  void ShowBattery(const std::string& line);    // "#CBC: 0,385" (10 mV units after the comma)
  void ShowSupply(const std::string& line);     // "#ADC: 230"
  void ShowSimCapacity(const SimLimits& limits);
  // The unit reported STOP: the wait after Stop is over.
  void StopReported();
  void ShowOperator(const std::string& line);   // "+COPS: 0,0,\"NAME\""

  static constexpr const char* kNoStopMessage =
      "The unit did not report STOP within 250 seconds after Stop. Check the cable, the port "
      "and the unit's power supply, then press Stop again.";

 private:
  enum class Waiting { kNone, kStop, kRun };
  void StartWaiting(Waiting what);
  void EndWaiting();
  Program& p_;
  Waiting waiting_ = Waiting::kNone;
  int waited_s_ = 0;
};

}  // namespace vrkt
