#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/harness.h"

// Shared steps of the transfer tests: a unit stopped and read, a window filled by hand, the
// commands the unit took.
namespace vrkt::testing {

inline void ClickOn(Harness& h, Button& b) {
  h.program->Run([&b] {
    if (b.on_click) b.on_click();
  });
}

// Stops the unit's application and reads it with Load once the window shows it stopped.
inline void StopAndLoad(Harness& h) {
  Form1& f = h.program->form;
  ClickOn(h, f.StopGDI);
  ASSERT_TRUE(h.RunUntil([&] {
    return f.RunGDI.visible() && h.MonitorCount("STOP") + h.MonitorCount("#APLAYEV: 0") > 0;
  }));
  // The read that the unit's stop report started runs to its end first.
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  h.RunFor(300);
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  h.RunFor(200);
}

// Command lines the unit took since record index `from`.
inline std::vector<std::string> CommandsSince(Harness& h, size_t from) {
  std::vector<std::string> out;
  const auto& all = h.sim.unit().commands();
  for (size_t i = from; i < all.size(); ++i) out.push_back(all[i].line);
  return out;
}

// The SIM's used positions as "position:name=number", in order.
using SimContent = std::vector<std::string>;
inline SimContent SimContentOf(Harness& h) {
  SimContent out;
  const SimCard& card = h.sim.unit().card();
  for (int i = 1; i <= card.capacity(); ++i)
    if (const auto& e = card.At(i)) out.push_back(std::to_string(i) + ":" + e->text + "=" + e->number);
  return out;
}

inline size_t BytesSent(Harness& h) {
  size_t n = 0;
  for (const auto& c : h.sim.unit().commands()) n += c.line.size() + 2;
  return n;
}

// The reply deadline is the link's: after a command without an answer it runs on for the margin
// of a late answer, and the next poll arms it again.
inline bool WindowGivenBack(Form1& f) {
  return f.GroupBox4.enabled() && f.GroupBox5.enabled() && f.signal.enabled() &&
         f.Emergency.enabled() && f.PhoneBook.enabled() && f.support.enabled() &&
         !f.Prubeh.visible();
}

// Gives every control that the entries carry a value other than its default.
inline void FillEveryControl(Form1& f, bool dvg) {
  const char* tests[] = {"+420111", "222", "333", "444", "555", "666", "777", "888"};
  for (int i = 0; i < 8; ++i) f.Tests()[i]->SetText(tests[i]);
  const char* masters[] = {"+420601", "602", "603", "604", "605", "606", "112"};
  for (int i = 0; i < 7; ++i) f.Masters()[i]->SetText(masters[i]);
  if (dvg) {
    for (int i = 0; i < 3; ++i) {
      f.PortOpens()[i]->SetText("70" + std::to_string(i));
      f.PortCloses()[i]->SetText("80" + std::to_string(i));
    }
    f.TIN1.SetText("45");
    f.TIN2.SetText("3");
    f.TIN3.SetText("1200");
    f.Dtime.SetText("7");
    f.Rate.SelectText("38400");
  } else {
    f.ALARMON.SetText("+420999");
    f.ALARMOFF.SetText("998");
  }
  f.VolMic.SetPosition(2);
  f.VolSpk.SetPosition(6);
  f.Tperiod.SetItemIndex(4);
  f.TShift.SetItemIndex(7);
  f.TestCall.SetChecked(false);
  f.TestSMS.SetChecked(true);
  f.ATest.SetChecked(true);
  f.BLtime.SetItemIndex(2);
  f.BLbtime.SetItemIndex(9);
  f.TLtime.SetItemIndex(6);
  f.waiting.SetItemIndex(4);
  f.RelCam1.Select();
  f.RelTime1.SetText("17");
  f.VoltInt.SetText("12");
  f.VoltFr.SetText("3");
}

// The state of every control an entry carries, by control name.
inline std::map<std::string, std::string> CarriedState(Form1& f, bool dvg) {
  std::map<std::string, std::string> s;
  auto edit = [&](Edit& e) { s[e.name()] = e.text(); };
  for (Edit* e : f.Tests()) edit(*e);
  for (Edit* e : f.Masters()) edit(*e);
  if (dvg) {
    for (Edit* e : f.PortOpens()) edit(*e);
    for (Edit* e : f.PortCloses()) edit(*e);
    for (Edit* e : f.Tins()) edit(*e);
    edit(f.Dtime);
    s["Rate"] = f.Rate.text();
  } else {
    edit(f.ALARMON);
    edit(f.ALARMOFF);
  }
  edit(f.RelTime1);
  edit(f.VoltInt);
  edit(f.VoltFr);
  for (ListControl* l : {&f.Tperiod, &f.TShift, &f.BLtime, &f.BLbtime, &f.TLtime, &f.waiting})
    s[l->name()] = std::to_string(l->item_index());
  for (CheckBox* c : {&f.TestCall, &f.TestSMS, &f.ATest, &f.ECALL, &f.ECALLmode, &f.ECALLmode1,
                      &f.ServiceMode, &f.ServiceMode1})
    s[c->name()] = c->checked() ? "1" : "0";
  s["VolMic"] = std::to_string(f.VolMic.position());
  s["VolSpk"] = std::to_string(f.VolSpk.position());
  s["Relay1"] = f.Relay1.Selected() ? f.Relay1.Selected()->name() : "";
  std::string rows;
  for (const std::string& r : f.PhoneBook1.rows()) rows += r + "|";
  s["PhoneBook1"] = rows;
  return s;
}

}  // namespace vrkt::testing
