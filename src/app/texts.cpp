#include "app/texts.h"

#include "app/profile.h"
#include "app/program.h"

namespace vrkt {

void ApplyInterfaceTexts(Program&, const ProfileFile&) {}
void WriteInterfaceTexts(const Program&, ProfileFile&) {}

}  // namespace vrkt
