#include "files/confinement.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/file_test_fixture.h"

namespace vantaro::files {
namespace {

TEST(ConfinementTest, AllowsOnlySharedFoldersAndWhatLiesBelowThem) {
  testing::TempDrives drives;
  drives.MakeFolder("C:\\Users\\Public\\Music\\Album");
  drives.MakeFolder("C:\\Users\\Public\\Musical");
  drives.MakeFile("C:\\Users\\secret.txt", "s");
  drives.MakeFolder("D:\\x");
  // A link inside the shared folder that leads out of it, and one that stays inside.
  if (!drives.MakeLink("C:\\Users", "C:\\Users\\Public\\Music\\escape", true) ||
      !drives.MakeLink("C:\\Users\\Public\\Music\\Album", "C:\\Users\\Public\\Music\\inside", true))
    GTEST_SKIP() << "this system cannot make symbolic links";
  Confinement confinement(*drives.fileSystem, [] {
    return std::vector<std::string>{"C:\\Users\\Public\\Music", "D:\\"};
  });
  // `allowed` is the rule on the text; links decide only whether a request reaches the item.
  struct Case {
    const char* path;
    bool allowed;
  } cases[] = {
      {"C:\\Users\\Public\\Music", true},
      {"C:\\Users\\Public\\Music\\", true},
      {"C:\\Users\\Public\\Music\\Album", true},
      {"C:\\Users\\Public\\Music\\not-yet\\new.txt", true},
      {"c:\\Users\\Public\\Music\\Album", true},
      {"C:\\Users\\\\Public\\Music\\\\Album", true},
      {"C:\\Users\\Public\\Music/Album", true},

      {"D:\\", true},
      {"D:\\x\\y.txt", true},
      {"C:\\Users\\Public", false},
      {"C:\\Users\\Public\\Musical", false},
      {"C:\\Users\\Public\\Music\\..\\..\\secret.txt", false},
      {"C:\\Users\\Public\\Music\\..", false},
      {"C:\\Users\\Public\\Music\\.\\Album", false},
      {"C:\\Users\\Public\\Music/../../secret.txt", false},
      {"C:\\Users\\secret.txt", false},
      {"Z:\\etc\\passwd", false},
      {"\\\\server\\share", false},
      {"Users\\Public\\Music", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(confinement.Allows(c.path), c.allowed) << c.path;

  // No link below a shared folder is followed, whether it leads out or stays inside.
  struct Reach {
    const char* path;
    bool reached;
    const char* name;  // the item's name in the folder that holds it
  } reaches[] = {
      {"C:\\Users\\Public\\Music", true, ""},
      {"C:\\Users\\Public\\Music\\Album", true, "Album"},
      {"C:\\Users\\Public\\Music\\Album\\new.txt", true, "new.txt"},
      {"C:\\Users\\Public\\Music\\escape", true, "escape"},  // the link itself
      {"C:\\Users\\Public\\Music\\escape\\secret.txt", false, ""},
      {"C:\\Users\\Public\\Music\\inside\\x", false, ""},
      {"C:\\Users\\Public\\Music\\not-yet\\new.txt", false, ""},
      {"C:\\Users\\secret.txt", false, ""},
  };
  for (const auto& r : reaches) {
    auto located = confinement.Locate(r.path);
    ASSERT_EQ(located.has_value(), r.reached) << r.path;
    if (located) {
      EXPECT_EQ(located->name, r.name) << r.path;
    }
  }
  EXPECT_TRUE(confinement.IsSharedFolder("c:\\Users\\Public\\Music\\"));
  EXPECT_FALSE(confinement.IsSharedFolder("C:\\Users\\Public\\Music\\Album"));
}

TEST(ConfinementTest, NothingIsAllowedWithoutSharedFolders) {
  testing::TempDrives drives;
  Confinement confinement(*drives.fileSystem, [] { return std::vector<std::string>{"", "bad"}; });
  EXPECT_FALSE(confinement.Allows("C:\\"));
}

}  // namespace
}  // namespace vantaro::files
