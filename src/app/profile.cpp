#include "app/profile.h"

namespace vrkt {

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}
void ProfileFile::Load() {}
std::string ProfileFile::ReadString(const std::string&, const std::string&, const std::string& def) const { return def; }
int64_t ProfileFile::ReadInteger(const std::string&, const std::string&, int64_t def) const { return def; }
bool ProfileFile::ReadBool(const std::string& s, const std::string& k, bool def) const { return ReadInteger(s, k, def ? 1 : 0) != 0; }
void ProfileFile::WriteString(const std::string&, const std::string&, const std::string&) {}
void ProfileFile::WriteInteger(const std::string& s, const std::string& k, int64_t v) { WriteString(s, k, std::to_string(v)); }
void ProfileFile::Commit() {}
std::string ProfileFile::Bytes() const { return {}; }

}  // namespace vrkt
