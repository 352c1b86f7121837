#include "link/status.h"

#include "app/program.h"

namespace vrkt {

void StatusQueries::signalClick() {}
void StatusQueries::VoltageClick() {}
void StatusQueries::PowerClick() {}
void StatusQueries::IMEI1Click() {}
void StatusQueries::InicializaceClick() {}
void StatusQueries::StopGDIClick() {}
void StatusQueries::RunGDIClick() {}
void StatusQueries::CekaniTimer() {}
void StatusQueries::Timer1_CSQstopTimer() {}
void StatusQueries::VoltageTimerTimer() {}
void StatusQueries::PowerTimerTimer() {}
void StatusQueries::TimerCTSTimer() {}

}  // namespace vrkt
