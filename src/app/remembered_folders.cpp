#include "app/remembered_folders.h"

#include <filesystem>

#include "base/file_io.h"
#include "base/profile.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {

struct KindKey {
  FileKind kind;
  const char* key;
};
constexpr KindKey kKeys[] = {
    {FileKind::kParameterFiles, "ParameterFiles"}, {FileKind::kLogFiles, "LogFiles"},
    {FileKind::kPhoneBookFiles, "PhoneBookFiles"}, {FileKind::kLoaderLists, "LoaderLists"},
    {FileKind::kTraceFiles, "TraceFiles"},
};

// The folder that holds `file`, made absolute: a relative name means the working folder, which
// may change before the next dialog (the loader moves into its list's folder).
std::string FolderHolding(const std::string& file) {
  std::error_code ec;
  fs::path path = fs::absolute(PathOfUtf8(file), ec);
  if (ec) return {};
  return Utf8OfPath(path.parent_path());
}

}  // namespace

void RememberedFolders::Read(const ProfileFile& profile) {
  folders_.clear();
  for (const KindKey& k : kKeys) {
    std::string folder = profile.ReadPath(kSection, k.key);
    if (!folder.empty()) folders_[k.kind] = std::move(folder);
  }
}

void RememberedFolders::Write(ProfileFile& profile) const {
  for (const KindKey& k : kKeys) {
    auto it = chosen_this_run_.find(k.kind);
    if (it != chosen_this_run_.end()) profile.WritePath(kSection, k.key, it->second);
  }
}

std::string RememberedFolders::FolderOf(FileKind kind) const {
  auto it = folders_.find(kind);
  return it == folders_.end() ? std::string() : it->second;
}

FileDialogOptions RememberedFolders::StartingWhereLastChosen(
    const FileDialogOptions& options) const {
  FileDialogOptions start = options;
  const std::string folder = FolderOf(options.kind);
  std::error_code ec;
  if (!folder.empty() && fs::is_directory(PathOfUtf8(folder), ec)) start.initial_dir = folder;
  return start;
}

void RememberedFolders::Remember(FileKind kind, const std::optional<std::string>& chosen) {
  if (kind == FileKind::kOther || !chosen || chosen->empty()) return;
  std::string folder = FolderHolding(*chosen);
  if (folder.empty()) return;
  folders_[kind] = folder;
  chosen_this_run_[kind] = std::move(folder);
}

std::optional<std::string> RememberedFolders::SaveFile(const FileDialogOptions& options) {
  std::optional<std::string> chosen = shown_.SaveFile(StartingWhereLastChosen(options));
  Remember(options.kind, chosen);
  return chosen;
}

std::optional<std::string> RememberedFolders::OpenFile(const FileDialogOptions& options) {
  std::optional<std::string> chosen = shown_.OpenFile(StartingWhereLastChosen(options));
  Remember(options.kind, chosen);
  return chosen;
}

}  // namespace vrkt
