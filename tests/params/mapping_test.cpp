#include <gtest/gtest.h>

#include "base/error.h"
#include "params/entry_set.h"
#include "params/param_model.h"

namespace vrkt {
namespace {

using testing::ParamModel;

std::string DecodeError(ParamModel& m) {
  try {
    DecodeEntryValues(m.form, m.held);
  } catch (const AppError& e) {
    return e.what();
  }
  return "";
}

TEST(MappingTest, StartupValuesDecodeAsDefaults) {
  ParamModel m;
  m.Fill();
  EXPECT_EQ(m.held.PARVRKT, kDefaultPARVRKT);
  EXPECT_EQ(m.held.PARRL1, kDefaultPARRL1);
  EXPECT_EQ(m.held.TINPUTS, kDefaultTINPUTS);
  EXPECT_EQ(m.held.SDATA, kDefaultSDATA);
  Form1& f = m.form;
  EXPECT_EQ(f.VolMic.position(), 4);
  EXPECT_EQ(f.Tperiod.text(), "3");
  EXPECT_EQ(f.TShift.text(), "18");
  EXPECT_TRUE(f.TestCall.checked());
  EXPECT_TRUE(f.TestSMS.checked());
  EXPECT_FALSE(f.ATest.checked());
  EXPECT_EQ(f.BLtime.text(), "5");
  EXPECT_EQ(f.BLbtime.text(), "30");
  EXPECT_EQ(f.TLtime.text(), "3");
  EXPECT_EQ(f.waiting.text(), "20");
  EXPECT_EQ(f.Label34.caption(), "20 sec.");
  EXPECT_EQ(m.Modes(), ". . . . . RelSMS1");
  EXPECT_EQ(f.RelTime1.text(), "03");
  EXPECT_EQ(f.TIN1.text(), "600");
  EXPECT_EQ(f.TIN3.text(), "10");
  EXPECT_EQ(f.Dtime.text(), "10");
  EXPECT_EQ(f.Rate.text(), "9600");
  EXPECT_TRUE(AllListsSelected(f));

  // Wrong lengths fall back to the defaults, which become the held values.
  m.held.PARVRKT = "1#1#1#1#1#1#01#1#1#1X";
  m.held.PARRL1 = "5#0#3#1";
  m.held.SDATA = "5#9600";
  DecodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.held.PARVRKT, kDefaultPARVRKT);
  EXPECT_EQ(m.held.PARRL1, kDefaultPARRL1);
  EXPECT_EQ(m.held.SDATA, kDefaultSDATA);
}

TEST(MappingTest, DecodeFields) {
  struct Case {
    const char* parvrkt;
    const char* control;  // a list, check-box set or relay
    const char* expect;
  } cases[] = {
      {"4#4#3#9#3#5#04#3#2#0", "BLbtime", "05"},
      {"4#4#3#9#3#5#06#3#2#0", "BLbtime", "10"},
      {"4#4#3#9#3#5#95#3#2#0", "BLbtime", "99"},
      {"4#4#3#9#3#5#00#3#2#0", "BLbtime", "OFF"},
      {"4#4#3#9#3#5#99#3#2#0", "BLbtime", "99"},
      {"4#4#3#9#3#5#01#3#2#0", "BLbtime", "01"},
      {"4#4#3#9#6#5#30#3#2#0", "tests", "SMS+acoustic"},
      {"4#4#3#9#7#5#30#3#2#0", "tests", "call+SMS+acoustic"},
      {"4#4#3#9#8#5#30#3#2#0", "tests", ""},
      {"4#4#0#0#3#5#30#3#9#0", "Tperiod", "OFF"},
      {"4#4#0#0#3#5#30#3#9#0", "waiting", "90"},
      {"4#4#0#0#3#5#30#3#0#0", "waiting", ""},
      {"0#9#0#0#3#5#30#3#2#0", "volumes", "7/1"},
      {"7#1#0#0#3#5#30#3#2#0", "volumes", "1/7"},
  };
  for (const Case& c : cases) {
    ParamModel m;
    m.Fill();
    m.held.PARVRKT = c.parvrkt;
    DecodeEntryValues(m.form, m.held);
    Form1& f = m.form;
    std::string got;
    std::string which = c.control;
    if (which == "tests") {
      std::vector<std::string> on;
      if (f.TestCall.checked()) on.push_back("call");
      if (f.TestSMS.checked()) on.push_back("SMS");
      if (f.ATest.checked()) on.push_back("acoustic");
      for (size_t i = 0; i < on.size(); ++i) got += (i ? "+" : "") + on[i];
    } else if (which == "volumes") {
      got = std::to_string(f.VolMic.position()) + "/" + std::to_string(f.VolSpk.position());
    } else {
      got = dynamic_cast<ListControl&>(*f.FindControl(which)).text();
    }
    EXPECT_EQ(got, c.expect) << c.parvrkt << " " << which;
  }
}

TEST(MappingTest, WaitingDisplayUsesTheWindowsSecondsText) {
  ParamModel m;
  m.Fill();
  m.form.LabelSecBL.SetCaption("s");
  m.held.PARVRKT = "4#4#3#9#3#5#30#3#0#0";
  DecodeEntryValues(m.form, m.held);
  EXPECT_FALSE(m.form.waiting.HasSelection());
  EXPECT_EQ(m.form.Label34.caption(), " s");
  // A unit's 0 is written back as 0, so the value keeps its shape.
  EncodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.held.PARVRKT, "4#4#3#9#3#5#30#3#0#0");
}

