#pragma once

#include <functional>
#include <string>

#include "link/command_link.h"
#include "link/sim_limits.h"
#include "unit/unit_context.h"

namespace vrkt {

// Signal, battery, supply, operator and SIM displays; Run and Stop; polling and button states.
class StatusQueries {
 public:
  // The waiting bar after Run or Stop counts seconds up to this maximum, then gives up.
  static constexpr int kWaitLimitS = 250;
  static constexpr int kFirstPollMs = 10000;
  static constexpr int kPollMs = 30000;

  // `start_read` starts the read that follows the unit's stopping.
  StatusQueries(UnitContext unit, std::function<void()> start_read)
      : p_(unit), start_read_(std::move(start_read)) {}
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
  void ShowSignal(const std::string& line);   // "+CSQ: 21,0"
  void ShowBattery(const std::string& line);  // "#CBC: 0,385" (10 mV units after the comma)
  void ShowSupply(const std::string& line);   // "#ADC: 230"
  void ShowSimCapacity(const SimLimits& limits);
  // The unit's application reported that it stopped: "STOP", or "#APLAYEV: 0" (a 4G module)
  // while Stop is down. Ends the wait after Stop and starts the read.
  void OnStopReport(const std::string& line);
  // The unit reported STOP: the wait after Stop is over. Returns whether the read that a STOP
  // starts is still to come (not when the program had already recognised the unit as stopped).
  bool StopReported();
  // The answer to the greeting ("ATE0") that start-up and a port change send. While the unit's
  // application runs the module answers nothing, so an answer means that the application is
  // stopped already: Stop then brings no STOP, and the unit is taken as stopped at once.
  void NoteGreeting(const CommandResult& r);
  // Another port: nothing is known of the unit there.
  void ForgetUnit();
  // Whether the unit has been seen stopped (it reported STOP, or answered while its application
  // was thought to run) since the last Run; only then does the window show it stopped.
  bool unit_seen_stopped() const { return unit_seen_stopped_; }
  // How many times the unit has been seen to stop (a STOP report or the recognition above).
  int stops_seen() const { return stops_seen_; }
  // Whether the module answered the greeting (false also while it is awaited).
  bool greeting_answered() const { return greeting_ == Greeting::kAnswered; }
  // "The unit does not answer on PORT: ...".
  std::string NoAnswerMessage() const;
  void ShowOperator(const std::string& line);  // "+COPS: 0,0,\"NAME\""

  // Whether the last reply of each kind could be read; an unreadable one shows as unknown.
  bool signal_known() const { return signal_known_; }
  bool battery_known() const { return battery_known_; }
  bool supply_known() const { return supply_known_; }

  static constexpr const char* kNoStopMessage =
      "The unit did not report STOP within 250 seconds after Stop. Check the cable, the port "
      "and the unit's power supply, then press Stop again.";

 private:
  enum class Waiting { kNone, kStop, kRun };
  enum class Greeting { kUnknown, kAnswered, kUnanswered };
  // The unit answered although its application was held to run: it is stopped already.
  void RecogniseStopped();
  void StartWaiting(Waiting what);
  void EndWaiting();
  UnitContext p_;
  std::function<void()> start_read_;
  Waiting waiting_ = Waiting::kNone;
  int waited_s_ = 0;
  Greeting greeting_ = Greeting::kUnknown;
  bool unit_seen_stopped_ = false;
  bool stop_recognised_ = false;  // this Stop's read started without a STOP report
  int stops_seen_ = 0;
  bool signal_known_ = false;
  bool battery_known_ = false;
  bool supply_known_ = false;
};

}  // namespace vrkt
