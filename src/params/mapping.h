#pragma once

#include <string>

#include "base/variant.h"
#include "params/held_values.h"
#include "ui/form.h"

// The bridge between the window's controls and the unit's reserved entries.
//
// For the reader of the unit: hand every entry read from the SIM to RouteEntry. It sets the
// controls and held values it owns; for kVersion and kOrdinary the caller does the rest (status
// bar, phone book editor). A compound entry runs DecodeEntryValues, which may throw AppError.
//
// For the writer: call EncodeEntryValues once (on a filled model), then take the values from the
// write order in params/entry_set.h.
namespace vrkt {

// Controls to held compound values (PARVRKT, PARRL1, TINPUTS, SDATA). Callers encode only a
// filled model: an index list without a selection is written as -1 and an empty BLbtime as
// nothing. A `waiting` without a selection (the unit's own 0) is written as 0.
void EncodeEntryValues(Form1& form, HeldValues& held);
// Replaces one held compound value (`slot` is one of `held`'s members) and decodes all four. A
// value that does not decode is not kept: `slot` gets its old value back and the controls are
// decoded from it again, so that what is held always decodes, and a file saved from the window
// loads again. The AppError still reaches the caller.
void TakeHeldValue(Form1& form, HeldValues& held, std::string& slot, const std::string& value);
// Held compound values to controls, all four each time. A held value that fails its check is
// replaced by its default first. A field that is no number throws AppError ("'%s' is not a valid
// integer value"); the controls set before it keep their new states. The click rules that the
// changes set off run along the way.
void DecodeEntryValues(Form1& form, HeldValues& held);
// The model counts as filled once TLtime has a selection.
bool ModelFilled(const Form1& form);
// Every list that the encode reads has a selection.
bool AllListsSelected(const Form1& form);
// Installs the input filters and click rules on the form's controls.
void InstallFieldRules(Form1& form, const Variant& variant);

// Selects the BLbtime item for a two-character field: the first of "01" ... "99" not below its
// number, "OFF" for "00". Throws like the decode when the text is no number.
void SelectBLbtime(Form1& form, const std::string& two_chars);
// Sets the held VOLTAGE value and splits it: VoltInt gets the text before the first "*", VoltFr
// the text after it; without "*", VoltInt is emptied and VoltFr gets the whole value. Both edits
// then apply their own filters.
void ApplyVoltage(Form1& form, HeldValues& held, const std::string& value);

enum class EntryRoute {
  kControl,   // a phone-number edit took the value
  kCompound,  // a held compound value was replaced and decoded
  kVoltage,   // VOLTAGE was held and split into VoltInt and VoltFr
  kVersion,   // VER: the caller shows it
  kOrdinary,  // not reserved in this variant: a phone book entry for the caller
};
// Sorts one entry read from the SIM by its exact name and the running variant and applies its
// effect. May throw AppError from the decode (see TakeHeldValue).
EntryRoute RouteEntry(Form1& form, HeldValues& held, const Variant& variant,
                      const std::string& name, const std::string& value);

}  // namespace vrkt
