#include "params/mapping.h"

namespace vrkt {

void EncodeEntryValues(Form1&, HeldValues&) {}
void DecodeEntryValues(Form1&, HeldValues&) {}
bool ModelFilled(const Form1& form) { return form.TLtime.HasSelection(); }
bool AllListsSelected(const Form1& form) {
  return form.TLtime.HasSelection() && form.BLtime.HasSelection() && form.BLbtime.HasSelection() &&
         form.waiting.HasSelection() && form.Tperiod.HasSelection() && form.TShift.HasSelection();
}
void InstallFieldRules(Form1&, const Variant&) {}

}  // namespace vrkt
