#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace vrkt {

class ProfileFile;

// The program's dialogs, with each kind of file dialog opening in the folder where the last file
// of its kind was chosen, this run or an earlier one. The folders are kept in the settings
// file's [Folders] section (ParameterFiles, LogFiles, PhoneBookFiles, LoaderLists, TraceFiles).
// A folder that has gone since, or a kind not yet used, starts where the caller asked.
// Everything else is passed on to the dialogs it wraps.
class RememberedFolders : public Dialogs {
 public:
  static constexpr char kSection[] = "Folders";

  explicit RememberedFolders(Dialogs& shown) : shown_(shown) {}

  // The folders the settings file holds.
  void Read(const ProfileFile& profile);
  // Writes the folders chosen this run; a kind not used this run keeps what the file holds. A
  // folder the file's code page cannot hold is not written (its dialog starts as before then).
  void Write(ProfileFile& profile) const;
  // The remembered folder of `kind`, empty when there is none.
  std::string FolderOf(FileKind kind) const;

  std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                        const std::string& preselect) override {
    return shown_.ChoosePort(ports, preselect);
  }
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override { shown_.ShowMessage(text); }
  void ShowError(const std::string& text) override { shown_.ShowError(text); }
  void ShowWarning(const std::string& text) override { shown_.ShowWarning(text); }
  int Ask(const std::string& text, const std::vector<std::string>& answers) override {
    return shown_.Ask(text, answers);
  }

 private:
  // The options with the remembered folder to start in, where it still exists.
  FileDialogOptions StartingWhereLastChosen(const FileDialogOptions& options) const;
  void Remember(FileKind kind, const std::optional<std::string>& chosen);

  Dialogs& shown_;
  std::map<FileKind, std::string> folders_;
  std::map<FileKind, std::string> chosen_this_run_;
};

}  // namespace vrkt
