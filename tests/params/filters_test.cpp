#include "params/filters.h"

#include <gtest/gtest.h>

#include "params/param_model.h"

namespace vrkt {
namespace {

using testing::ParamModel;

TEST(FiltersTest, Table) {
  using FilterFn = std::string (*)(std::string_view);
  struct Case {
    FilterFn filter;
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      {FilterDialString, "dial", "12a34", "12"},
      {FilterDialString, "dial", "1234567890123456789012345", "12345678901234567890"},
      {FilterDialString, "dial", " +420*123#\t", "+420*123#"},
      {FilterDialString, "dial", "x123", ""},
      {FilterDialString, "dial", "", ""},
      {FilterDialString, "dial", "   ", ""},
      {FilterDialString, "dial", "12 34", "12"},
      {FilterDialString, "dial", std::string("55\xE9\xFF", 4), "55"},
      {FilterDialString, "dial",
       std::string("\0"
                   "12",
                   3),
       "12"},
      {FilterRelayTime, "relay", "5", "05"},
      {FilterRelayTime, "relay", "123", "23"},
      {FilterRelayTime, "relay", "0", "01"},
      {FilterRelayTime, "relay", "00", "01"},
      {FilterRelayTime, "relay", "100", "01"},
      {FilterRelayTime, "relay", "", "01"},
      {FilterRelayTime, "relay", "7x", "07"},
      {FilterRelayTime, "relay", "057", "57"},
      {FilterRelayTime, "relay", "+5", "01"},
      {FilterVoltWhole, "whole", "5", "05"},
      {FilterVoltWhole, "whole", "", ""},
      {FilterVoltWhole, "whole", "0", "00"},
      {FilterVoltWhole, "whole", "1234", "34"},
      {FilterVoltWhole, "whole", "a1", ""},
      {FilterVoltTenth, "tenth", "56", "6"},
      {FilterVoltTenth, "tenth", "", "0"},
      {FilterVoltTenth, "tenth", " 7 ", "7"},
      {FilterVoltTenth, "tenth", "*5", "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.filter(c.in), c.out) << c.name << " '" << c.in << "'";
}

TEST(FiltersTest, EditRulesCleanTextAndPutCaretAtEnd) {
  struct Case {
    const char* control;
    const char* in;
    const char* out;
  } cases[] = {
      {"MASTER1", "12a34", "12"}, {"TEST8", " 555 ", "555"},
      {"ALARMON", "9x", "9"},     {"ALARMOFF", "+1*2#", "+1*2#"},
      {"PORTOPEN2", "a", ""},     {"PORTCLOSE3", "7 7", "7"},
      {"TIN1", "12345", "1234"},  {"TIN3", "1a", "1"},
      {"Dtime", "123", "99"},     {"Dtime", "7", "7"},
      {"Dtime", "1#", "1#"},      {"Dtime", "1#2", "99"},
      {"RelTime1", "5", "05"},    {"RelTime1", "", "01"},
      {"VoltInt", "5", "05"},     {"VoltFr", "56", "6"},
  };
  for (const Case& c : cases) {
    ParamModel m;
    auto& edit = dynamic_cast<Edit&>(*m.form.FindControl(c.control));
    edit.SetText("seed");  // so that an empty input is a change too
    edit.SetText(c.in);
    EXPECT_EQ(edit.text(), c.out) << c.control << " '" << c.in << "'";
    EXPECT_EQ(edit.caret(), edit.text().size()) << c.control << " '" << c.in << "'";
  }
}

TEST(FiltersTest, TypingIntoRelayTimeShiftsDigits) {
  ParamModel m;
  Edit& t = m.form.RelTime1;
  t.SetText("05");
  t.SetText(t.text() + "7");
  EXPECT_EQ(t.text(), "57");
  t.SetText("5");  // the 7 deleted
  EXPECT_EQ(t.text(), "05");
  t.SetText("");
  EXPECT_EQ(t.text(), "01");
}

TEST(FiltersTest, WaitingPickShowsSeconds) {
  ParamModel m;
  m.form.waiting.UserPick(1);
  EXPECT_EQ(m.form.Label34.caption(), "20 sec.");
  m.form.waiting.SetItemIndex(5);  // the program's own selection runs no rule
  EXPECT_EQ(m.form.Label34.caption(), "20 sec.");
}

}  // namespace
}  // namespace vrkt
