#include "link/receiver.h"

#include "app/program.h"

namespace vrkt {

void LineReceiver::ApdComPort1TriggerAvail(uint16_t count) {
  for (uint16_t i = 0; i < count; ++i) p_.port().ReadByte();
}

void LineReceiver::LedTimerTimer() {}

}  // namespace vrkt
