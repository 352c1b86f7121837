#include "params/field_chars.h"

#include "ui/form.h"

namespace vrkt {

std::string_view AcceptedCharacters(Form1& f, const Control& c) {
  for (const Edit* e : {&f.RelTime1, &f.VoltInt, &f.VoltFr})
    if (&c == e) return kDigitCharacters;
  for (Edit* e : f.Masters())
    if (&c == e) return kDialCharacters;
  for (Edit* e : f.Tests())
    if (&c == e) return kDialCharacters;
  for (Edit* e : f.PortOpens())
    if (&c == e) return kDialCharacters;
  for (Edit* e : f.PortCloses())
    if (&c == e) return kDialCharacters;
  for (Edit* e : f.Tins())
    if (&c == e) return kDialCharacters;
  for (const Edit* e : {&f.ALARMON, &f.ALARMOFF, &f.Dtime})
    if (&c == e) return kDialCharacters;
  if (&c == &f.Rate || &c == &f.PIN) return kDigitCharacters;
  return {};
}

std::string_view AcceptedCharactersPhrase(std::string_view accepted) {
  if (accepted == kDigitCharacters) return "only digits";
  if (accepted == kDialCharacters) return "only digits, +, * and #";
  return "only some characters";
}

}  // namespace vrkt
