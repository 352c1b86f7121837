#pragma once

namespace vrkt {

class Program;
class ProfileFile;

// Section "Language" (captions) and "Help" (tooltips) of the settings file.
void ApplyInterfaceTexts(Program& program, const ProfileFile& profile);
void WriteInterfaceTexts(const Program& program, ProfileFile& profile);

}  // namespace vrkt
