#include "qt/port_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/port_service.h"

namespace vrkt::qt {

QString PortLine(const PortInfo& p) {
  QString name = QString::fromStdString(p.name);
  if (p.description.empty()) return name;
  return name + QStringLiteral("  -  ") + QString::fromStdString(p.description);
}

PortDialog::PortDialog(const std::vector<PortInfo>& ports, const std::string& preselect,
                       QWidget* parent)
    : QDialog(parent), ports_(ports) {
  setObjectName("PortDialog");
  setWindowTitle("Select Port");
  auto* layout = new QVBoxLayout(this);
  auto* l1 = new QLabel("The configured serial port is not valid.", this);
  auto* l2 = new QLabel("Please choose another port.", this);
  l1->setObjectName("PortInvalid");
  l2->setObjectName("PortChoose");
  layout->addWidget(l1);
  layout->addWidget(l2);

  combo_ = new QComboBox(this);
  combo_->setObjectName("PortCombo");
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setMinimumContentsLength(36);
  for (const PortInfo& p : ports_) combo_->addItem(PortLine(p), QString::fromStdString(p.name));
  int pick = ports_.empty() ? -1 : 0;
  if (!preselect.empty()) {
    bool numeric = preselect.find_first_not_of("0123456789") == std::string::npos;
    for (size_t i = 0; i < ports_.size(); ++i) {
      bool hit = numeric ? std::to_string(PortService::NumberOfPort(ports_[i].name)) == preselect
                         : ports_[i].name == preselect;
      if (hit) {
        pick = static_cast<int>(i);
        break;
      }
    }
  }
  combo_->setCurrentIndex(pick);
  layout->addWidget(combo_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  ok->setObjectName("PortOk");
  cancel->setObjectName("PortCancel");
  ok->setDefault(true);
  QPushButton* replay = buttons->addButton("Replay a trace...", QDialogButtonBox::ActionRole);
  replay->setObjectName("PortReplay");
  connect(replay, &QPushButton::clicked, this, [this] {
    std::optional<std::string> file;
    if (pick_trace) {
      file = pick_trace();
    } else {
      QString path = QFileDialog::getOpenFileName(this, "Replay a trace", QString(),
                                                  "Wire traces (*.trace);;All files (*)");
      if (!path.isEmpty()) file = path.toStdString();
    }
    if (!file || file->empty()) return;
    combo_->setEditText(QString::fromStdString("replay:" + *file));
    accept();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string PortDialog::ChosenPort() const {
  QString text = combo_->currentText().trimmed();
  for (const PortInfo& p : ports_)
    if (text == PortLine(p) || text == QString::fromStdString(p.name)) return p.name;
  return text.toStdString();
}

}  // namespace vrkt::qt
