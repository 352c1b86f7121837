// Leaving a stopped unit, and a port that is lost under the program.

#include "app/leave_guard.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/program.h"
#include "support/harness.h"

namespace vrkt {
namespace {

class LeaveGuardTest : public ::testing::Test {
 protected:
  LeaveGuardTest() {
    h.Start();
    h.RunFor(1000);
  }
  void StopUnit() {
    Form1& f = h.form();
    h.Click(f.StopGDI);
    ASSERT_TRUE(h.RunUntil([&] {
      return f.RunGDI.visible() && h.MonitorCount("STOP") + h.MonitorCount("#APLAYEV: 0") > 0;
    }));
    // The read that the unit's stop report starts runs to its end first.
    ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
    h.RunFor(300);
  }
  testing::Harness h;
};

TEST_F(LeaveGuardTest, RunningUnitClosesWithoutAQuestion) {
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kLeave);
  EXPECT_TRUE(h.dialogs.questions.empty());
}

TEST_F(LeaveGuardTest, StoppedUnitAsksAndEachAnswerIsKept) {
  StopUnit();
  h.dialogs.answers = {-1, 1, 0};
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kStay);
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kLeave);
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kStartThenLeave);
  EXPECT_EQ(h.dialogs.questions, std::vector<std::string>(3, kLeaveStoppedQuestion));

  // Start and close: the Run button's own sequence, ended before the window may go.
  const size_t before = h.unit().commands().size();
  StartBeforeLeaving(*h.program);
  EXPECT_FALSE(h.program->port().Dtr());
  ASSERT_TRUE(h.RunUntil([&] { return RunSequenceEnded(*h.program); }, 30000));
  const std::vector<std::string> sent = h.Commands(before);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "AT#REBOOT"), 1);
  ASSERT_TRUE(h.RunUntil([&] { return h.unit().app_running(); }, 30000));
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kLeave);
  EXPECT_EQ(h.dialogs.questions.size(), 3u);
}

// With no port open there is no unit to leave stopped.
TEST_F(LeaveGuardTest, NoQuestionWithoutAnOpenPort) {
  StopUnit();
  h.program->port().Close();
  EXPECT_EQ(DecideClose(*h.program), LeaveChoice::kLeave);
  EXPECT_TRUE(h.dialogs.questions.empty());
}

TEST_F(LeaveGuardTest, PortChangeWhileStoppedAsksAndStartsFirst) {
  StopUnit();
  const int dialogs_before = h.dialogs.port_dialogs;
  h.Click(h.form().PortSelect);  // Cancel: no port dialog, the unit stays as it is
  h.RunFor(500);
  EXPECT_EQ(h.dialogs.questions, std::vector<std::string>{kLeaveStoppedPortQuestion});
  EXPECT_EQ(h.dialogs.port_dialogs, dialogs_before);
  EXPECT_TRUE(h.program->port().Dtr());

  const size_t before = h.unit().commands().size();
  h.dialogs.answers = {0};
  h.dialogs.port_answers = {std::string("sim")};
  h.Click(h.form().PortSelect);
  ASSERT_TRUE(h.RunUntil([&] { return h.dialogs.port_dialogs > dialogs_before; }, 30000));
  // The restart went out on the old port before the port dialog let it go.
  EXPECT_EQ(h.Commands(before), std::vector<std::string>{"AT#REBOOT"});
  EXPECT_FALSE(h.program->port().Dtr());
  h.RunFor(500);
  EXPECT_TRUE(h.program->port().IsOpen());
  EXPECT_EQ(h.dialogs.questions.size(), 2u) << "the unit was running when the dialog came";
}

// The adapter is pulled out: one message, the port stays closed and the window stays usable
// offline; nothing brings the port dialog back until Port... is clicked.
TEST_F(LeaveGuardTest, LostPortStaysLostUntilTheUserChoosesOne) {
  // A module that answers the signal query while the unit runs, to fill the gauges.
  h.sim.unit().Configure(testing::AnsweringConfig(h.sim.unit().config()));
  h.Click(h.form().signal);
  ASSERT_TRUE(h.RunUntil([&] { return h.form().Smeter.position() > 0; }, 10000));
  h.program->status.ShowOperator("+COPS: 0,0,\"NETZ\"");
  h.program->status.ShowBattery("#CBC: 0,385");
  ASSERT_NE(h.form().StatusBar1.panel(0), "Operator:");
  const int dialogs_before = h.dialogs.port_dialogs;
  h.unit().faults().unplugged = true;
  h.RunFor(200);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0], "The serial port sim was closed: the device was removed");
  EXPECT_EQ(h.form().PortName.caption(), "Port: none");
  EXPECT_EQ(h.form().StatusBar1.panel(0), "Operator:");
  EXPECT_EQ(h.form().StatusBar1.panel(1), " board voltage:");
  EXPECT_EQ(h.form().StatusBar1.panel(2), " SIM:");
  EXPECT_EQ(h.form().Smeter.position(), 0);
  EXPECT_EQ(h.form().Voltage.caption(), " - - - - mV");

  h.unit().faults().unplugged = false;  // plugged in again, but the user has not said so
  h.RunFor(120000);
  EXPECT_EQ(h.dialogs.port_dialogs, dialogs_before);
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_FALSE(h.program->port().IsOpen());
  EXPECT_TRUE(h.form().PortSelect.enabled());
  EXPECT_TRUE(h.form().Load.enabled());

  // A button that needs the unit says why instead of asking for a port.
  h.Click(h.form().signal);
  EXPECT_EQ(h.dialogs.port_dialogs, dialogs_before);
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_EQ(h.dialogs.messages[1], "No serial port is open. Choose one with Port....");

  h.dialogs.port_answers = {std::string("sim")};
  h.Click(h.form().PortSelect);
  h.RunFor(500);
  EXPECT_TRUE(h.program->port().IsOpen());
  EXPECT_EQ(h.form().PortName.caption(), "Port: sim");
}

}  // namespace
}  // namespace vrkt
