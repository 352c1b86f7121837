// Where the settings file lives, and how exit treats a settings file the user linked elsewhere.

#include "base/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/profile.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kSep(1, static_cast<char>(fs::path::preferred_separator));

bool Never(const std::string&) { return false; }

TEST(SettingsLocationTest, BesideTheProgramWhereItsFolderTakesFiles) {
  TempDir dir;
  // Paths come with '/' from tests and some launchers; the file's path, shown in messages, takes
  // the platform's separator.
  SettingsLocation at = LocateSettingsFile(dir.str() + "/VRKTset", dir.File("config"));
  EXPECT_EQ(at.path, dir.str() + kSep + "VRKTset.ini");
  EXPECT_EQ(at.seed_path, "");
  EXPECT_EQ(LocateSettingsFile(dir.str() + "/sub/DVG1Cset.exe", "").path,
            dir.str() + kSep + "sub" + kSep + "DVG1Cset.ini");
  // Without a per-user folder the file stays beside the program, writable or not.
  EXPECT_EQ(LocateSettingsFile(dir.str() + "/VRKT4Gset", "", Never).path,
            dir.str() + kSep + "VRKT4Gset.ini");
  // A relative start is made absolute.
  EXPECT_TRUE(fs::path(LocateSettingsFile("VRKTset", "").path).is_absolute());
}

TEST(SettingsLocationTest, InstalledProgramKeepsItsSettingsInTheUsersFolder) {
  TempDir dir;
  fs::create_directories(dir.File("bin"));
  const std::string beside = dir.File("bin") + kSep + "VRKTset.ini";
  const std::string admin = "[Form]\r\nPort=3\r\nTop=7\r\n[Language]\r\nsec.=s\r\n";
  WriteBytes(beside, admin);
  const std::string config = dir.File("config") + kSep + "VRKTset";

  SettingsLocation at = LocateSettingsFile(dir.File("bin") + "/VRKTset", config, Never);
  EXPECT_EQ(at.path, config + kSep + "VRKTset.ini");
  EXPECT_EQ(at.seed_path, beside);
  // The first run starts from the administrator's file and writes the user's own copy.
  ProfileFile first(at.path);
  LoadSettingsFile(at, first);
  EXPECT_EQ(first.ReadInteger("Form", "Port", 0), 3);
  EXPECT_EQ(first.ReadString("Language", "sec.", ""), "s");
  first.WriteInteger("Form", "Top", 9);
  PrepareSettingsFolder(at);
  first.Commit();
  EXPECT_EQ(ReadBytes(beside), admin);

  // From then on the user's file is the one read; the administrator's no longer seeds it.
  WriteBytes(beside, "[Form]\r\nPort=5\r\n");
  SettingsLocation again = LocateSettingsFile(dir.File("bin") + "/VRKTset", config, Never);
  EXPECT_EQ(again.path, at.path);
  EXPECT_EQ(again.seed_path, "");
  ProfileFile second(again.path);
  LoadSettingsFile(again, second);
  EXPECT_EQ(second.ReadInteger("Form", "Port", 0), 3);
  EXPECT_EQ(second.ReadInteger("Form", "Top", 0), 9);
}

// A program whose folder takes no files (here: a folder that is gone) writes its settings into the
// user's folder, which it creates; the variants keep separate files there.
TEST(SettingsLocationTest, ExitCreatesTheUsersFolderAndFile) {
  TempDir dir;
  const std::string config = dir.File("config") + kSep + "tool";
  for (const std::string name : {"VRKTset", "DVG1Cset"}) {
    VirtualClock clock;
    testing::ScriptedDialogs dialogs;
    SimProvider sim(clock);
    ProgramEnv env;
    env.program_path = dir.File("gone") + kSep + name;
    env.clock = &clock;
    env.ports = &sim;
    env.dialogs = &dialogs;
    env.user_config_dir = config;
    Program program(env);
    program.FormCreate();
    program.form.top = 321;
    EXPECT_TRUE(program.FormClose());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    const std::string written = ReadBytes(config + kSep + name + ".ini");
    EXPECT_EQ(written.rfind("[Form]\r\nTop=321\r\nLeft=200\r\n", 0), 0u) << written;
  }
  EXPECT_FALSE(fs::exists(dir.File("gone")));
}

TEST(SettingsExitTest, LinkedSettingsFileStaysALink) {
  TempDir dir;
  fs::create_directories(dir.File("team"));
  dir.Write("team/shared.ini", "[Form]\r\nTop=7\r\nWaitSer=500\r\n");
  if (!dir.Link("team/shared.ini", "VRKTset.ini")) GTEST_SKIP() << "no symbolic links here";
  testing::Harness h("VRKTset", dir.str());
  h.Start();
  EXPECT_EQ(h.program->settings.WaitSer, 500);
  h.program->form.top = 8;
  EXPECT_TRUE(h.program->FormClose());
  EXPECT_TRUE(fs::is_symlink(dir.File("VRKTset.ini")));
  const std::string shared = dir.Read("team/shared.ini");
  EXPECT_EQ(shared.rfind("[Form]\r\nTop=8\r\nWaitSer=500\r\n", 0), 0u) << shared;
  EXPECT_NE(shared.find("[Help]"), std::string::npos);
}

}  // namespace
}  // namespace vrkt
