#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"
#include "support/server_process.h"

namespace vantaro::platform {
namespace {

namespace fs = std::filesystem;

TEST(XdgUserFoldersTest, ComputerPathsUseDriveZ) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/", "Z:\\"},
      {"/home/ann/Music", "Z:\\home\\ann\\Music"},
      {"/home//ann/./Music/", "Z:\\home\\ann\\Music"},
      {"/srv/My Files", "Z:\\srv\\My Files"},
  };
  for (auto& [posix, computer] : cases) EXPECT_EQ(ComputerPathOf(posix), computer) << posix;
}

TEST(XdgUserFoldersTest, ExistingNamedFoldersOtherThanHomeInFixedOrder) {
  testing::TempDir dir;
  const std::string home = dir.path() + "/home/ann";
  const std::string config = home + "/.config";
  const std::string outside = dir.path() + "/media";
  for (const std::string& f :
       {home + "/My Videos", home + "/Pics", home + "/a\"b", outside, config})
    fs::create_directories(f);
  std::ofstream(home + "/plain-file") << "x";
  fs::create_symlink(home, dir.path() + "/home-link");

  struct Case {
    const char* name;
    std::string userDirs;  // empty: no user-dirs.dirs at all
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"no file: every folder is home", "", {}},
      {"fixed order, home and missing left out",
       "# comment\n"
       "XDG_MUSIC_DIR=\"$HOME/\"\n"
       "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
       "XDG_DOCUMENTS_DIR=\"$HOME/Missing\"\n"
       "XDG_PICTURES_DIR=\"" +
           outside +
           "\"\n"
           "  XDG_VIDEOS_DIR = \"$HOME/My Videos\"\n",
       {ComputerPathOf(home + "/My Videos"), ComputerPathOf(outside)}},
      {"escapes, later lines win, home through a link",
       "XDG_VIDEOS_DIR=\"$HOME/Pics\"\n"
       "XDG_VIDEOS_DIR=\"$HOME/a\\\"b\"\n"
       "XDG_PICTURES_DIR=\"" +
           dir.path() +
           "/home-link\"\n"
           "XDG_MUSIC_DIR=\"$HOME\"\n",
       {ComputerPathOf(home + "/a\"b")}},
      {"malformed values are ignored",
       "XDG_VIDEOS_DIR=\"My Videos\"\n"         // relative
       "XDG_PICTURES_DIR=\"$HOMEPics\"\n"       // not $HOME followed by /
       "XDG_DOCUMENTS_DIR=$HOME/Pics\n"         // unquoted
       "XDG_MUSIC_DIR=\"$HOME/plain-file\"\n",  // not a folder
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(config + "/user-dirs.dirs");
    if (!c.userDirs.empty()) std::ofstream(config + "/user-dirs.dirs") << c.userDirs;
    EXPECT_EQ(CreateXdgUserFolders(home, config)->DefaultSharedFolders(), c.expected);
  }
}

}  // namespace
}  // namespace vantaro::platform
