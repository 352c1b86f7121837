// The window's file dialogs open where the last file of their kind was chosen, this run or the
// one before; loading a parameter file names it.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "qt/main_window.h"
#include "qt_app.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

class FileFoldersTest : public ::testing::Test {
 protected:
  FileFoldersTest() {
    std::filesystem::create_directories(dir.File("lifts"));
    std::filesystem::create_directories(dir.File("logs"));
    // A folder remembered by an earlier run, for a kind this run does not use.
    dir.Write("VRKTset.ini", "[Folders]\r\nLoaderLists=" + dir.str() + "\r\n");
  }
  // One run of the program in a window; `run` clicks its buttons, then the window closes.
  template <class Run>
  void Session(Run run) {
    testing::Harness h("VRKTset", dir.str());
    qt::MainWindow window(*h.program, {});
    h.Start();
    window.show();
    h.RunFor(1000);
    run(h, window);
    EXPECT_TRUE(window.close());
  }
  static void Click(qt::MainWindow& window, const char* name) {
    auto* button = window.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }

  testing::AppFirst app_;
  testing::TempDir dir;
};

TEST_F(FileFoldersTest, EachKindOpensWhereItsLastFileWasChosen) {
  const std::string lifts = dir.File("lifts"), logs = dir.File("logs");
  const std::string file = lifts + "/lift3.vrk";
  Session([&](testing::Harness& h, qt::MainWindow& window) {
    h.form().TLtime.UserPick(2);  // a filled window may be saved
    h.dialogs.file_answers = {file, logs + "/today.mon", file};
    Click(window, "Save");
    Click(window, "SaveMonitor");
    Click(window, "Load");
    ASSERT_EQ(h.dialogs.file_options.size(), 3u);
    EXPECT_EQ(h.dialogs.file_options[0].initial_dir, "") << "nothing remembered yet";
    EXPECT_EQ(h.dialogs.file_options[1].initial_dir, "") << "a log is another kind of file";
    EXPECT_EQ(h.dialogs.file_options[2].initial_dir, lifts);
    // The loaded file is named in the title and, for a moment, in the status bar.
    EXPECT_EQ(window.windowTitle(), "VRKTset - lift3.vrk");
    EXPECT_EQ(window.findChild<QLabel*>("StatusPanel0")->text(),
              "Parameter file loaded: lift3.vrk");
  });
  const std::string ini = dir.Read("VRKTset.ini");
  EXPECT_NE(ini.find("[Folders]\r\nLoaderLists=" + dir.str() + "\r\nParameterFiles=" + lifts +
                     "\r\nLogFiles=" + logs + "\r\n"),
            std::string::npos)
      << ini;
  EXPECT_EQ(ini.find("PhoneBookFiles"), std::string::npos) << "no phone book file was chosen";

  // The next run starts there; Cancel remembers nothing new.
  Session([&](testing::Harness& h, qt::MainWindow& window) {
    Click(window, "Load");
    Click(window, "SaveMonitor");
    ASSERT_EQ(h.dialogs.file_options.size(), 2u);
    EXPECT_EQ(h.dialogs.file_options[0].initial_dir, lifts);
    EXPECT_EQ(h.dialogs.file_options[1].initial_dir, logs);
  });
  EXPECT_EQ(dir.Read("VRKTset.ini"), ini);

  // A folder that has gone since: the dialog starts as it did before folders were remembered.
  std::filesystem::remove_all(lifts);
  Session([&](testing::Harness& h, qt::MainWindow& window) {
    Click(window, "Load");
    ASSERT_EQ(h.dialogs.file_options.size(), 1u);
    EXPECT_EQ(h.dialogs.file_options[0].initial_dir, "");
  });
}

}  // namespace
}  // namespace vrkt
