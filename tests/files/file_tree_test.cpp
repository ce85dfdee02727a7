#include "files/file_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "files/computer_path.h"
#include "files/confinement.h"
#include "files/file_test_fixture.h"
#include "platform/fakes/hooked_file_system.h"

namespace vantaro::files {
namespace {

using testing::TempDrives;

TEST(FileNameOfTest, TakesTheTextAfterTheLastSeparator) {
  struct Case {
    const char* path;
    const char* name;
  } cases[] = {
      {"C:\\Users\\Public\\Music", "Music"},
      {"D:\\", "D:\\"},
      {"abc", "abc"},
      {"C:\\a\\", "C:\\a\\"},
      {"C:\\a.txt", "a.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
}

class FileTreeTest : public ::testing::Test {
 protected:
  FileTreeTest()
      : confinement_(*drives_.fileSystem, [] { return std::vector<std::string>{"C:\\", "D:\\"}; }),
        tree_(stop_) {}

  std::unique_ptr<platform::Folder> Open(const std::string& path) {
    auto folder = confinement_.OpenFolder(path);
    EXPECT_NE(folder, nullptr) << path;
    return folder;
  }
  std::vector<std::string> Collect(const std::string& path) {
    return tree_.CollectFiles(*Open(path), path);
  }

  TempDrives drives_;
  std::atomic<int32_t> stop_{0};
  Confinement confinement_;
  FileTree tree_;
};

TEST_F(FileTreeTest, MakeUniqueNameInsertsTwoByTheKindOfTheEntryInTheWay) {
  struct Case {
    std::vector<std::string> files, folders;
    const char* name;
    const char* expected;
  } cases[] = {
      {{"report.txt", "report2.txt"}, {}, "report.txt", "report22.txt"},
      {{"notes"}, {}, "notes", "2notes"},
      {{}, {"notes"}, "notes", "notes2"},
      {{"archive.tar.gz"}, {}, "archive.tar.gz", "archive.tar2.gz"},
      {{"A.TXT"}, {}, "a.txt", "a.txt"},
      {{}, {"Cam", "Cam2"}, "Cam", "Cam22"},
      {{}, {"x.jpg"}, "x.jpg", "x.jpg2"},
      {{}, {}, "fresh", "fresh"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(drives_.Native("C:\\T"));
    drives_.MakeFolder("C:\\T");
    for (const auto& f : c.files) drives_.MakeFile("C:\\T\\" + f);
    for (const auto& f : c.folders) drives_.MakeFolder("C:\\T\\" + f);
    EXPECT_EQ(FileTree::MakeUniqueName(*Open("C:\\T"), c.name), c.expected) << c.name;
  }
}

TEST_F(FileTreeTest, OpeningAFolderCreatesTheMissingOnesOnRequestAndNeverFollowsLinks) {
  if (!drives_.CanMakeLinks()) GTEST_SKIP() << "this system cannot make symbolic links";
  drives_.MakeFolder("C:\\a");
  EXPECT_NE(confinement_.OpenFolder("C:\\a\\b\\c", true), nullptr);
  EXPECT_TRUE(std::filesystem::is_directory(drives_.Native("C:\\a\\b\\c")));
  EXPECT_NE(confinement_.OpenFolder("C:\\a\\b\\c\\", true), nullptr);  // already there
  EXPECT_NE(confinement_.OpenFolder("D:\\", true), nullptr);
  EXPECT_EQ(confinement_.OpenFolder("C:\\a\\missing"), nullptr);

  drives_.MakeFile("C:\\f", "x");
  drives_.MakeFolder("D:\\outside");
  std::filesystem::create_directory_symlink(drives_.Native("D:\\outside"), drives_.Native("C:\\l"));
  EXPECT_EQ(confinement_.OpenFolder("C:\\f\\g", true), nullptr);
  EXPECT_EQ(confinement_.OpenFolder("C:\\l\\new", true), nullptr);
  EXPECT_EQ(confinement_.OpenFolder("C:\\l"), nullptr);
  EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("D:\\outside")));
  EXPECT_EQ(confinement_.OpenFolder("\\\\server\\share", true), nullptr);
  EXPECT_EQ(confinement_.OpenFolder("Q:\\unmapped", true), nullptr);
}

TEST_F(FileTreeTest, CollectFilesListsVisibleFilesAndEmptyFolders) {
  drives_.MakeFile("C:\\D\\f", "1");
  drives_.MakeFile("C:\\D\\.h", "2");
  drives_.MakeFolder("C:\\D\\s");
  drives_.MakeFile("C:\\D\\t\\deep\\g", "3");
  drives_.MakeFile("C:\\D\\t\\.only-hidden");
  drives_.MakeFolder("C:\\E");
  EXPECT_EQ(Collect("C:\\D"),
            (std::vector<std::string>{"C:\\D\\f", "C:\\D\\s", "C:\\D\\t\\deep\\g"}));
  EXPECT_EQ(Collect("C:\\E"), std::vector<std::string>{"C:\\E"});
}

TEST_F(FileTreeTest, CollectFilesLeavesLinksOut) {
  drives_.MakeFile("D:\\outside.txt", "secret");
  drives_.MakeFile("C:\\S\\in.txt", "1");
  if (!drives_.MakeLink("D:\\outside.txt", "C:\\S\\out", false) ||
      !drives_.MakeLink("C:\\S\\in.txt", "C:\\S\\same", false) ||
      !drives_.MakeLink("C:\\S", "C:\\S\\loop", true))
    GTEST_SKIP() << "this system cannot make symbolic links";
  EXPECT_EQ(Collect("C:\\S"), std::vector<std::string>{"C:\\S\\in.txt"});
}

TEST_F(FileTreeTest, CopyAndDeleteFolderTreesIncludingReadOnlyAndHiddenFiles) {
  drives_.MakeFile("C:\\A\\F\\r.txt", "ro");
  drives_.MakeFile("C:\\A\\F\\.hidden", "h");
  drives_.MakeFile("C:\\A\\F\\sub\\x", "x");
  drives_.MakeReadOnly("C:\\A\\F\\r.txt");
  ASSERT_TRUE(tree_.CopyFolderTree(*Open("C:\\A\\F"), *Open("C:\\"), "B"));
  EXPECT_EQ(drives_.Read("C:\\B\\r.txt"), "ro");
  EXPECT_EQ(drives_.Read("C:\\B\\.hidden"), "h");
  EXPECT_EQ(drives_.Read("C:\\B\\sub\\x"), "x");

  EXPECT_TRUE(tree_.DeleteFolderTree(*Open("C:\\A"), "F"));
  EXPECT_FALSE(drives_.Exists("C:\\A\\F"));
  EXPECT_FALSE(tree_.DeleteFolderTree(*Open("C:\\A"), "missing"));
}

TEST_F(FileTreeTest, DeleteFolderTreeRemovesLinksButNotWhatTheyPointTo) {
  drives_.MakeFile("D:\\keep\\precious", "p");
  drives_.MakeFolder("C:\\G");
  if (!drives_.MakeLink("D:\\keep", "C:\\G\\l", true))
    GTEST_SKIP() << "this system cannot make symbolic links";
  EXPECT_TRUE(tree_.DeleteFolderTree(*Open("C:\\"), "G"));
  EXPECT_FALSE(drives_.Exists("C:\\G"));
  EXPECT_EQ(drives_.Read("D:\\keep\\precious"), "p");
  // A link given as the folder itself is neither followed nor removed as a folder.
  std::filesystem::create_directory_symlink(drives_.Native("D:\\keep"), drives_.Native("C:\\L"));
  EXPECT_FALSE(tree_.DeleteFolderTree(*Open("C:\\"), "L"));
  EXPECT_EQ(drives_.Read("D:\\keep\\precious"), "p");
}

// The race of a tree walk: between listing a folder and stepping into one of its sub-folders, the
// sub-folder is swapped for a link to a folder outside. The walk must not follow it.
TEST_F(FileTreeTest, ASubFolderSwappedForALinkMidWalkIsNotFollowed) {
  if (!drives_.CanMakeLinks()) GTEST_SKIP() << "this system cannot make symbolic links";
  drives_.MakeFile("C:\\S\\F\\sub\\own.txt", "own");
  for (int i = 0; i < 20; ++i) drives_.MakeFile("D:\\out\\" + std::to_string(i), "keep");
  platform::HookedFileSystem hooked(*drives_.fileSystem);
  Confinement confinement(hooked, [] { return std::vector<std::string>{"C:\\S"}; });
  bool swapped = false;
  hooked.hook = [&](const std::string& call, const std::string& name) {
    if (swapped || call != "OpenFolder" || name != "sub") return;
    swapped = true;
    std::filesystem::rename(drives_.Native("C:\\S\\F\\sub"), drives_.Native("D:\\moved"));
    std::filesystem::create_directory_symlink(drives_.Native("D:\\out"),
                                              drives_.Native("C:\\S\\F\\sub"));
  };
  auto shared = confinement.OpenFolder("C:\\S");
  ASSERT_NE(shared, nullptr);
  EXPECT_FALSE(tree_.DeleteFolderTree(*shared, "F"));
  EXPECT_TRUE(swapped);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(drives_.Read("D:\\out\\" + std::to_string(i)), "keep");

  // The same swap while a copy walks the tree: nothing outside is copied.
  std::filesystem::remove(drives_.Native("C:\\S\\F\\sub"));
  std::filesystem::rename(drives_.Native("D:\\moved"), drives_.Native("C:\\S\\F\\sub"));
  swapped = false;
  auto again = confinement.OpenFolder("C:\\S\\F");
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(tree_.CopyFolderTree(*again, *confinement.OpenFolder("C:\\S"), "copy"));
  EXPECT_TRUE(swapped);
  EXPECT_FALSE(drives_.Exists("C:\\S\\copy\\sub\\0"));
}

TEST_F(FileTreeTest, TheStopFlagEndsTreeWalksAtTheNextEntry) {
  drives_.MakeFile("C:\\A\\a", "1");
  drives_.MakeFile("C:\\A\\b", "2");
  stop_ = 1;
  EXPECT_FALSE(tree_.CopyFolderTree(*Open("C:\\A"), *Open("C:\\"), "B"));
  EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("C:\\B")));
  EXPECT_FALSE(tree_.DeleteFolderTree(*Open("C:\\"), "A"));
  EXPECT_TRUE(drives_.Exists("C:\\A\\a"));
}

}  // namespace
}  // namespace vantaro::files
