#include "link/transfer.h"

#include "app/program.h"

namespace vrkt {

void Transfer::SaveGDIClick() {}
void Transfer::LoadGDIClick() {}
void Transfer::WriteAllStep() {}
void Transfer::SortEntry(const std::string&) {}

}  // namespace vrkt
