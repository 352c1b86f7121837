// Files the program saves must load again and give back what the window held; both cases here
// were found by fuzzing the parameter file load.
#include <gtest/gtest.h>

#include "base/error.h"
#include "files/param_file.h"
#include "params/mapping.h"
#include "support/harness.h"
#include "support/session_checks.h"

namespace vrkt {
namespace {

std::string LoadInto(testing::Harness& h, const std::string& file) {
  h.dialogs.messages.clear();
  h.program->Run([&] { LoadParameterText(h.program->parameters, file); });
  return h.dialogs.messages.empty() ? std::string() : h.dialogs.messages.front();
}

TEST(ParamFileReloadTest, ValueThatDoesNotDecodeIsNotKept) {
  // The blocking time field of PARAMVRKT is "#", and TINPUTS's second field is no number: each
  // passes the length checks, fails the decode and must leave what the window held before.
  for (const char* bad : {"PARAMVRKT=4#4#3#9#3#5#3##3#2#0", "TINPUTS=0001#00x1#0001"}) {
    SCOPED_TRACE(bad);
    testing::Harness h("DVG1Cset");
    h.Start();
    ASSERT_EQ(LoadInto(h, "PARAMVRKT=4#4#3#9#3#5#30#3#2#0\r\nTINPUTS=0600#0003#0010\r\n"), "");
    const HeldValues before = h.program->held;
    const std::string tin2 = h.program->form.TIN2.text();

    EXPECT_NE(
        LoadInto(h, std::string("MASTER1=5\r\n") + bad + "\r\n").find("is not a valid integer"),
        std::string::npos);
    EXPECT_EQ(h.program->held.PARVRKT, before.PARVRKT);
    EXPECT_EQ(h.program->held.TINPUTS, before.TINPUTS);
    EXPECT_EQ(h.program->form.TIN2.text(), tin2);
    EXPECT_EQ(h.program->form.MASTER1.text(), "5");
    EXPECT_EQ(testing::ReloadDifference("DVG1Cset", BuildParameterFile(h.program->parameters)), "");
  }

  // The same from the unit: an entry that does not decode leaves the held value alone.
  testing::Harness h("VRKTset");
  h.Start();
  HeldValues& held = h.program->held;
  DecodeEntryValues(h.program->form, held);
  const std::string tinputs = held.TINPUTS;
  const std::string tin1 = h.program->form.TIN1.text();
  EXPECT_THROW(RouteEntry(h.program->form, held, h.program->variant, "TINPUTS", "0777#00x1#0001"),
               AppError);
  EXPECT_EQ(held.TINPUTS, tinputs);
  EXPECT_EQ(h.program->form.TIN1.text(), tin1);
}

TEST(ParamFileReloadTest, MonitorSwitchedOffLoadsSwitchedOff) {
  testing::Harness h("VRKTset");
  h.Start();
  Form1& f = h.program->form;
  f.VoltInt.SetText("00");
  const std::string saved = BuildParameterFile(h.program->parameters);
  ASSERT_EQ(saved.find("VOLTAGE="), std::string::npos);

  f.VoltInt.SetText("12");
  ASSERT_EQ(LoadInto(h, saved), "");
  EXPECT_EQ(f.VoltInt.text(), "00");
  EXPECT_EQ(testing::ReloadDifference("VRKTset", saved), "");

  // A hand-written file that carries only some keys still leaves the rest of the window alone.
  f.VoltInt.SetText("12");
  ASSERT_EQ(LoadInto(h, "MASTER1=5\r\nPARAMRL1=5#0#03#1\r\n"), "");
  EXPECT_EQ(f.VoltInt.text(), "12");
}

}  // namespace
}  // namespace vrkt
