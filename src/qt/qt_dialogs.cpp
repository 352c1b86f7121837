#include "qt/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "qt/port_dialog.h"
#include "qt/text_convert.h"

namespace vrkt::qt {

QString QtFilterFrom(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    patterns.replace(';', ' ');
    // Qt reads the patterns from the parentheses, so rebuild them from the pattern half.
    int paren = desc.indexOf('(');
    if (paren >= 0) desc = desc.left(paren).trimmed();
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    out << (desc.isEmpty() ? patterns : desc + " (" + patterns + ")");
  }
  return out.join(QStringLiteral(";;"));
}

QString QtDialogs::Title() const {
  return title_ ? ToQ(title_()) : QStringLiteral("VRKTset");
}

std::optional<std::string> QtDialogs::ChoosePort(const std::vector<PortInfo>& ports,
                                                 const std::string& preselect) {
  PortDialog dialog(ports, preselect, parent_);
  if (pick_trace_) dialog.pick_trace = pick_trace_;
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::string chosen = dialog.ChosenPort();
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

std::optional<std::string> QtDialogs::FileDialog(const FileDialogOptions& options, bool save) {
  QFileDialog dialog(parent_, save ? QStringLiteral("Save As") : QStringLiteral("Open"),
                     QString::fromStdString(options.initial_dir), QtFilterFrom(options.filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!options.default_ext.empty()) dialog.setDefaultSuffix(QString::fromStdString(options.default_ext));
  // The overwrite question is on by default for save dialogs; say so for the reader.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::SaveFile(const FileDialogOptions& options) {
  return FileDialog(options, true);
}

std::optional<std::string> QtDialogs::OpenFile(const FileDialogOptions& options) {
  return FileDialog(options, false);
}

void QtDialogs::Show(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, Title(), ToQ(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtDialogs::ShowMessage(const std::string& text) { Show(QMessageBox::Information, text); }
void QtDialogs::ShowError(const std::string& text) { Show(QMessageBox::Critical, text); }
void QtDialogs::ShowWarning(const std::string& text) { Show(QMessageBox::Warning, text); }

int QtDialogs::Ask(const std::string& text, const std::vector<std::string>& answers) {
  QMessageBox box(QMessageBox::Question, Title(), ToQ(text), QMessageBox::NoButton, parent_);
  std::vector<QAbstractButton*> buttons;
  for (const std::string& a : answers)
    buttons.push_back(box.addButton(ToQ(a), QMessageBox::AcceptRole));
  // A yes/no question (Confirm) is asked before something that may lose data or settings: No
  // is its default, so Return does not do the risky thing. Elsewhere the first answer is.
  const bool yes_no = answers.size() == 1 && answers[0] == "Yes";
  QPushButton* cancel = box.addButton(yes_no ? QMessageBox::No : QMessageBox::Cancel);
  if (yes_no) {
    box.setIcon(QMessageBox::Warning);
    box.setDefaultButton(cancel);
  } else if (!buttons.empty()) {
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
  }
  box.setEscapeButton(cancel);
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i)
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace vrkt::qt
