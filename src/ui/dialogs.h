#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/serial_port.h"

namespace vrkt {

// The kinds of file the program asks for. Each kind's dialog opens in the folder where the last
// file of that kind was chosen (RememberedFolders).
enum class FileKind {
  kOther,
  kParameterFiles,
  kLogFiles,
  kPhoneBookFiles,
  kLoaderLists,
  kTraceFiles
};

struct FileDialogOptions {
  // "VRKT files (*.vrk)|*.vrk": description and pattern, as the filter reads.
  std::string filter;
  // Added to a name typed without extension ("vrk", "mon"); empty for none.
  std::string default_ext;
  // Starting folder; empty for the dialog's own choice.
  std::string initial_dir;
  FileKind kind = FileKind::kOther;
};

// The modal dialogs and message boxes of the program. The Qt shell shows real dialogs; tests and
// the command line answer from a script. Paths are UTF-8.
class Dialogs : public PortChooser {
 public:
  // Asks before overwriting an existing file; adds the default extension to a bare name.
  virtual std::optional<std::string> SaveFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> OpenFile(const FileDialogOptions& options) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  // A failure, and a warning: shown as messages are, with the icon of their kind where the
  // dialogs have icons.
  virtual void ShowError(const std::string& text) { ShowMessage(text); }
  virtual void ShowWarning(const std::string& text) { ShowMessage(text); }
  // Asks a question with the given answers (button captions, the first is the default) and a
  // Cancel; returns the index of the answer chosen, or -1 for Cancel.
  virtual int Ask(const std::string& text, const std::vector<std::string>& answers) = 0;
  // A yes/no question; true for yes.
  bool Confirm(const std::string& text) { return Ask(text, {"Yes"}) == 0; }
};

}  // namespace vrkt
