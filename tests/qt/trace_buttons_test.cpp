// The window's way to the wire traces: "Save trace..." in the Monitor group and "Replay a
// trace..." in the port dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/program.h"
#include "link/wire_trace.h"
#include "qt/main_window.h"
#include "qt/port_dialog.h"
#include "qt/trace_actions.h"
#include "qt_app.h"
#include "sim/sim_unit.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

class TraceButtonsTest : public ::testing::Test {
 protected:
  testing::AppFirst app_;
};

TEST_F(TraceButtonsTest, ReplayATraceChoosesTheRecordedUnit) {
  std::vector<PortInfo> ports = {{"/dev/ttyUSB0", "USB adapter"}, {"sim", "Simulated unit"}};
  qt::PortDialog dialog(ports, "sim", nullptr);
  auto* replay = dialog.findChild<QPushButton*>("PortReplay");
  ASSERT_NE(replay, nullptr);
  EXPECT_EQ(replay->text(), "Replay a trace...");
  dialog.pick_trace = [] { return std::optional<std::string>(); };  // Cancel in the file dialog
  replay->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.ChosenPort(), "sim");
  dialog.pick_trace = [] { return std::optional<std::string>("/home/me/lift 3.trace"); };
  replay->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenPort(), "replay:/home/me/lift 3.trace");
}

TEST_F(TraceButtonsTest, SaveTraceBesideSaveLogSavesTheSessionSinceThePortOpened) {
  VirtualClock clock;
  SimProvider sim(clock);
  TraceRecorder recorder(clock);
  TracingProvider traced(sim, recorder);
  testing::ScriptedDialogs dialogs;
  ProgramEnv env;
  env.program_path = "VRKTset";
  env.clock = &clock;
  env.ports = &traced;
  env.dialogs = &dialogs;
  env.read_settings = false;
  Program program(env);
  qt::MainWindow window(program, {});
  testing::TempDir dir;
  std::optional<std::string> answer = dir.File("unit.trace");
  QPushButton* button = qt::AddSaveTraceButton(window, recorder, [&] { return answer; });
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Save trace...");
  // It has a place of its own: over neither the Monitor nor the buttons beside it.
  for (const char* name : {"Monitor", "SaveMonitor", "CodePIN", "UNPIN"}) {
    QWidget* w = window.findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_FALSE(w->geometry().intersects(button->geometry())) << name;
  }
  EXPECT_NE(qt::SaveTrace(recorder, dir.File("early.trace")), "");  // no port opened yet

  program.FormCreate();
  ASSERT_TRUE(program.port().IsOpen());
  button->click();
  const std::string saved = testing::ReadBytes(dir.File("unit.trace"));
  EXPECT_EQ(saved.rfind("# VRKT wire trace 1\n", 0), 0u);
  EXPECT_NE(saved.find("\n0 open sim\n"), std::string::npos);
  EXPECT_NE(saved.find(" > ATE0\\r\\n\n"), std::string::npos);
  EXPECT_NO_THROW(ParseTrace(saved));
  EXPECT_NE(qt::SaveTrace(recorder, dir.File("no/such/folder/x.trace")), "");
}

}  // namespace
}  // namespace vrkt
