#include "params/entry_set.h"

namespace vrkt {

namespace {

using enum Scope;
using enum EntryKind;

constexpr ReservedEntry kEntries[] = {
    {"MASTER1", kBoth, kPhoneNumber, "MASTER1"},
    {"MASTER2", kBoth, kPhoneNumber, "MASTER2"},
    {"MASTER3", kBoth, kPhoneNumber, "MASTER3"},
    {"MASTER4", kBoth, kPhoneNumber, "MASTER4"},
    {"MASTER5", kBoth, kPhoneNumber, "MASTER5"},
    {"MASTER6", kBoth, kPhoneNumber, "MASTER6"},
    {"MASTER7", kBoth, kPhoneNumber, "MASTER7"},
    {"TEST1", kBoth, kPhoneNumber, "TEST1"},
    {"TEST2", kBoth, kPhoneNumber, "TEST2"},
    {"TEST3", kBoth, kPhoneNumber, "TEST3"},
    {"TEST4", kBoth, kPhoneNumber, "TEST4"},
    {"TEST5", kBoth, kPhoneNumber, "TEST5"},
    {"TEST6", kBoth, kPhoneNumber, "TEST6"},
    {"TEST7", kBoth, kPhoneNumber, "TEST7"},
    {"TEST8", kBoth, kPhoneNumber, "TEST8"},
    // The crossing is deliberate: the port-open SMS text sits in ALARMOFF.
    {"PORTOPEN", kVrkt, kPhoneNumber, "ALARMOFF"},
    {"PORTCLOSE", kVrkt, kPhoneNumber, "ALARMON"},
    {"PORTOPEN1", kDvg, kPhoneNumber, "PORTOPEN1"},
    {"PORTOPEN2", kDvg, kPhoneNumber, "PORTOPEN2"},
    {"PORTOPEN3", kDvg, kPhoneNumber, "PORTOPEN3"},
    {"PORTCLOSE1", kDvg, kPhoneNumber, "PORTCLOSE1"},
    {"PORTCLOSE2", kDvg, kPhoneNumber, "PORTCLOSE2"},
    {"PORTCLOSE3", kDvg, kPhoneNumber, "PORTCLOSE3"},
    {"PARVRKT", kBoth, kCompound, ""},
    {"PARRL1", kBoth, kCompound, ""},
    {"VOLTAGE", kBoth, kVoltage, ""},
    {"TINPUTS", kDvg, kCompound, ""},
    {"SDATA", kDvg, kCompound, ""},
    {"VER", kBoth, kVersion, ""},
};

constexpr std::array<WriteStep, kWriteStepCount> kWriteOrder = {{
    {1, "TEST1", kBoth, ValueSource::kFromControl, "TEST1"},
    {2, "TEST2", kBoth, ValueSource::kFromControl, "TEST2"},
    {3, "TEST3", kBoth, ValueSource::kFromControl, "TEST3"},
    {4, "TEST4", kBoth, ValueSource::kFromControl, "TEST4"},
    {5, "TEST5", kBoth, ValueSource::kFromControl, "TEST5"},
    {6, "TEST6", kBoth, ValueSource::kFromControl, "TEST6"},
    {7, "TEST7", kBoth, ValueSource::kFromControl, "TEST7"},
    {8, "TEST8", kBoth, ValueSource::kFromControl, "TEST8"},
    {9, "MASTER1", kBoth, ValueSource::kFromControl, "MASTER1"},
    {10, "MASTER2", kBoth, ValueSource::kFromControl, "MASTER2"},
    {11, "MASTER3", kBoth, ValueSource::kFromControl, "MASTER3"},
    {12, "MASTER4", kBoth, ValueSource::kFromControl, "MASTER4"},
    {13, "MASTER5", kBoth, ValueSource::kFromControl, "MASTER5"},
    {14, "MASTER6", kBoth, ValueSource::kFromControl, "MASTER6"},
    {15, "MASTER7", kBoth, ValueSource::kFromControl, "MASTER7"},
    {16, "PORTCLOSE", kVrkt, ValueSource::kFromControl, "ALARMON"},
    {17, "PORTOPEN", kVrkt, ValueSource::kFromControl, "ALARMOFF"},
    {18, "PARVRKT", kBoth, ValueSource::kFromHeld, ""},
    {19, "PARRL1", kBoth, ValueSource::kFromHeld, ""},
    {20, "VOLTAGE", kBoth, ValueSource::kFromVoltage, ""},
    {21, "PORTCLOSE1", kDvg, ValueSource::kFromControl, "PORTCLOSE1"},
    {22, "PORTOPEN1", kDvg, ValueSource::kFromControl, "PORTOPEN1"},
    {23, "PORTCLOSE2", kDvg, ValueSource::kFromControl, "PORTCLOSE2"},
    {24, "PORTOPEN2", kDvg, ValueSource::kFromControl, "PORTOPEN2"},
    {25, "PORTCLOSE3", kDvg, ValueSource::kFromControl, "PORTCLOSE3"},
    {26, "PORTOPEN3", kDvg, ValueSource::kFromControl, "PORTOPEN3"},
    {27, "TINPUTS", kDvg, ValueSource::kFromHeld, ""},
    {28, "SDATA", kDvg, ValueSource::kFromHeld, ""},
}};

}  // namespace

bool InScope(Scope scope, const Variant& variant) {
  switch (scope) {
    case kBoth:
      return true;
    case kVrkt:
      return variant.IsVrkt();
    case kDvg:
      return variant.IsDvg();
  }
  return false;
}

std::span<const ReservedEntry> ReservedEntries() { return kEntries; }

const ReservedEntry* FindReservedEntry(std::string_view name) {
  for (const ReservedEntry& e : kEntries)
    if (e.name == name) return &e;
  return nullptr;
}

bool ReadInVariant(const ReservedEntry& entry, const Variant& variant) {
  // The compound entries carry no port numbers of the other variant, so a VRKT window still
  // takes a DVG unit's TINPUTS and SDATA into its hidden controls.
  if (entry.kind != kPhoneNumber) return true;
  return InScope(entry.scope, variant);
}

Edit* PhoneNumberControl(Form1& form, std::string_view name, const Variant& variant) {
  const ReservedEntry* e = FindReservedEntry(name);
  if (e == nullptr || e->kind != kPhoneNumber || !ReadInVariant(*e, variant)) return nullptr;
  return dynamic_cast<Edit*>(form.FindControl(e->control));
}

void SetStartupHeldValues(HeldValues& held) {
  held.PARVRKT = kStartupPARVRKT;
  held.PARRL1 = kStartupPARRL1;
  held.TINPUTS.clear();
  held.SDATA.clear();
  held.VOLTAGE.clear();
}

bool ValidPARVRKT(std::string_view value) { return value.size() == kDefaultPARVRKT.size(); }
bool ValidPARRL1(std::string_view value) { return value.size() == kDefaultPARRL1.size(); }
bool ValidTINPUTS(std::string_view value) { return value.size() == kDefaultTINPUTS.size(); }

bool ValidSDATA(std::string_view value) {
  // Rates of four digits give 7 characters, so only a short value without the separator in its
  // place is refused; the unit's own "12#" (no rate) is taken as it stands.
  bool short_value = value.size() < 7;
  bool separator_in_place = value.size() >= 3 && value[2] == '#';
  return !(short_value && !separator_in_place);
}

void ReplaceInvalidHeldValues(HeldValues& held) {
  if (!ValidPARVRKT(held.PARVRKT)) held.PARVRKT = kDefaultPARVRKT;
  if (!ValidPARRL1(held.PARRL1)) held.PARRL1 = kDefaultPARRL1;
  if (!ValidTINPUTS(held.TINPUTS)) held.TINPUTS = kDefaultTINPUTS;
  if (!ValidSDATA(held.SDATA)) held.SDATA = kDefaultSDATA;
}

std::span<const WriteStep, kWriteStepCount> WriteOrder() { return kWriteOrder; }

std::string* HeldValueOf(HeldValues& held, std::string_view name) {
  return const_cast<std::string*>(HeldValueOf(static_cast<const HeldValues&>(held), name));
}

const std::string* HeldValueOf(const HeldValues& held, std::string_view name) {
  if (name == "PARVRKT") return &held.PARVRKT;
  if (name == "PARRL1") return &held.PARRL1;
  if (name == "TINPUTS") return &held.TINPUTS;
  if (name == "SDATA") return &held.SDATA;
  if (name == "VOLTAGE") return &held.VOLTAGE;
  return nullptr;
}

std::string VoltageWriteValue(const Form1& form) {
  if (form.VoltInt.text() == "00") return {};
  return form.VoltInt.text() + "*" + form.VoltFr.text();
}

std::string WriteValue(const WriteStep& step, const Form1& form, const HeldValues& held,
                       const Variant& variant) {
  if (!InScope(step.scope, variant)) return {};
  switch (step.source) {
    case ValueSource::kFromControl: {
      const auto* edit = dynamic_cast<const Edit*>(form.FindControl(step.control));
      return edit != nullptr ? edit->text() : std::string();
    }
    case ValueSource::kFromHeld: {
      const std::string* value = HeldValueOf(held, step.entry);
      return value != nullptr ? *value : std::string();
    }
    case ValueSource::kFromVoltage:
      return VoltageWriteValue(form);
  }
  return {};
}

std::string FileKeyFor(std::string_view entry) {
  if (entry == "PARVRKT") return "PARAMVRKT";
  if (entry == "PARRL1") return "PARAMRL1";
  return std::string(entry);
}

std::string EntryForFileKey(std::string_view key) {
  if (key == "PARAMVRKT") return "PARVRKT";
  if (key == "PARAMRL1") return "PARRL1";
  if (key == "PARVRKT" || key == "PARRL1") return {};
  return std::string(key);
}

}  // namespace vrkt
