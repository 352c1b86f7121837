#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "ui/dialogs.h"

namespace vrkt::qt {

// "VRKT files (*.vrk)|*.vrk|Logs (*.mon)|*.mon" → "VRKT files (*.vrk);;Logs (*.mon)".
QString QtFilterFrom(const std::string& filter);

// The program's dialogs as real Qt dialogs. Message boxes carry the application title.
class QtDialogs : public Dialogs {
 public:
  // Where the title comes from; it changes during start-up with the variant.
  void SetTitleSource(std::function<std::string()> title) { title_ = std::move(title); }
  void SetParent(QWidget* parent) { parent_ = parent; }
  // How the port dialog's "Replay a trace..." asks for the trace file (its own file dialog
  // unless set).
  void SetTracePicker(std::function<std::optional<std::string>()> pick) {
    pick_trace_ = std::move(pick);
  }

  std::optional<std::string> ChoosePort(const std::vector<PortInfo>& ports,
                                        const std::string& preselect) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowWarning(const std::string& text) override;
  int Ask(const std::string& text, const std::vector<std::string>& answers) override;

 private:
  std::optional<std::string> FileDialog(const FileDialogOptions& options, bool save);
  QString Title() const;
  void Show(QMessageBox::Icon icon, const std::string& text);
  std::function<std::string()> title_;
  std::function<std::optional<std::string>()> pick_trace_;
  QPointer<QWidget> parent_;
};

}  // namespace vrkt::qt
