#include <functional>

#include "params/entry_set.h"
#include "params/filters.h"
#include "params/mapping.h"

// Input rules of the parameter edits and the click rules that tie the emergency alarm mode, the
// service mode and the relay mode together. They run through the control semantics of the window
// model, so they behave the same for the user's changes and for the decode's.
namespace vrkt {

namespace {

using Filter = std::function<std::string(std::string_view)>;

// Filters the edit's own text, writes it back when it differs (which runs this rule once more
// and leaves the text as it is) and puts the caret at the end.
void HookEdit(Edit& edit, Filter filter) {
  edit.on_change = [&edit, filter = std::move(filter)] {
    std::string cleaned = filter(edit.text());
    if (cleaned != edit.text()) edit.SetText(cleaned);
    edit.CaretToEnd();
  };
}

}  // namespace

void InstallFieldRules(Form1& form, const Variant& variant) {
  Form1* f = &form;
  const bool vrkt_only = variant.ProductName == kVrktProductName;

  for (Edit* e : form.Masters()) HookEdit(*e, FilterDialString);
  for (Edit* e : form.Tests()) HookEdit(*e, FilterDialString);
  for (Edit* e : form.PortOpens()) HookEdit(*e, FilterDialString);
  for (Edit* e : form.PortCloses()) HookEdit(*e, FilterDialString);
  HookEdit(form.ALARMON, FilterDialString);
  HookEdit(form.ALARMOFF, FilterDialString);
  for (Edit* e : form.Tins())
    HookEdit(*e, [](std::string_view t) { return FilterDialString(t).substr(0, 4); });
  HookEdit(form.RelTime1, FilterRelayTime);
  HookEdit(form.VoltInt, FilterVoltWhole);
  HookEdit(form.VoltFr, FilterVoltTenth);

  // A tunnel time over two digits is taken as the longest the unit knows.
  form.Dtime.on_change = [f] {
    Edit& d = f->Dtime;
    std::string cleaned = FilterDialString(d.text());
    if (cleaned != d.text()) d.SetText(cleaned);
    d.CaretToEnd();
    if (d.text().size() > 2) d.SetText("99");
  };

  form.waiting.on_pick = [f] { f->Label34.SetCaption(f->waiting.text() + " sec."); };

  // ECALL, ECALLmode and ECALLmode1 show one setting in three places.
  form.ECALL.on_click = [f] {
    f->ECALLmode.SetChecked(f->ECALL.checked());
    f->ECALLmode1.SetChecked(f->ECALL.checked());
  };
  form.ECALLmode1.on_click = [f] { f->ECALL.SetChecked(f->ECALLmode1.checked()); };
  // While the relay follows the alarm mode, the mode cannot be switched off here.
  form.ECALLmode.on_click = [f, vrkt_only] {
    if (f->RelECALL.selected()) f->ECALLmode.SetChecked(true);
    if (f->ECALLmode.checked()) f->RelECALL.Select();
    f->ECALL.SetChecked(f->ECALLmode.checked());
    // One unit input cannot serve both modes: the one switched on last wins.
    if (vrkt_only && f->ServiceMode.checked() && f->ECALLmode.checked())
      f->ServiceMode.SetChecked(false);
  };
  form.ServiceMode.on_click = [f, vrkt_only] {
    if (f->OKservice.selected()) f->ServiceMode.SetChecked(true);
    if (f->ServiceMode.checked()) f->OKservice.Select();
    if (vrkt_only && f->ServiceMode.checked() && f->ECALLmode.checked())
      f->ECALLmode.SetChecked(false);
  };
  form.RelECALL.on_select = [f, vrkt_only] {
    f->ECALL.SetChecked(true);
    f->ECALLmode.SetChecked(true);
    f->ECALLmode1.SetChecked(true);
    if (vrkt_only) f->ServiceMode1.SetChecked(false);
  };
  form.OKservice.on_select = [f] {
    f->RelECALL.Deselect();
    f->ServiceMode.SetChecked(true);
    f->ECALLmode1.SetChecked(false);
    f->ServiceMode1.SetChecked(true);
  };
}

}  // namespace vrkt
