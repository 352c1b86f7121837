#include "link/transfer.h"

#include "app/program.h"

namespace vrkt {

void Transfer::SaveGDIClick() {}
void Transfer::LoadGDIClick() {}

}  // namespace vrkt
