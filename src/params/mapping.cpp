#include "params/mapping.h"

#include <array>
#include <utility>

#include "base/error.h"
#include "base/text.h"
#include "params/entry_set.h"
#include "params/filters.h"

namespace vrkt {

namespace {

// The relay buttons by their code in PARRL1.
std::array<RadioButton*, 7> RelayByCode(Form1& f) {
  return {&f.RelSMS1, &f.RelECALL, &f.RelCam1, &f.RelLi1, &f.RelBut1, &f.OKservice, &f.RelRunning};
}

int RelayCode(Form1& f) {
  auto buttons = RelayByCode(f);
  for (size_t code = 0; code < buttons.size(); ++code)
    if (buttons[code]->selected()) return static_cast<int>(code);
  return 0;  // no selection is written as the SMS switch
}

// The text at 1-based `pos`, `len` characters long; the held value's check has made sure it
// exists, and a shorter text would only make the number unreadable, never read out of bounds.
std::string At(const std::string& value, size_t pos, size_t len = 1) {
  if (pos - 1 >= value.size()) return {};
  return value.substr(pos - 1, len);
}

int NumberAt(const std::string& value, size_t pos, size_t len = 1) {
  int64_t n = ParseInt(At(value, pos, len));
  // Fields are at most four characters, so this never truncates; the cast keeps list indexes int.
  return static_cast<int>(n);
}

void DecodePARVRKT(Form1& f, HeldValues& held) {
  f.TestCall.SetChecked(false);
  f.ATest.SetChecked(false);
  f.TestSMS.SetChecked(false);
  f.ECALL.SetChecked(false);

  if (!ValidPARVRKT(held.PARVRKT)) held.PARVRKT = kDefaultPARVRKT;
  const std::string& v = held.PARVRKT;

  f.VolMic.SetPosition(8 - NumberAt(v, 1));
  f.VolSpk.SetPosition(8 - NumberAt(v, 3));
  f.Tperiod.SetItemIndex(NumberAt(v, 5));
  f.TShift.SetItemIndex(NumberAt(v, 7));

  int actions = NumberAt(v, 9);
  if (actions & 1) f.TestCall.SetChecked(true);
  if (actions & 2) f.TestSMS.SetChecked(true);
  if (actions & 4) f.ATest.SetChecked(true);

  f.BLtime.SetItemIndex(NumberAt(v, 11));
  SelectBLbtime(f, At(v, 13, 2));
  f.TLtime.SetItemIndex(NumberAt(v, 16));
  f.waiting.SetItemIndex(NumberAt(v, 18) - 1);
  f.Label34.SetCaption(f.waiting.text() + " " + f.LabelSecBL.caption());

  // The decode only switches modes on; switching off is left to the click rules.
  switch (v[19]) {
    case '3':
      f.ServiceMode1.SetChecked(true);
      f.ECALLmode1.SetChecked(true);
      break;
    case '1':
      f.ECALLmode1.SetChecked(true);
      break;
    case '2':
      f.ServiceMode.SetChecked(true);
      f.ServiceMode1.SetChecked(true);
      break;
    default:
      break;
  }
  f.ECALLmode.SetChecked(f.ECALL.checked());
}

void DecodePARRL1(Form1& f, HeldValues& held) {
  if (!ValidPARRL1(held.PARRL1)) held.PARRL1 = kDefaultPARRL1;
  const std::string& v = held.PARRL1;
  char code = v[2];
  if (code >= '0' && code <= '6') RelayByCode(f)[code - '0']->Select();
  f.RelTime1.SetText(At(v, 5, 2));
}

void DecodeTINPUTS(Form1& f, HeldValues& held) {
  if (!ValidTINPUTS(held.TINPUTS)) held.TINPUTS = kDefaultTINPUTS;
  const std::string& v = held.TINPUTS;
  f.TIN1.SetText(std::to_string(NumberAt(v, 1, 4)));
  f.TIN2.SetText(std::to_string(NumberAt(v, 6, 4)));
  f.TIN3.SetText(std::to_string(NumberAt(v, 11, 4)));
}

void DecodeSDATA(Form1& f, HeldValues& held) {
  if (!ValidSDATA(held.SDATA)) held.SDATA = kDefaultSDATA;
  const std::string& v = held.SDATA;
  f.Dtime.SetText(std::to_string(NumberAt(v, 1, 2)));
  // A rate that is none of the items is shown as received rather than dropped: Rate is an
  // editable list, so the technician sees what the unit holds, and the next write sends the
  // same text back instead of silently keeping an older rate.
  size_t hash = v.find('#');
  f.Rate.SetText(hash == std::string::npos ? std::string() : v.substr(hash + 1));
}

}  // namespace

void EncodeEntryValues(Form1& f, HeldValues& held) {
  auto index = [](const ListControl& l) { return std::to_string(l.item_index()); };
  int actions =
      (f.TestCall.checked() ? 1 : 0) + (f.TestSMS.checked() ? 2 : 0) + (f.ATest.checked() ? 4 : 0);
  std::string blocking = f.BLbtime.item_index() == 0 ? "00" : f.BLbtime.text();
  // A unit may hold 0 here, which selects no waiting item; writing it back keeps the value's
  // shape instead of a 19-character value the next read would throw away.
  std::string wait = f.waiting.text().empty() ? "0" : f.waiting.text().substr(0, 1);
  int mode =
      (f.ECALL.checked() ? 1 : 0) + (f.ServiceMode.checked() || f.ServiceMode1.checked() ? 2 : 0);

  held.PARVRKT = std::to_string(8 - f.VolMic.position()) + "#" +
                 std::to_string(8 - f.VolSpk.position()) + "#" + index(f.Tperiod) + "#" +
                 index(f.TShift) + "#" + std::to_string(actions) + "#" + index(f.BLtime) + "#" +
                 blocking + "#" + index(f.TLtime) + "#" + wait + "#" + std::to_string(mode);
  held.PARRL1 = "5#" + std::to_string(RelayCode(f)) + "#" + f.RelTime1.text() + "#1";
  held.TINPUTS = PadOrTail(f.TIN1.text(), 4) + "#" + PadOrTail(f.TIN2.text(), 4) + "#" +
                 PadOrTail(f.TIN3.text(), 4);
  held.SDATA = PadOrTail(f.Dtime.text(), 2) + "#" + f.Rate.text();
}

void DecodeEntryValues(Form1& form, HeldValues& held) {
  DecodePARVRKT(form, held);
  DecodePARRL1(form, held);
  DecodeTINPUTS(form, held);
  DecodeSDATA(form, held);
}

void TakeHeldValue(Form1& form, HeldValues& held, std::string& slot, const std::string& value) {
  std::string before = std::exchange(slot, value);
  try {
    DecodeEntryValues(form, held);
  } catch (const AppError&) {
    slot = std::move(before);
    try {
      DecodeEntryValues(form, held);
    } catch (const AppError&) {
      // What was held before decoded once; should it not, the first message says enough.
    }
    throw;
  }
}

bool ModelFilled(const Form1& form) { return form.TLtime.HasSelection(); }

bool AllListsSelected(const Form1& form) {
  return form.TLtime.HasSelection() && form.BLtime.HasSelection() && form.BLbtime.HasSelection() &&
         form.waiting.HasSelection() && form.Tperiod.HasSelection() && form.TShift.HasSelection();
}

void SelectBLbtime(Form1& form, const std::string& two_chars) {
  ListControl& list = form.BLbtime;
  const int last = static_cast<int>(list.items().size()) - 1;
  int64_t v = ParseInt(two_chars);
  int chosen = -1;
  for (int i = 1; i <= last && chosen < 0; ++i)
    if (ParseInt(list.items()[i]) >= v) chosen = i;
  if (two_chars == "00") chosen = 0;
  if (two_chars == "99") chosen = last;
  list.SetItemIndex(chosen);
}

void ApplyVoltage(Form1& form, HeldValues& held, const std::string& value) {
  held.VOLTAGE = value;
  size_t star = value.find('*');
  if (star == std::string::npos) {
    form.VoltInt.SetText("");
    form.VoltFr.SetText(value);
  } else {
    form.VoltInt.SetText(value.substr(0, star));
    form.VoltFr.SetText(value.substr(star + 1));
  }
}

EntryRoute RouteEntry(Form1& form, HeldValues& held, const Variant& variant,
                      const std::string& name, const std::string& value) {
  const ReservedEntry* entry = FindReservedEntry(name);
  if (entry == nullptr || !ReadInVariant(*entry, variant)) return EntryRoute::kOrdinary;
  switch (entry->kind) {
    case EntryKind::kPhoneNumber:
      if (Edit* edit = PhoneNumberControl(form, name, variant)) edit->SetText(value);
      return EntryRoute::kControl;
    case EntryKind::kCompound:
      TakeHeldValue(form, held, *HeldValueOf(held, name), value);
      return EntryRoute::kCompound;
    case EntryKind::kVoltage:
      ApplyVoltage(form, held, value);
      return EntryRoute::kVoltage;
    case EntryKind::kVersion:
      return EntryRoute::kVersion;
  }
  return EntryRoute::kOrdinary;
}

}  // namespace vrkt
