#include "cli/cli_dialogs.h"

namespace vrkt::cli {

std::optional<std::string> CliDialogs::ChoosePort(const std::vector<PortInfo>&,
                                                  const std::string&) {
  if (port_.empty()) return std::nullopt;
  return port_;
}

std::optional<std::string> CliDialogs::SaveFile(const FileDialogOptions&) {
  // The name is used as given: a script that names its output file must find it under that
  // name, so no default extension is added and an existing file is replaced.
  std::optional<std::string> answer = next_file_;
  next_file_.reset();
  return answer;
}

std::optional<std::string> CliDialogs::OpenFile(const FileDialogOptions& options) { return SaveFile(options); }

void CliDialogs::ShowMessage(const std::string& text) {
  messages_.push_back(text);
  if (on_message) on_message(text);
}

int CliDialogs::Ask(const std::string&, const std::vector<std::string>&) {
  ++questions_asked_;
  std::optional<int> answer = next_answer_;
  next_answer_.reset();
  return answer.value_or(-1);
}

std::string CliDialogs::MessagesSince(size_t count) const {
  std::string joined;
  for (size_t i = count; i < messages_.size(); ++i) {
    if (!joined.empty()) joined += "\n";
    joined += messages_[i];
  }
  return joined;
}

}  // namespace vrkt::cli
