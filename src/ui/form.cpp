#include "ui/form.h"

#include <algorithm>

namespace vrkt {

Form1::Form1() {
  // Start states that differ from a control's defaults.
  RunGDI.SetVisible(false);
  RXDled.SetVisible(false);
  PINOK.SetVisible(false);
  Prubeh.SetVisible(false);
  Inicializace.SetVisible(false);
  Bevel1.SetDefaultTooltip("Signal is good, when color is green or blue.");
  Smeter.SetDefaultTooltip("Signal is good, when color is green or blue.");
  VoltFr.SetDefaultTooltip("Only information - not editable!");
  IMEI.SetDefaultTooltip("IMEI of GSM module");
  PortSelect.SetDefaultTooltip("Choose the serial port the unit is connected to.");
  BookImport.SetDefaultTooltip("Add phone book rows from a CSV or vCard file.");
  BookExport.SetDefaultTooltip("Save the phone book as a CSV or vCard file.");
}

void Form1::Register(Control* c) {
  controls_.push_back(c);
  by_name_.emplace(c->name(), c);
}

Control* Form1::FindControl(std::string_view name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

std::vector<Timer*> Form1::timers() const {
  std::vector<Timer*> out;
  for (Control* c : controls_)
    if (c->kind() == ControlKind::kTimer) out.push_back(static_cast<Timer*>(c));
  return out;
}

void Form1::AddObserver(FormObserver* o) { observers_.push_back(o); }

void Form1::RemoveObserver(FormObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Form1::Notify(Control& c, Aspect a) {
  for (FormObserver* o : observers_) o->ControlChanged(c, a);
}

}  // namespace vrkt
