// Replacing files in one step as the user expects of a save: what may not be written stays as it
// is, permissions and links survive, and messages show paths as the platform writes them.

#include "base/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/error.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

constexpr char kFormat[] = "Cannot create file \"%s\". %s";

const std::string kSep(1, static_cast<char>(fs::path::preferred_separator));

// The message WriteFileAtomically raises, or "" when it succeeds.
std::string WriteError(const std::string& path, const std::string& bytes) {
  try {
    WriteFileAtomically(path, bytes, kFormat);
  } catch (const AppError& e) {
    return e.what();
  }
  return {};
}

constexpr fs::perms kAnyWrite =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

TEST(FileReplaceTest, ReadOnlyFileIsRefusedAndLeftAsItIs) {
  TempDir dir;
  dir.Write("unit.vrk", "old content");
  const std::string path = dir.File("unit.vrk");
  fs::permissions(path, kAnyWrite, fs::perm_options::remove);
  const fs::perms before = fs::status(path).permissions();

  EXPECT_EQ(WriteError(path, "new content"),
            "Cannot create file \"" + DisplayPath(path) + "\". Permission denied.");
  EXPECT_EQ(dir.Read("unit.vrk"), "old content");
  EXPECT_EQ(fs::status(path).permissions(), before);
  EXPECT_EQ(dir.FileCount(), 1u) << "a temporary file was left behind";

  // Writable again, the same call replaces it.
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(WriteError(path, "new content"), "");
  EXPECT_EQ(dir.Read("unit.vrk"), "new content");
}

TEST(FileReplaceTest, ReplacementKeepsThePermissions) {
  TempDir dir;
  const std::string path = dir.File("VRKTset.ini");
  // Two settings that differ from what a new file gets under any usual umask, whichever it is.
  for (fs::perms wanted : {fs::perms::owner_read | fs::perms::owner_write,
                           fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                               fs::perms::group_write | fs::perms::others_read}) {
    dir.Write("VRKTset.ini", "old");
    fs::permissions(path, wanted, fs::perm_options::replace);
    // What the platform made of it (Windows knows only read-only or not).
    const fs::perms before = fs::status(path).permissions();
    ASSERT_EQ(WriteError(path, "new"), "");
    EXPECT_EQ(dir.Read("VRKTset.ini"), "new");
    EXPECT_EQ(fs::status(path).permissions(), before);
  }
}

TEST(FileReplaceTest, LinkStaysALinkAndItsTargetGetsTheContent) {
  TempDir dir;
  fs::create_directories(dir.File("shared"));
  dir.Write("shared/team.ini", "old");
  // A relative link, a link to that link (a chain), and a link whose target does not exist yet.
  if (!dir.Link("shared/team.ini", "VRKTset.ini")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(dir.Link(dir.File("VRKTset.ini"), "DVG1Cset.ini"));
  ASSERT_TRUE(dir.Link("shared/later.ini", "VRKT4Gset.ini"));

  ASSERT_EQ(WriteError(dir.File("VRKTset.ini"), "first"), "");
  EXPECT_EQ(dir.Read("shared/team.ini"), "first");
  ASSERT_EQ(WriteError(dir.File("DVG1Cset.ini"), "second"), "");
  EXPECT_EQ(dir.Read("shared/team.ini"), "second");
  ASSERT_EQ(WriteError(dir.File("VRKT4Gset.ini"), "third"), "");
  EXPECT_EQ(dir.Read("shared/later.ini"), "third");

  EXPECT_EQ(fs::read_symlink(dir.File("VRKTset.ini")), fs::path("shared/team.ini"));
  EXPECT_EQ(fs::read_symlink(dir.File("DVG1Cset.ini")), fs::path(dir.File("VRKTset.ini")));
  EXPECT_TRUE(fs::is_symlink(dir.File("VRKT4Gset.ini")));
  EXPECT_EQ(dir.FileCount(), 4u);  // the folder and three links: nothing new beside them

  // A loop of links is an error, not a hang.
  ASSERT_TRUE(dir.Link(dir.File("loop2"), "loop1"));
  ASSERT_TRUE(dir.Link(dir.File("loop1"), "loop2"));
  EXPECT_NE(WriteError(dir.File("loop1"), "x"), "");
}

TEST(FileMessagesTest, PathsShowThePlatformSeparator) {
  EXPECT_EQ(DisplayPath("a/b/unit.vrk"), "a" + kSep + "b" + kSep + "unit.vrk");

  TempDir dir;
  // Built with '/', as file dialogs return paths on every platform.
  const std::string missing = dir.str() + "/gone/unit.vrk";
  const std::string shown = dir.str() + kSep + "gone" + kSep + "unit.vrk";
  EXPECT_EQ(WriteError(missing, "x").rfind("Cannot create file \"" + shown + "\". ", 0), 0u)
      << WriteError(missing, "x");
  try {
    ReadFileBytes(missing, "Cannot open file \"%s\". %s");
    FAIL() << "read a missing file";
  } catch (const AppError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + shown + "\". ", 0), 0u)
        << e.what();
  }
}

TEST(FileFolderTest, CanCreateFilesInTriesWithoutLeavingAnything) {
  TempDir dir;
  EXPECT_TRUE(CanCreateFilesIn(dir.str()));
  EXPECT_EQ(dir.FileCount(), 0u);
  EXPECT_FALSE(CanCreateFilesIn(dir.File("missing")));
  dir.Write("plain", "a file, not a folder");
  EXPECT_FALSE(CanCreateFilesIn(dir.File("plain")));
}

}  // namespace
}  // namespace vrkt
