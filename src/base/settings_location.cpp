#include "base/settings_location.h"

#include <filesystem>

#include "base/profile.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathOfUtf8(path), ec);
}

}  // namespace

std::string SettingsPathBeside(const std::string& program_path) {
  fs::path p = PathOfUtf8(program_path);
  std::error_code ec;
  if (p.is_relative()) {
    fs::path abs = fs::absolute(p, ec);
    if (!ec) p = abs;
  }
  p.replace_extension(".ini");
  return Utf8OfPath(p.make_preferred());
}

SettingsLocation LocateSettingsFile(
    const std::string& program_path, const std::string& user_config_dir,
    const std::function<bool(const std::string&)>& can_create_files_in) {
  fs::path beside = PathOfUtf8(SettingsPathBeside(program_path));
  if (user_config_dir.empty() || can_create_files_in(Utf8OfPath(beside.parent_path())))
    return {Utf8OfPath(beside), {}};
  SettingsLocation own{
      Utf8OfPath((PathOfUtf8(user_config_dir) / beside.filename()).make_preferred()), {}};
  if (!Exists(own.path)) own.seed_path = Utf8OfPath(beside);
  return own;
}

void LoadSettingsFile(const SettingsLocation& where, ProfileFile& profile) {
  if (where.seed_path.empty() || Exists(where.path)) {
    profile.Load();
    return;
  }
  // The first run with a per-user file starts from what an administrator may have put beside the
  // program (the port, the loader's pause, a translation), so none of it is lost.
  ProfileFile seed(where.seed_path);
  seed.Load();
  profile.Parse(seed.Bytes());
}

void PrepareSettingsFolder(const SettingsLocation& where) {
  if (where.seed_path.empty()) return;
  std::error_code ignore;
  fs::create_directories(PathOfUtf8(where.path).parent_path(), ignore);
}

}  // namespace vrkt
