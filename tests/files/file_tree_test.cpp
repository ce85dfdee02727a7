#include "files/file_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "files/computer_path.h"
#include "files/confinement.h"
#include "files/file_test_fixture.h"

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
        tree_(*drives_.fileSystem, stop_, confinement_) {}

  TempDrives drives_;
  std::atomic<int32_t> stop_{0};
  Confinement confinement_;
  FileTree tree_;
};

TEST_F(FileTreeTest, MakeUniquePathInsertsTwoByTheKindOfTheEntryInTheWay) {
  struct Case {
    std::vector<std::string> files, folders;
    const char* name;
    const char* expected;
  } cases[] = {
      {{"report.txt", "report2.txt"}, {}, "report.txt", "C:\\T\\report22.txt"},
      {{"notes"}, {}, "notes", "C:\\T\\2notes"},
      {{}, {"notes"}, "notes", "C:\\T\\notes2"},
      {{"archive.tar.gz"}, {}, "archive.tar.gz", "C:\\T\\archive.tar2.gz"},
      {{"A.TXT"}, {}, "a.txt", "C:\\T\\a.txt"},
      {{}, {"Cam", "Cam2"}, "Cam", "C:\\T\\Cam22"},
      {{}, {"x.jpg"}, "x.jpg", "C:\\T\\x.jpg2"},
      {{}, {}, "fresh", "C:\\T\\fresh"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(drives_.Native("C:\\T"));
    drives_.MakeFolder("C:\\T");
    for (const auto& f : c.files) drives_.MakeFile("C:\\T\\" + f);
    for (const auto& f : c.folders) drives_.MakeFolder("C:\\T\\" + f);
    EXPECT_EQ(tree_.MakeUniquePath("C:\\T", c.name), c.expected) << c.name;
  }
}

TEST_F(FileTreeTest, MakeUniquePathKeepsTheFolderAsGiven) {
  drives_.MakeFile("D:\\a.txt");
  EXPECT_EQ(tree_.MakeUniquePath("D:\\", "a.txt"), "D:\\\\a2.txt");
}

TEST_F(FileTreeTest, MakeDirectoryTreeCreatesTheMissingFolders) {
  drives_.MakeFolder("C:\\a");
  EXPECT_TRUE(tree_.MakeDirectoryTree("C:\\a\\b\\c"));
  EXPECT_TRUE(std::filesystem::is_directory(drives_.Native("C:\\a\\b\\c")));
  EXPECT_TRUE(tree_.MakeDirectoryTree("C:\\a\\b\\c\\"));  // already there
  EXPECT_TRUE(tree_.MakeDirectoryTree("D:\\"));

  drives_.MakeFile("C:\\f", "x");
  EXPECT_FALSE(tree_.MakeDirectoryTree("C:\\f\\g"));
  EXPECT_FALSE(tree_.MakeDirectoryTree("\\\\server\\share"));
  EXPECT_FALSE(tree_.MakeDirectoryTree("Q:\\unmapped"));
}

TEST_F(FileTreeTest, CollectFilesListsVisibleFilesAndEmptyFolders) {
  drives_.MakeFile("C:\\D\\f", "1");
  drives_.MakeFile("C:\\D\\.h", "2");
  drives_.MakeFolder("C:\\D\\s");
  drives_.MakeFile("C:\\D\\t\\deep\\g", "3");
  drives_.MakeFile("C:\\D\\t\\.only-hidden");
  drives_.MakeFolder("C:\\E");
  EXPECT_EQ(tree_.CollectFiles("C:\\D"),
            (std::vector<std::string>{"C:\\D\\f", "C:\\D\\s", "C:\\D\\t\\deep\\g"}));
  EXPECT_EQ(tree_.CollectFiles("C:\\E"), std::vector<std::string>{"C:\\E"});
}

TEST_F(FileTreeTest, CollectFilesDoesNotFollowLinksOutOrIntoFolders) {
  drives_.MakeFile("D:\\outside.txt", "secret");
  drives_.MakeFile("C:\\S\\in.txt", "1");
  if (!drives_.MakeLink("D:\\outside.txt", "C:\\S\\out", false) ||
      !drives_.MakeLink("C:\\S\\in.txt", "C:\\S\\same", false) ||
      !drives_.MakeLink("C:\\S", "C:\\S\\loop", true))
    GTEST_SKIP() << "this system cannot make symbolic links";
  Confinement onlyC(*drives_.fileSystem, [] { return std::vector<std::string>{"C:\\S"}; });
  FileTree tree(*drives_.fileSystem, stop_, onlyC);
  EXPECT_EQ(tree.CollectFiles("C:\\S"),
            (std::vector<std::string>{"C:\\S\\in.txt", "C:\\S\\same"}));
}

TEST_F(FileTreeTest, CopyAndDeleteFolderTreesIncludingReadOnlyAndHiddenFiles) {
  drives_.MakeFile("C:\\A\\F\\r.txt", "ro");
  drives_.MakeFile("C:\\A\\F\\.hidden", "h");
  drives_.MakeFile("C:\\A\\F\\sub\\x", "x");
  drives_.MakeReadOnly("C:\\A\\F\\r.txt");
  ASSERT_TRUE(tree_.CopyFolderTree("C:\\A\\F", "C:\\B"));
  EXPECT_EQ(drives_.Read("C:\\B\\r.txt"), "ro");
  EXPECT_EQ(drives_.Read("C:\\B\\.hidden"), "h");
  EXPECT_EQ(drives_.Read("C:\\B\\sub\\x"), "x");

  EXPECT_TRUE(tree_.DeleteFolderTree("C:\\A\\F"));
  EXPECT_FALSE(drives_.Exists("C:\\A\\F"));
  EXPECT_FALSE(tree_.DeleteFolderTree("C:\\A\\missing"));
}

TEST_F(FileTreeTest, DeleteFolderTreeRemovesLinksButNotWhatTheyPointTo) {
  drives_.MakeFile("D:\\keep\\precious", "p");
  drives_.MakeFolder("C:\\G");
  if (!drives_.MakeLink("D:\\keep", "C:\\G\\l", true))
    GTEST_SKIP() << "this system cannot make symbolic links";
  EXPECT_TRUE(tree_.DeleteFolderTree("C:\\G"));
  EXPECT_FALSE(drives_.Exists("C:\\G"));
  EXPECT_EQ(drives_.Read("D:\\keep\\precious"), "p");
}

TEST_F(FileTreeTest, TheStopFlagEndsTreeWalksAtTheNextEntry) {
  drives_.MakeFile("C:\\A\\a", "1");
  drives_.MakeFile("C:\\A\\b", "2");
  stop_ = 1;
  EXPECT_FALSE(tree_.CopyFolderTree("C:\\A", "C:\\B"));
  EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("C:\\B")));
  EXPECT_FALSE(tree_.DeleteFolderTree("C:\\A"));
  EXPECT_TRUE(drives_.Exists("C:\\A\\a"));
}

}  // namespace
}  // namespace vantaro::files
