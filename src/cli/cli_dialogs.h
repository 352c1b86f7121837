#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace vrkt::cli {

// The program's dialogs answered from the command line: the port comes from --port, each file
// dialog takes the path the running command has put up for it, and message boxes become
// captured errors that the command turns into its exit code.
class CliDialogs : public Dialogs {
 public:
  std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                        const std::string& preselect) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  // Nobody is there to answer: every question counts as Cancel, unless the running command has
  // put up its answer.
  int Ask(const std::string& text, const std::vector<std::string>& answers) override;
  void AnswerNextQuestion(int answer) { next_answer_ = answer; }
  // How many questions have been asked so far.
  size_t questions_asked() const { return questions_asked_; }

  // The answer of the next file dialog; a dialog without one is cancelled.
  void AnswerNextFile(const std::string& path) { next_file_ = path; }
  void CancelFileAnswer() { next_file_.reset(); }
  // Whether the last answer was taken; a command that expected a dialog and got none has met
  // a changed core and must not report success.
  bool file_answer_taken() const { return !next_file_.has_value(); }
  void set_port(const std::string& port) { port_ = port; }

  const std::vector<std::string>& messages() const { return messages_; }
  // Messages shown since the given count, joined by line ends.
  std::string MessagesSince(size_t count) const;
  // Called for every message as it is shown (the command line prints it at once).
  std::function<void(const std::string&)> on_message;

 private:
  std::optional<std::string> next_file_;
  std::optional<int> next_answer_;
  size_t questions_asked_ = 0;
  std::string port_;
  std::vector<std::string> messages_;
};

}  // namespace vrkt::cli
