#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/serial_port.h"

class QComboBox;

namespace vrkt::qt {

// "Select Port": the ports with their descriptions in an editable list, so that a device the
// system does not list (a pseudo-terminal, say) can be typed as a path.
class PortDialog : public QDialog {
 public:
  // `preselect` is the settings key Port (a number) or a port name; the matching port starts
  // selected.
  PortDialog(const std::vector<PortInfo>& ports, const std::string& preselect,
             QWidget* parent = nullptr);
  // The chosen port's name: the listed port whose line is shown, else the typed text.
  std::string ChosenPort() const;
  QComboBox* combo() const { return combo_; }
  // "Replay a trace...": asks for a trace file (a file dialog unless set) and chooses
  // "replay:FILE", the recorded unit played back.
  std::function<std::optional<std::string>()> pick_trace;

 private:
  std::vector<PortInfo> ports_;
  QComboBox* combo_;
};

// Line shown for a port in the list.
QString PortLine(const PortInfo& p);

}  // namespace vrkt::qt