TEST(MappingTest, RelayCodes) {
  struct Case {
    const char* before;
    const char* parrl1;
    const char* modes;
  } cases[] = {
      {"RelCam1", "5#4#03#1", ". . . . . RelBut1"},
      {"RelCam1", "5#6#03#1", ". . . . . RelRunning"},
      {"RelCam1", "5#7#03#1", ". . . . . RelCam1"},
      {"RelLi1", "5#x#03#1", ". . . . . RelLi1"},
      {"RelCam1", "5#1#03#1", "E Em Em1 . . RelECALL"},
      {"RelCam1", "5#5#03#1", ". . . S S1 OKservice"},
  };
  for (const Case& c : cases) {
    ParamModel m;
    m.Fill();
    m.Act(c.before);
    m.held.PARRL1 = c.parrl1;
    DecodeEntryValues(m.form, m.held);
    EXPECT_EQ(m.Modes(), c.modes) << c.parrl1;
  }
}

TEST(MappingTest, ModeDigitSetsOffClickRules) {
  struct Case {
    const char* program;
    std::vector<std::string> before;
    char mode;
    char relay;
    const char* modes;
  } cases[] = {
      {"VRKTset", {}, '2', '2', ". . . S S1 RelCam1"},
      {"VRKTset", {}, '1', '0', "E Em Em1 . . RelSMS1"},
      {"VRKTset", {}, '3', '0', "E Em Em1 . . RelSMS1"},  // VRKT: the alarm mode alone
      {"DVG1Cset", {}, '3', '0', "E Em Em1 . S1 RelSMS1"},
      // Once RelECALL holds the mode, a "0" or "2" cannot switch it off.
      {"VRKTset", {"RelECALL"}, '0', '0', "E Em Em1 . . RelSMS1"},
      // ... but a "2" that switches the service mode on takes OKservice, which ends it.
      {"DVG1Cset", {"RelECALL"}, '2', '3', ". . . S S1 RelLi1"},
      {"DVG1Cset", {"+ServiceMode", "+ECALL"}, '2', '3', "E Em Em1 S S1 RelLi1"},
      // The decode never switches a mode off by itself.
      {"VRKTset", {"+ServiceMode", "RelCam1"}, '0', '2', ". . . S S1 RelCam1"},
      {"DVG1Cset", {"+ECALL", "RelCam1"}, '0', '2', ". . . . . RelCam1"},
  };
  for (const Case& c : cases) {
    ParamModel m(c.program);
    m.Fill();
    for (const std::string& a : c.before) m.Act(a);
    m.held.PARVRKT = std::string("4#4#3#9#3#5#30#3#2#") + c.mode;
    m.held.PARRL1 = std::string("5#") + c.relay + "#03#1";
    DecodeEntryValues(m.form, m.held);
    EXPECT_EQ(m.Modes(), c.modes) << c.program << " mode " << c.mode << " relay " << c.relay;
  }
}

