#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "base/variant.h"
#include "params/entry_set.h"
#include "params/held_values.h"
#include "params/mapping.h"
#include "ui/form.h"

namespace vrkt::testing {

// A bare window model with the field rules of one variant installed.
struct ParamModel {
  explicit ParamModel(const char* program_name = "VRKTset")
      : variant(VariantFromFileName(program_name)) {
    InstallFieldRules(form, variant);
  }
  Form1 form;
  HeldValues held;
  Variant variant;

  // The state after the first decode: every list selected, the defaults shown.
  void Fill() {
    SetStartupHeldValues(held);
    DecodeEntryValues(form, held);
  }

  CheckBox& Box(const std::string& name) {
    return dynamic_cast<CheckBox&>(*form.FindControl(name));
  }

  // Applies a user-like action: "+Name" / "-Name" sets a check box, a bare name selects a relay
  // button.
  void Act(const std::string& action) {
    if (action[0] == '+' || action[0] == '-') {
      Box(action.substr(1)).SetChecked(action[0] == '+');
    } else {
      dynamic_cast<RadioButton&>(*form.FindControl(action)).Select();
    }
  }

  // The mode check boxes and the relay choice as one comparable text, e.g.
  // "E Em Em1 . S1 RelECALL": a dot stands for an unchecked box.
  std::string Modes() {
    std::ostringstream out;
    const char* names[] = {"ECALL", "ECALLmode", "ECALLmode1", "ServiceMode", "ServiceMode1"};
    const char* marks[] = {"E", "Em", "Em1", "S", "S1"};
    for (int i = 0; i < 5; ++i) out << (Box(names[i]).checked() ? marks[i] : ".") << ' ';
    RadioButton* r = form.Relay1.Selected();
    out << (r != nullptr ? r->name() : "-");
    return out.str();
  }
};

}  // namespace vrkt::testing
