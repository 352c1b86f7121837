// The parameter file in use is named in the window's title, and a loaded one in the status bar.

#include <gtest/gtest.h>

#include "app/program.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

TEST(ParamFileNameTest, SavedAndLoadedFileIsNamedInTheTitle) {
  testing::TempDir dir;
  testing::Harness h;
  h.Start();
  h.RunFor(1000);
  h.form().TLtime.UserPick(2);  // a filled window may be saved
  const std::string path = dir.File("lift3.vrk");
  h.dialogs.file_answers.push_back(path);
  h.Click(h.form().Save);
  EXPECT_EQ(h.form().Form1Window.caption(), "VRKTset - lift3.vrk");

  h.form().Form1Window.SetCaption("VRKTset");
  h.dialogs.file_answers.push_back(path);
  h.Click(h.form().Load);
  EXPECT_EQ(h.form().Form1Window.caption(), "VRKTset - lift3.vrk");
  EXPECT_EQ(h.MonitorCount("Parameter file lift3.vrk: " + path), 2);
  EXPECT_EQ(h.form().StatusBar1.note(), "Parameter file loaded: lift3.vrk");

  // Cancelled: the title stays.
  h.Click(h.form().Load);
  EXPECT_EQ(h.form().Form1Window.caption(), "VRKTset - lift3.vrk");
}

}  // namespace
}  // namespace vrkt
