#include "pin/pin.h"

#include "app/program.h"

namespace vrkt {

void PinHandler::UNPINClick() {}
void PinHandler::CodePINClick() {}

}  // namespace vrkt
