#include "loader/loader.h"

#include "app/program.h"

namespace vrkt {

void Loader::LoadListClick() {}
void Loader::ClrListClick() {}
void Loader::SendClick() {}
void Loader::LoaderStep(int) {}

}  // namespace vrkt