TEST(MappingTest, EncodeFields) {
  ParamModel m("DVG1Cset");
  m.Fill();
  Form1& f = m.form;
  f.Tperiod.SelectText("OFF");
  f.TShift.SelectText("10");
  f.waiting.SelectText("30");
  f.BLbtime.SelectText("OFF");
  f.VolMic.SetPosition(1);
  f.VolSpk.SetPosition(7);
  f.ATest.SetChecked(true);
  f.TestCall.SetChecked(false);
  m.Act("+ServiceMode1");
  m.Act("+ECALL");
  m.Act("RelRunning");
  f.RelTime1.SetText("7");
  f.TIN1.SetText("");
  f.TIN2.SetText("3");
  f.TIN3.SetText("1234");
  f.Dtime.SetText("5");
  f.Rate.SetText("31250");
  EncodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.held.PARVRKT, "7#1#0#5#6#5#00#3#3#3");
  EXPECT_EQ(m.held.PARRL1, "5#6#07#1");
  EXPECT_EQ(m.held.TINPUTS, "0000#0003#1234");
  EXPECT_EQ(m.held.SDATA, "05#31250");
}

TEST(MappingTest, RateNotInTheListIsShownAsReceived) {
  ParamModel m("DVG1Cset");
  m.Fill();
  m.held.SDATA = "07#31250";
  DecodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.form.Rate.text(), "31250");
  EXPECT_FALSE(m.form.Rate.HasSelection());
  m.held.SDATA = "07#2400";
  DecodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.form.Rate.text(), "2400");
  EXPECT_EQ(m.form.Rate.item_index(), 1);
  m.held.SDATA = "12#";
  DecodeEntryValues(m.form, m.held);
  EXPECT_EQ(m.form.Dtime.text(), "12");
  EXPECT_EQ(m.form.Rate.text(), "");
}

