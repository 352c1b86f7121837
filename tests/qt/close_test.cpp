// Closing the window while the unit is being written.

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "app/leave_guard.h"
#include "qt/main_window.h"
#include "qt_app.h"
#include "support/harness.h"
#include "transfer/transfer_fixture.h"

namespace vrkt {
namespace {

class CloseTest : public ::testing::Test {
 protected:
  CloseTest() : window(*h.program, {}) {
    h.Start();
    window.show();
    h.RunFor(1000);
  }
  void Click(Button& b) { h.Click(b); }

  testing::AppFirst app_;
  testing::Harness h;
  qt::MainWindow window;
};

TEST_F(CloseTest, IdleWindowClosesWithoutAQuestion) {
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(h.dialogs.questions.empty());
  EXPECT_FALSE(h.program->port().IsOpen());
}

// Cancel keeps the window and the write going; the write then ends as it would have, and a
// second close, confirmed, ends the program.
TEST_F(CloseTest, WriteAllAsksBeforeClosingAndCancelKeepsWriting) {
  testing::StopAndLoad(h);
  Click(h.form().SaveGDI);
  h.RunFor(200);
  ASSERT_TRUE(h.program->op.WriteAllRunning);
  EXPECT_FALSE(window.close());
  ASSERT_EQ(h.dialogs.questions, std::vector<std::string>{kCloseWhileWriting});
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(h.program->port().IsOpen());
  // The write ends, and so does the reading back that checks it.
  ASSERT_TRUE(h.RunUntil(
      [&] { return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning(); }));

  Click(h.form().SaveGDI);
  h.RunFor(200);
  // Close anyway, then leave the unit stopped as the write left it.
  h.dialogs.answers = {0, 1};
  EXPECT_TRUE(window.close());
  EXPECT_EQ(h.dialogs.questions.size(), 3u);
  EXPECT_EQ(h.dialogs.questions.back(), kLeaveStoppedQuestion);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(h.program->port().IsOpen());
}

TEST_F(CloseTest, LoaderRunAsksBeforeClosing) {
  h.form().List.SetLines({"SET:AT+CMEE=2", "SET:AT+CMEE=1", "SET:AT+CMEE=0"});
  Click(h.form().Send);
  ASSERT_TRUE(h.program->loader.running());
  EXPECT_FALSE(window.close());
  EXPECT_EQ(h.dialogs.questions, std::vector<std::string>{kCloseWhileWriting});
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->loader.running(); }));
  EXPECT_TRUE(window.close());
  EXPECT_EQ(h.dialogs.questions.size(), 1u) << "no question once the run has ended";
}

// Closing while the unit is stopped: Cancel keeps the window, Start and close runs the Run
// sequence and closes the window when it has done its part.
TEST_F(CloseTest, StoppedUnitIsStartedBeforeTheWindowCloses) {
  Click(h.form().StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.form().RunGDI.visible(); }));
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  h.RunFor(300);
  EXPECT_FALSE(window.close());
  EXPECT_EQ(h.dialogs.questions, std::vector<std::string>{kLeaveStoppedQuestion});
  EXPECT_TRUE(window.isVisible());

  const size_t before = h.unit().commands().size();
  h.dialogs.answers = {0};
  EXPECT_FALSE(window.close()) << "the window waits for the Run sequence";
  ASSERT_TRUE(testing::WaitFor(
      [&] {
        h.RunFor(100);
        return !window.isVisible();
      },
      10000));
  EXPECT_EQ(h.Commands(before), std::vector<std::string>{"AT#REBOOT"});
  EXPECT_FALSE(h.program->port().IsOpen());
  EXPECT_EQ(h.dialogs.questions.size(), 2u);
}

}  // namespace
}  // namespace vrkt
