#pragma once

#include <functional>
#include <string>

#include "base/file_io.h"

namespace vrkt {

class ProfileFile;

// Where the settings file lives.
struct SettingsLocation {
  std::string path;  // read at start-up, written at exit
  // Set while `path` is a per-user file that does not exist yet: the file beside the program that
  // it starts as a copy of.
  std::string seed_path;
};

// The program's path with its extension replaced by ".ini", absolute, with the platform's
// separators (it is shown in messages). A name without extension (as on Linux) gets ".ini"
// added; links are not resolved, so every name has its own file.
std::string SettingsPathBeside(const std::string& program_path);

// The file beside the program. When `user_config_dir` is given and no file can be created in the
// program's folder (an installed program: /usr/bin, Program Files), the file of the same name in
// `user_config_dir` instead, which another variant's name does not share either.
SettingsLocation LocateSettingsFile(
    const std::string& program_path, const std::string& user_config_dir,
    const std::function<bool(const std::string&)>& can_create_files_in = CanCreateFilesIn);

// Reads the settings into `profile` (made for `where.path`): the file itself, or, while a
// per-user file does not exist yet, its seed.
void LoadSettingsFile(const SettingsLocation& where, ProfileFile& profile);

// Creates the folder of a per-user settings file before its first write. A failure is left to
// show as the failed write.
void PrepareSettingsFolder(const SettingsLocation& where);

}  // namespace vrkt
