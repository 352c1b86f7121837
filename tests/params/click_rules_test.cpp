#include <gtest/gtest.h>

#include "params/param_model.h"

namespace vrkt {
namespace {

using testing::ParamModel;

struct Sequence {
  const char* program;
  std::vector<std::string> actions;
  const char* modes;  // ParamModel::Modes() afterwards
};

TEST(ClickRulesTest, SequencesPerVariant) {
  const Sequence cases[] = {
      // Switching the alarm mode on anywhere shows it in all three places and takes the relay.
      {"VRKTset", {"+ECALL"}, "E Em Em1 . . RelECALL"},
      {"DVG1Cset", {"+ECALLmode1"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"+ECALLmode"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"RelECALL"}, "E Em Em1 . . RelECALL"},
      // The relay holds the mode on; another relay first, then the mode goes off everywhere.
      {"VRKTset", {"+ECALL", "-ECALL"}, "E Em Em1 . . RelECALL"},
      {"DVG1Cset", {"+ECALL", "-ECALLmode1"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"+ECALL", "-ECALLmode"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"+ECALL", "RelSMS1", "-ECALL"}, ". . . . . RelSMS1"},
      {"DVG1Cset", {"+ECALL", "RelCam1", "-ECALLmode1"}, ". . . . . RelCam1"},
      // Service mode: checking it takes OKservice, which then holds it on.
      {"VRKTset", {"+ServiceMode"}, ". . . S S1 OKservice"},
      {"VRKTset", {"+ServiceMode", "-ServiceMode"}, ". . . S S1 OKservice"},
      {"VRKTset", {"OKservice", "RelLi1", "-ServiceMode"}, ". . . . S1 RelLi1"},
      // OKservice switches the alarm mode off in both variants.
      {"VRKTset", {"+ECALL", "OKservice"}, ". . . S S1 OKservice"},
      {"DVG1Cset", {"+ECALL", "OKservice"}, ". . . S S1 OKservice"},
      // VRKT: the two modes exclude each other, the last one wins.
      {"VRKTset", {"+ServiceMode", "+ECALL"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"+ServiceMode", "RelCam1", "+ECALLmode"}, "E Em Em1 . . RelECALL"},
      {"VRKTset", {"+ECALL", "+ServiceMode"}, ". . . S S1 OKservice"},
      // DVG keeps both modes side by side.
      {"DVG1Cset", {"+ServiceMode1", "+ECALLmode1"}, "E Em Em1 . S1 RelECALL"},
      {"DVG1Cset", {"+ServiceMode", "+ECALL"}, "E Em Em1 S S1 RelECALL"},
      // The hidden ServiceMode1 outlives ServiceMode until RelECALL clears it (VRKT).
      {"VRKTset", {"+ServiceMode", "RelCam1", "-ServiceMode"}, ". . . . S1 RelCam1"},
      {"VRKTset", {"+ServiceMode", "RelCam1", "-ServiceMode", "RelECALL"}, "E Em Em1 . . RelECALL"},
      // TestSMS and the plain relay buttons touch nothing else.
      {"VRKTset", {"+TestSMS", "RelRunning", "RelBut1"}, ". . . . . RelBut1"},
  };
  for (const Sequence& c : cases) {
    ParamModel m(c.program);
    std::string trace = c.program;
    for (const std::string& a : c.actions) {
      m.Act(a);
      trace += " " + a;
    }
    EXPECT_EQ(m.Modes(), c.modes) << trace;
  }
}

TEST(ClickRulesTest, RulesSettleAtEveryStepOfLongRandomSessions) {
  // Whatever the user clicks, the three alarm boxes agree and the relay buttons hold their modes.
  const std::vector<std::string> actions = {
      "+ECALL",      "-ECALL",       "+ECALLmode",   "-ECALLmode",    "+ECALLmode1",
      "-ECALLmode1", "+ServiceMode", "-ServiceMode", "+ServiceMode1", "-ServiceMode1",
      "RelSMS1",     "RelECALL",     "RelCam1",      "RelLi1",        "RelBut1",
      "OKservice",   "RelRunning"};
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    ParamModel m(program);
    uint32_t seed = 12345;
    for (int step = 0; step < 3000; ++step) {
      seed = seed * 1103515245u + 12345u;
      m.Act(actions[(seed >> 16) % actions.size()]);
      Form1& f = m.form;
      ASSERT_EQ(f.ECALL.checked(), f.ECALLmode.checked()) << program << " step " << step;
      ASSERT_EQ(f.ECALL.checked(), f.ECALLmode1.checked()) << program << " step " << step;
      if (f.RelECALL.selected()) {
        ASSERT_TRUE(f.ECALL.checked()) << program << " step " << step;
      }
      if (f.OKservice.selected()) {
        ASSERT_TRUE(f.ServiceMode.checked()) << program << " step " << step;
      }
      if (m.variant.IsVrkt()) {
        ASSERT_FALSE(f.ECALL.checked() && f.ServiceMode.checked()) << program << " step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace vrkt
