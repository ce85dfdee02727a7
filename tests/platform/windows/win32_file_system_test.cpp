// What the Windows file system adds to the shared file tests: names that only the wide API can
// spell, names that could reach a stream or a device, names compared without case, the hidden and
// read-only attributes, and an open folder that is moved away under it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_system.h"
#include "support/temp_dir.h"

// After the interface: <windows.h> renames DeleteFile and CreateFile to their wide forms.
#include <windows.h>
#undef CreateFile
#undef DeleteFile

namespace vantaro::platform {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Native("Music\\Album"));
    fs_ = CreateWin32FileSystem({{'C', dir_.path()}});
    music_ = fs_->OpenFolderPath("C:\\Music");
    ASSERT_NE(music_, nullptr);
  }
  std::filesystem::path Native(const std::string& relative) const {
    return std::filesystem::path(WideFromUtf8(dir_.path() + "\\" + relative));
  }
  void Make(const std::string& relative, const std::string& content) const {
    std::ofstream(Native(relative), std::ios::binary) << content;
  }
  bool Write(Folder& folder, const std::string& name, const std::string& content) {
    auto writer = folder.CreateNewFile(name);
    return writer && writer->Write(content.data(), content.size()) && writer->Close();
  }

  testing::TempDir dir_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Folder> music_;
};

TEST_F(Win32FileSystemTest, NamesBeyondTheCodePageRoundTrip) {
  const std::string name = "\xe9\x9f\xb3\xe4\xb9\x90 \xc3\xab.txt";  // Chinese and Latin letters
  ASSERT_TRUE(Write(*music_, name, "abc"));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(music_->List(&entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "Album");
  EXPECT_EQ(entries[1].name, name);
  ASSERT_TRUE(entries[1].status.has_value());
  EXPECT_EQ(entries[1].status->size, 3u);
  auto reader = music_->OpenRead(name);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Size(), 3u);
  char buffer[8];
  EXPECT_EQ(reader->ReadAt(1, buffer, sizeof(buffer)), 2);
  EXPECT_TRUE(std::filesystem::exists(Native("Music\\" + name)));
}

TEST_F(Win32FileSystemTest, NamesThatAreNoPlainEntryNameNothing) {
  Make("Music\\a.txt", "a");
  const char* refused[] = {"a.txt:hidden", "*", "a?.txt", "a.txt\n", "..", ".", "Album\\x", "Album/x", ""};
  for (const char* name : refused) {
    EXPECT_EQ(music_->CreateNewFile(name), nullptr) << name;
    EXPECT_EQ(music_->OpenRead(name), nullptr) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(Native("Music\\a.txt:hidden")));
  const char* paths[] = {"D:\\Music", "Music", "C:Music", "C:\\Music:x", "C:\\Music\\..\\Music"};
  for (const char* path : paths) EXPECT_EQ(fs_->OpenFolderPath(path), nullptr) << path;
  EXPECT_NE(fs_->OpenFolderPath("C:/Music//"), nullptr) << "either separator, doubled or not";
}

TEST_F(Win32FileSystemTest, NamesCompareWithoutCase) {
  auto upper = fs_->OpenFolderPath("c:\\MUSIC");
  ASSERT_NE(upper, nullptr);
  EXPECT_NE(upper->OpenFolder("album"), nullptr);
  ASSERT_TRUE(Write(*music_, "Song.txt", "s"));
  EXPECT_EQ(music_->CreateNewFile("SONG.TXT"), nullptr) << "the same name";
}

TEST_F(Win32FileSystemTest, HiddenAndReadOnlyFilesAreReportedAndProtected) {
  Make("Music\\h.txt", "old");
  Make("Music\\r.txt", "r");
  ::SetFileAttributesW(Native("Music\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ::SetFileAttributesW(Native("Music\\r.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  auto hidden = music_->Status("h.txt");
  ASSERT_TRUE(hidden.has_value());
  EXPECT_TRUE(hidden->hidden);
  EXPECT_TRUE(music_->Status("r.txt")->readOnly);
  EXPECT_FALSE(music_->DeleteFile("r.txt"));
  EXPECT_TRUE(music_->SetNormalAttributes("r.txt"));
  EXPECT_FALSE(music_->Status("r.txt")->readOnly);
  EXPECT_TRUE(music_->DeleteFile("r.txt"));
  EXPECT_FALSE(std::filesystem::exists(Native("Music\\r.txt")));
  EXPECT_FALSE(music_->DeleteFile("Album")) << "not a file";
  EXPECT_FALSE(music_->MoveTo("h.txt", *music_, "Album")) << "never replaces";
  ASSERT_TRUE(music_->CopyFileTo("h.txt", *music_, "copy.txt"));
  EXPECT_EQ(music_->Status("copy.txt")->modifiedSeconds, hidden->modifiedSeconds);
  EXPECT_TRUE(music_->MoveTo("copy.txt", *music_->OpenFolder("Album"), "moved.txt"));
  EXPECT_TRUE(std::filesystem::exists(Native("Music\\Album\\moved.txt")));
  auto album = music_->OpenFolder("Album");
  ASSERT_TRUE(album->DeleteFile("moved.txt"));
  EXPECT_TRUE(music_->RemoveFolder("Album")) << "an empty folder, even while it is open";
}

// Wine names an open folder by the path it was opened with, even after it moved, so there it
// cannot tell; Windows can, and this is the case that must hold there.
bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST_F(Win32FileSystemTest, AFolderMovedAwayWhileOpenRefusesToWorkAtItsOldPath) {
  if (UnderWine()) GTEST_SKIP() << "Wine keeps the old name of a moved folder's handle";
  auto album = music_->OpenFolder("Album");
  ASSERT_NE(album, nullptr);
  ASSERT_TRUE(::MoveFileW(Native("Music\\Album").c_str(), Native("Music\\Elsewhere").c_str()));
  std::filesystem::create_directories(Native("Music\\Album"));  // someone else's folder now
  EXPECT_EQ(album->CreateNewFile("x.txt"), nullptr);
  std::vector<FolderEntry> entries;
  EXPECT_FALSE(album->List(&entries));
  EXPECT_FALSE(std::filesystem::exists(Native("Music\\Album\\x.txt")));
  EXPECT_FALSE(std::filesystem::exists(Native("Music\\Elsewhere\\x.txt")));
}

}  // namespace
}  // namespace vantaro::platform
