#include "unit/status.h"

#include <gtest/gtest.h>

#include "link/link_fixture.h"

namespace vrkt {
namespace {

TEST_F(QuietUnitTest, SignalGaugeColourAndPosition) {
  struct Case {
    const char* line;
    Rgb color;
    int position;
  } cases[] = {
      {"+CSQ: 99,99", kRed, 31}, {"+CSQ: 21,0", kCyan, 21}, {"+CSQ: 22,0", kGreen, 22},
      {"+CSQ: 14,0", kRed, 14},  {"+CSQ: 15,0", kCyan, 15}, {"+CSQ: 31,0", kGreen, 31},
      {"+CSQ: 32,0", kRed, 31},  {"+CSQ: -3,0", kRed, 0},   {"+CSQ:  7 ,0", kRed, 7},
  };
  for (const Case& c : cases) {
    h.Feed(std::string(c.line) + "\r\n");
    EXPECT_EQ(h.form().Smeter.color(), c.color) << c.line;
    EXPECT_EQ(h.form().Smeter.position(), c.position) << c.line;
  }
  EXPECT_EQ(h.program->op.SignalLevel, 7);
}

TEST_F(QuietUnitTest, BatterySupplyAndOperatorDisplays) {
  Form1& f = h.form();
  h.program->settings.BoardVoltageCaption = "Akku";
  h.program->settings.OperatorCaption = "Netz";
  h.Feed("#CBC: 0,385\r\n");
  EXPECT_EQ(f.Voltage.caption(), "3850 mV");
  EXPECT_EQ(f.StatusBar1.panel(1), " Akku: 3850 mV");
  EXPECT_EQ(f.BVoltage.position(), 385);
  EXPECT_EQ(Log(), (std::vector<std::string>{"#CBC: 0,385", "385"}));

  struct Supply {
    const char* line;
    const char* shown;
    int bar;
  } supplies[] = {{"#ADC: 230", "24.0 V", 240},
                  {"#ADC: 0", "7.0 V", 70},
                  {"#ADC: 400", "32.0 V", 320},
                  {"#ADC: 5", "7.0 V", 70},
                  {"#ADC: 123", "13.3 V", 133}};
  for (const Supply& s : supplies) {
    h.Feed(std::string(s.line) + "\r\n");
    EXPECT_EQ(f.Power.caption(), s.shown) << s.line;
    EXPECT_EQ(f.PVoltage.position(), s.bar) << s.line;
  }

  struct Operator {
    const char* line;
    const char* panel;
  } operators[] = {
      {"+COPS: 0,0,\"SIMNET CZ\"", "Netz: \"SIMNET CZ\""},
      {"+COPS: 0,2,\"21403\"", "Netz: ORANGE"},
      {"+COPS: 0,0,\"AMENA\"", "Netz: ORANGE"},
      {"+COPS: 0,0,\"A VERY LONG OPERATOR NAME\"", "Netz: \"A VERY LONG OPERATO"},
      {"+COPS: 0", "Netz: +COPS: 0"},
  };
  for (const Operator& o : operators) {
    h.Feed(std::string(o.line) + "\r\n");
    EXPECT_EQ(f.StatusBar1.panel(0), o.panel) << o.line;
  }
}

TEST_F(QuietUnitTest, PresenceTimerEnablesUnitButtons) {
  Form1& f = h.form();
  struct Case {
    bool cts, dtr, filled;
    bool seen_stopped;  // the unit reported STOP (or answered as a stopped unit does)
    bool save, savegdi, unit_buttons, run_shown;
  } cases[] = {
      {false, false, true, true, true, false, false, false},
      {false, true, true, true, true, false, false, true},  // a stopped unit, CTS lost
      // Stop with nothing answering: DTR alone does not make a unit look stopped.
      {false, true, true, false, true, false, false, false},
      {true, true, true, false, true, false, false, false},
      {true, false, true, true, true, false, false, false},
      {true, true, true, true, true, true, true, true},
      {true, true, false, true, false, true, true, true},  // SaveGDI keeps what it had
      {true, false, false, true, false, false, false, false},
  };
  for (const Case& c : cases) {
    if (c.seen_stopped)
      h.program->status.StopReported();
    else
      h.program->status.ForgetUnit();
    h.unit().SetCts(c.cts);
    h.program->port().SetDtr(c.dtr);
    f.TLtime.SetItemIndex(c.filled ? 3 : -1);
    h.program->status.TimerCTSTimer();
    std::string what = std::to_string(c.cts) + std::to_string(c.dtr) + std::to_string(c.filled);
    EXPECT_EQ(f.Save.enabled(), c.save) << what;
    EXPECT_EQ(f.SaveGDI.enabled(), c.savegdi) << what;
    EXPECT_EQ(f.RunGDI.visible(), c.run_shown) << what;
    EXPECT_EQ(f.StopGDI.visible(), !c.run_shown) << what;
    for (Control* b : {(Control*)&f.LoadGDI, (Control*)&f.IMEI, (Control*)&f.Send,
                       (Control*)&f.UNPIN, (Control*)&f.CodePIN})
      EXPECT_EQ(b->enabled(), c.unit_buttons) << what << " " << b->name();
  }
}

TEST_F(QuietUnitTest, StopAndRunStartTheWaitAndPaceTheReboot) {
  Form1& f = h.form();
  OperationState& op = h.program->op;
  op.BookReplaceOnNext = false;
  // Nothing known of the unit yet: an answer to the greeting would mean that its application
  // is stopped already.
  h.program->status.ForgetUnit();
  h.Click(f.StopGDI);
  EXPECT_TRUE(h.program->port().Dtr());
  EXPECT_EQ(f.Prubeh.max(), StatusQueries::kWaitLimitS);
  EXPECT_EQ(f.Prubeh.position(), 0);
  EXPECT_TRUE(f.Cekani.is_enabled());
  EXPECT_FALSE(f.Prubeh.visible());  // the bar appears at the first second counted
  EXPECT_TRUE(op.BookReplaceOnNext);
  h.RunFor(1000);
  EXPECT_TRUE(f.Prubeh.visible());
  EXPECT_EQ(f.Prubeh.position(), 1);

  f.Timer1_CSQstop.SetOn(true);
  const int64_t click = h.clock.NowMs();
  h.Click(f.RunGDI);
  EXPECT_FALSE(h.program->port().Dtr());
  EXPECT_EQ(f.Prubeh.position(), 0);
  EXPECT_TRUE(f.Cekani.is_enabled());
  EXPECT_FALSE(f.Timer1_CSQstop.is_enabled());
  EXPECT_EQ(Sent(), std::vector<std::string>{"AT#REBOOT"});
  // The unit's application gets a second to see DTR drop before the reboot.
  const int64_t reboot = h.CommandTime("AT#REBOOT", mark);
  EXPECT_GE(reboot - click, 1000);
  EXPECT_LE(reboot - click, 1010);
}

TEST_F(QuietUnitTest, OneCommandButtonsEachWaitForTheAnswerBefore) {
  Form1& f = h.form();
  h.Click(f.signal);
  h.program->Run([&] { f.Voltage.on_click(); });
  h.program->Run([&] { f.Power.on_click(); });
  h.Click(f.IMEI);
  h.Click(f.Inicializace);
  const std::vector<std::string> all = {"AT+CSQ", "AT#CBC", "AT#ADC=1,2", "AT+CGSN",
                                        "AT#ESCRIPT=gdi.pyo"};
  for (size_t n = 1; n <= all.size(); ++n) {
    EXPECT_EQ(Sent(), std::vector<std::string>(all.begin(), all.begin() + n));
    h.Feed("OK\r\n");
  }
}

}  // namespace
}  // namespace vrkt
