#pragma once

#include <string>

#include "app/variant.h"
#include "params/held_values.h"
#include "ui/form.h"

namespace vrkt {

// Controls to held compound values (PARVRKT, PARRL1, TINPUTS, SDATA).
void EncodeEntryValues(Form1& form, HeldValues& held);
// Held compound values to controls; may throw AppError ("'%s' is not a valid integer value").
void DecodeEntryValues(Form1& form, HeldValues& held);
// The model counts as filled once TLtime has a selection.
bool ModelFilled(const Form1& form);
// Every list that the encode reads has a selection.
bool AllListsSelected(const Form1& form);
// Installs the input filters and click rules on the form's controls.
void InstallFieldRules(Form1& form, const Variant& variant);

}  // namespace vrkt
