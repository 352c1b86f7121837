#include "files/param_file.h"

#include "app/program.h"

namespace vrkt {

void PcFiles::SaveClick() {}
void PcFiles::LoadClick() {}
void PcFiles::SaveMonitorClick() {}

}  // namespace vrkt