TEST(MappingTest, FieldThatIsNoNumberStopsTheDecodeThere) {
  ParamModel m;
  m.Fill();
  Form1& f = m.form;
  // Misaligned by one: the digit at 1 reads fine, the one at 3 is "#".
  m.held.PARVRKT = "24#4#3#9#3#5#30#3#2#";
  EXPECT_EQ(DecodeError(m), "'#' is not a valid integer value");
  EXPECT_EQ(f.VolMic.position(), 6);   // set before the bad field
  EXPECT_EQ(f.VolSpk.position(), 4);   // untouched
  EXPECT_FALSE(f.TestCall.checked());  // step one ran
  EXPECT_EQ(f.Tperiod.text(), "3");

  struct Case {
    const char* parvrkt;
    const char* tinputs;
    const char* sdata;
    const char* message;
  } cases[] = {
      {"4#4#3#9#3#5#3#03#2#0", "0600#0003#0010", "10#9600", "'3#' is not a valid integer value"},
      {"4#4#3#9#3#5#30#3#2##", "0600#0003#0010", "10#9600", ""},
      {"#4#4#3#9#3#5#30#3#20", "0600#0003#0010", "10#9600", "'#' is not a valid integer value"},
      {"4#4#3#9#3#5#30#3#2#0", "600#0003#00100", "10#9600", "'600#' is not a valid integer value"},
      {"4#4#3#9#3#5#30#3#2#0", "0600#0003#0010", "1##9600", "'1#' is not a valid integer value"},
      {"4#4#3#9#3#5#30#3#2#0", "0600#0003#0010", "\xB5\xB5#9600",
       "'\xB5\xB5' is not a valid integer value"},
      {"4#4#3#9#3#5#30#3#2#0", "0600#0003#0010", "  #9600", "'  ' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    ParamModel n;
    n.Fill();
    n.held.PARVRKT = c.parvrkt;
    n.held.TINPUTS = c.tinputs;
    n.held.SDATA = c.sdata;
    EXPECT_EQ(DecodeError(n), c.message) << c.parvrkt << " " << c.tinputs << " " << c.sdata;
  }

  // After a failed TINPUTS field, the relay part is new and SDATA's controls are old.
  ParamModel k;
  k.Fill();
  k.form.Dtime.SetText("42");
  k.held.PARRL1 = "5#3#44#1";
  k.held.TINPUTS = "0001#00x1#0001";
  EXPECT_EQ(DecodeError(k), "'00x1' is not a valid integer value");
  EXPECT_EQ(k.form.RelTime1.text(), "44");
  EXPECT_EQ(k.form.TIN1.text(), "1");
  EXPECT_EQ(k.form.Dtime.text(), "42");
}

TEST(MappingTest, NoValueCrashesOrCorruptsTheModel) {
  uint32_t seed = 7;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const char* names[] = {"PARVRKT", "PARRL1", "TINPUTS", "SDATA", "VOLTAGE", "MASTER1", "PORTOPEN"};
  const std::string alphabet = std::string("0123456789#*+- a\x01\x7F\x80\xB5\xFF", 20) + '\0';
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    ParamModel m(program);
    m.Fill();
    for (int i = 0; i < 4000; ++i) {
      size_t len = next() % 4 == 0 ? next() % 300 : next() % 24;
      if (i % 500 == 0) len = 100000;
      std::string value;
      for (size_t j = 0; j < len; ++j) value += alphabet[next() % alphabet.size()];
      const char* name = names[next() % std::size(names)];
      try {
        RouteEntry(m.form, m.held, m.variant, name, value);
      } catch (const AppError&) {
      }
      Form1& f = m.form;
      ASSERT_EQ(f.ECALL.checked(), f.ECALLmode.checked()) << name << " '" << value << "'";
      ASSERT_EQ(f.ECALL.checked(), f.ECALLmode1.checked()) << name << " '" << value << "'";
      ASSERT_LE(f.MASTER1.text().size(), 20u);
      ASSERT_LE(f.VoltInt.text().size(), 2u);
      ASSERT_LE(f.RelTime1.text().size(), 2u);
      ASSERT_LE(f.Dtime.text().size(), 2u);
      for (Edit* e : {&f.MASTER1, &f.ALARMOFF, &f.RelTime1, &f.VoltInt, &f.VoltFr, &f.TIN1, &f.TIN2,
                      &f.TIN3, &f.Dtime})
        ASSERT_EQ(e->text().find_first_not_of("0123456789+*#"), std::string::npos) << e->name();
    }
    // Still usable: a sound set of values decodes in full.
    m.held.PARVRKT = "1#2#3#4#5#6#70#8#9#1";
    m.held.PARRL1 = "5#2#12#1";
    m.held.TINPUTS = "0001#0002#0003";
    m.held.SDATA = "01#1200";
    DecodeEntryValues(m.form, m.held);
    EncodeEntryValues(m.form, m.held);
    EXPECT_EQ(m.held.PARRL1, "5#2#12#1") << program;
    EXPECT_EQ(m.held.TINPUTS, "0001#0002#0003") << program;
    EXPECT_EQ(m.held.SDATA, "01#1200") << program;
  }
}

}  // namespace
}  // namespace vrkt
