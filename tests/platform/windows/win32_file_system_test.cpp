// What the Windows file system adds to the shared file tests: names that only the wide API can
// spell, paths that could reach a stream or a device, names compared without case, and the
// hidden and read-only attributes.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_system.h"
#include "support/temp_dir.h"

namespace vantaro::platform {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Native("Music\\Album"));
    fs_ = CreateWin32FileSystem({{'C', dir_.path()}});
  }
  std::wstring Native(const std::string& relative) const {
    return WideFromUtf8(dir_.path() + "\\" + relative);
  }
  void Make(const std::string& relative, const std::string& content) const {
    std::ofstream(std::filesystem::path(Native(relative)), std::ios::binary) << content;
  }

  testing::TempDir dir_;
  std::unique_ptr<FileSystem> fs_;
};

TEST_F(Win32FileSystemTest, NamesBeyondTheCodePageRoundTrip) {
  const std::string name = "\xe9\x9f\xb3\xe4\xb9\x90 \xc3\xab.txt";  // Chinese and Latin letters
  auto writer = fs_->CreateFile("C:\\Music\\" + name);
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(writer->Write("abc", 3));
  ASSERT_TRUE(writer->Close());
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(fs_->ListFolder("C:\\Music", &entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "Album");
  EXPECT_EQ(entries[1].name, name);
  ASSERT_TRUE(entries[1].status.has_value());
  EXPECT_EQ(entries[1].status->size, 3u);
  char buffer[8];
  auto reader = fs_->OpenRead("C:\\Music\\" + name);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->ReadAt(1, buffer, sizeof(buffer)), 2);
}

TEST_F(Win32FileSystemTest, PathsThatNameNoPlainFileOrFolderNameNothing) {
  Make("Music\\a.txt", "a");
  const char* refused[] = {
      "C:\\Music\\a.txt:hidden",  // an alternate data stream
      "C:\\Music\\*",             // a wildcard
      "C:\\Music\\a?.txt",
      "C:\\Music\\a.txt\n",
      "D:\\Music",                // a drive that is not mapped
      "Music\\a.txt",             // no drive
      "C:Music",
  };
  for (const char* path : refused) {
    EXPECT_FALSE(fs_->Status(path).has_value()) << path;
    EXPECT_EQ(fs_->CreateFile(path), nullptr) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(Native("Music\\a.txt:hidden"))));
  EXPECT_TRUE(fs_->Status("C:/Music//a.txt").has_value()) << "either separator, doubled or not";
}

TEST_F(Win32FileSystemTest, ConfinementComparesWithoutCase) {
  EXPECT_TRUE(fs_->ResolvesWithin("C:\\MUSIC\\album", "C:\\Music"));
  EXPECT_TRUE(fs_->ResolvesWithin("c:\\music\\New\\x.txt", "C:\\Music"));
  EXPECT_TRUE(fs_->ResolvesWithin("C:\\Music", "C:\\"));
  EXPECT_FALSE(fs_->ResolvesWithin("C:\\Musical", "C:\\Music"));
  EXPECT_FALSE(fs_->ResolvesWithin("C:\\", "C:\\Music"));
}

TEST_F(Win32FileSystemTest, HiddenAndReadOnlyFilesAreReportedAndProtected) {
  Make("Music\\h.txt", "old content");
  Make("Music\\r.txt", "r");
  ::SetFileAttributesW(Native("Music\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ::SetFileAttributesW(Native("Music\\r.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  auto hidden = fs_->Status("C:\\Music\\h.txt");
  ASSERT_TRUE(hidden.has_value());
  EXPECT_TRUE(hidden->hidden);
  // A hidden file is replaced like any other, and keeps being hidden.
  auto writer = fs_->CreateFile("C:\\Music\\h.txt");
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(writer->Write("new", 3));
  ASSERT_TRUE(writer->Close());
  EXPECT_EQ(fs_->Status("C:\\Music\\h.txt")->size, 3u);

  EXPECT_TRUE(fs_->Status("C:\\Music\\r.txt")->readOnly);
  EXPECT_FALSE(fs_->DeleteFile("C:\\Music\\r.txt"));
  EXPECT_EQ(fs_->CreateFile("C:\\Music\\r.txt"), nullptr);
  EXPECT_TRUE(fs_->SetNormalAttributes("C:\\Music\\r.txt"));
  EXPECT_TRUE(fs_->DeleteFile("C:\\Music\\r.txt"));
  EXPECT_FALSE(fs_->DeleteFile("C:\\Music\\Album")) << "not a folder";
  EXPECT_TRUE(fs_->RemoveFolder("C:\\Music\\Album"));
}

}  // namespace
}  // namespace vantaro::platform
