// Which port the dialog offers first, choosing another port while the program runs, and the
// port remembered for the next start.

#include <gtest/gtest.h>

#include "base/profile.h"
#include "link/port_service.h"
#include "support/harness.h"
#include "support/temp_dir.h"
#include "transfer/transfer_fixture.h"

namespace vrkt {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(PortChoiceTest, ConfiguredPortComesFirstThenTheLastOneWhenListed) {
  const std::vector<PortInfo> ports = {
      {"/dev/ttyS0", "Built-in port"}, {"/dev/ttyUSB3", "USB adapter"}, {"sim", "Simulated"}};
  struct Case {
    std::vector<std::string> names;
    const char* expected;
  } cases[] = {
      {{"4", "sim"}, "/dev/ttyUSB3"},  // Port=4 is ttyUSB3 and wins over the last port
      {{"9", "sim"}, "sim"},           // no port number 9: the last port
      {{"", "/dev/ttyUSB3"}, "/dev/ttyUSB3"},
      {{"", "/dev/ttyUSB0"}, ""},  // the adapter of last time is not plugged in
      {{"COM3", "/dev/ttyS0"}, "/dev/ttyS0"},
      {{}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PortService::Preselection(ports, c.names), c.expected) << c.names.size();
}

// The settings file's Port and LastPort reach the dialog; LastPort is written at exit after the
// other keys, and only when a port was chosen in this run.
TEST(PortChoiceTest, LastPortIsReadAtStartAndWrittenWhenAPortWasChosen) {
  struct Case {
    const char* form;
    std::optional<std::string> answer;  // of the port dialog at start-up
    const char* preselect;
    const char* last_port_after;  // "" when the exit must not write it
  } cases[] = {
      {"LastPort=sim\r\n", "sim", "sim", "sim"},
      {"Port=5\r\nLastPort= sim \r\n", "sim", "sim", "sim"},
      {"LastPort=/dev/ttyUSB0\r\n", "sim", "", "sim"},
      {"LastPort=/dev/ttyUSB0\r\n", std::nullopt, "", "/dev/ttyUSB0"},
      {"", std::nullopt, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    TempDir dir;
    const std::string ini = dir.File("VRKTset.ini");
    WriteBytes(ini, std::string("[Form]\r\n") + c.form);
    testing::Harness h("VRKTset", dir.str());
    h.dialogs.port_answers.push_back(c.answer);
    h.Start();
    EXPECT_EQ(h.dialogs.last_preselect, c.preselect);
    ASSERT_TRUE(h.program->FormClose());
    const std::string out = ReadBytes(ini);
    ProfileFile back(ini);
    back.Parse(out);
    EXPECT_EQ(back.ReadString("Form", "LastPort", ""), c.last_port_after);
    if (std::string(c.form).find("Port=5") != std::string::npos) {
      EXPECT_EQ(back.ReadString("Form", "Port", ""), "5") << "Port is the administrator's";
    }
  }
}

class PortSelectTest : public ::testing::Test {
 protected:
  PortSelectTest() {
    h.AnswerWhileRunning();
    h.Start();
    h.RunFor(1000);
  }
  void ClickPortSelect(std::optional<std::string> answer) {
    h.dialogs.port_answers.push_back(answer);
    h.Click(h.form().PortSelect);
    h.RunFor(500);
  }
  testing::Harness h;
};

TEST_F(PortSelectTest, AnotherPortCanBeChosenAtAnyTime) {
  EXPECT_EQ(h.form().PortName.caption(), "Port: sim");
  const size_t before = h.unit().commands().size();

  ClickPortSelect(std::nullopt);  // Cancel: the open port stays as it is
  EXPECT_TRUE(h.program->port().IsOpen());
  EXPECT_EQ(h.dialogs.last_preselect, "sim") << "the open port is offered first";
  EXPECT_EQ(h.unit().commands().size(), before);

  ClickPortSelect("/dev/gone");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0], "Cannot open serial port /dev/gone: No such port: /dev/gone");
  EXPECT_FALSE(h.program->port().IsOpen());
  EXPECT_EQ(h.form().PortName.caption(), "Port: none");

  // Without this button nothing would open the port again: the buttons that talk to the unit
  // stay disabled while there is no CTS.
  ClickPortSelect("sim");
  EXPECT_TRUE(h.program->port().IsOpen());
  EXPECT_EQ(h.form().PortName.caption(), "Port: sim");
  EXPECT_EQ(h.Commands(before), std::vector<std::string>{"ATE0"});
  h.RunFor(4000);
  EXPECT_TRUE(h.form().StopGDI.enabled());
  EXPECT_TRUE(h.program->port().chosen_this_run());
  EXPECT_EQ(h.program->port().last_port(), "sim");
}

TEST_F(PortSelectTest, PortStaysWhileTheUnitIsWritten) {
  testing::StopAndLoad(h);
  h.Click(h.form().SaveGDI);
  h.RunFor(200);
  ASSERT_TRUE(h.program->op.WriteAllRunning);
  ClickPortSelect("sim");
  EXPECT_EQ(h.dialogs.messages,
            std::vector<std::string>{"The port cannot be changed while the unit is being read "
                                     "or written."});
  EXPECT_EQ(h.dialogs.port_answers.size(), 1u) << "no dialog was shown";
  EXPECT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }));
}

}  // namespace
}  // namespace vrkt
