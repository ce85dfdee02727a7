#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"
#include "support/server_process.h"

namespace vantaro::platform {
namespace {

using testing::TempDir;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(IniProfileStoreTest, ValuesRoundTripVerbatim) {
  const std::vector<std::string> values = {"",
                                           "5868",
                                           "a=b",
                                           "=",
                                           "==x==",
                                           " spaced value ",
                                           "\tTab",
                                           "Z:\\home\\ann\\My Music",
                                           "\xE4\xB8\xAD\xE6\x96\x87",
                                           "[not a section]",
                                           "; not a comment",
                                           "#"};
  TempDir dir;
  const std::string path = dir.path() + "/store.ini";
  auto store = CreateIniProfileStore(path);
  for (size_t i = 0; i < values.size(); ++i)
    store->WriteString("TalvenServer_config", "k" + std::to_string(i), values[i]);
  auto reopened = CreateIniProfileStore(path);
  for (size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(values[i]);
    EXPECT_EQ(store->GetString("TalvenServer_config", "k" + std::to_string(i)), values[i]);
    EXPECT_EQ(reopened->GetString("TalvenServer_config", "k" + std::to_string(i)), values[i]);
  }
  EXPECT_EQ(reopened->GetString("TalvenServer_config", "absent"), "");
  EXPECT_EQ(reopened->GetString("absent section", "k0"), "");
  EXPECT_EQ(CreateIniProfileStore(dir.path() + "/none.ini")->GetString("s", "k"), "");
}

TEST(IniProfileStoreTest, LayoutKeepsKeyOrderAndDeletesWholeSections) {
  TempDir dir;
  const std::string path = dir.path() + "/store.ini";
  auto store = CreateIniProfileStore(path);
  store->WriteString("TalvenServer_config", "autologin", "TRUE");
  store->WriteString("TalvenServer_config", "port", "5868");
  store->WriteString("TalvenServer_file_config", "0", "Z:\\a");
  store->WriteString("TalvenServer_file_config", "path_count", "1");
  store->WriteString("TalvenServer_config", "autologin", "FALSE");
  store->WriteString("TalvenServer_config", "first_run", "FALSE");
  EXPECT_EQ(ReadFile(path),
            "[TalvenServer_config]\nautologin=FALSE\nport=5868\nfirst_run=FALSE\n"
            "[TalvenServer_file_config]\n0=Z:\\a\npath_count=1\n");

  store->DeleteSection("TalvenServer_file_config");
  EXPECT_EQ(store->GetString("TalvenServer_file_config", "0"), "");
  EXPECT_EQ(ReadFile(path), "[TalvenServer_config]\nautologin=FALSE\nport=5868\nfirst_run=FALSE\n");
  store->WriteString("TalvenServer_file_config", "path_count", "0");
  EXPECT_EQ(store->GetString("TalvenServer_file_config", "0"), "") << "old keys stay deleted";

  // Deleting what does not exist creates no file.
  auto empty = CreateIniProfileStore(dir.path() + "/empty.ini");
  empty->DeleteSection("TalvenServer_file_config");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/empty.ini"));
}

TEST(IniProfileStoreTest, FileAndFolderArePrivateWhateverTheUmask) {
  TempDir dir;
  const std::string folder = dir.path() + "/config/TalvenServer";
  const std::string path = folder + "/vantaro-server.ini";
  mode_t old = ::umask(0);
  auto store = CreateIniProfileStore(path);
  store->WriteString("TalvenServer_config", "securitycode", "1234");
  ::umask(old);
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(folder), 0700u);
  // An existing, more open file is replaced by a private one.
  ::chmod(path.c_str(), 0644);
  store->WriteString("TalvenServer_config", "securitycode", "5678");
  EXPECT_EQ(ModeOf(path), 0600u);
  std::vector<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"vantaro-server.ini"}) << "no temporary file is left";
}

TEST(IniProfileStoreTest, LaterWritesKeepWhatOthersWrote) {
  TempDir dir;
  const std::string path = dir.path() + "/store.ini";
  WriteFile(path,
            "; written by hand\r\n"
            "[TalvenServer_config]\r\n"
            "port = 6000\r\n"
            "\r\n"
            "[other]\r\n"
            "key=value with = sign\r\n");
  auto first = CreateIniProfileStore(path);
  auto second = CreateIniProfileStore(path);
  EXPECT_EQ(first->GetString("TalvenServer_config", "port"), " 6000");
  first->WriteString("TalvenServer_config", "first_run", "FALSE");
  // The second object sees the first one's change and the first sees the second's.
  EXPECT_EQ(second->GetString("TalvenServer_config", "first_run"), "FALSE");
  second->WriteString("other", "added", "1");
  EXPECT_EQ(first->GetString("other", "added"), "1");
  first->WriteString("TalvenServer_config", "autologin", "TRUE");
  EXPECT_EQ(ReadFile(path),
            "; written by hand\n"
            "[TalvenServer_config]\n"
            "port = 6000\n"
            "first_run=FALSE\n"
            "autologin=TRUE\n"
            "\n"
            "[other]\n"
            "key=value with = sign\n"
            "added=1\n");
}

TEST(IniProfileStoreTest, WritesThatWouldBreakTheFileAreRefused) {
  struct Case {
    const char* name;
    std::string section, key, value;
  };
  const std::vector<Case> cases = {
      {"line feed in value", "s", "k", "1\n[TalvenServer_config]"},
      {"carriage return in value", "s", "k", "1\r"},
      {"= in key", "s", "a=b", "1"},
      {"empty key", "s", "", "1"},
      {"key that reads as a section", "s", "[x]", "1"},
      {"bracket in section", "a]b", "k", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.path() + "/store.ini";
    auto store = CreateIniProfileStore(path);
    store->WriteString("s", "k", "old");
    const std::string before = ReadFile(path);
    store->WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(store->GetString("s", "k"), "old");
  }
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniProfileStoreTest, AByteOrderMarkIsSkipped) {
  TempDir dir;
  const std::string path = dir.path() + "/store.ini";
  WriteFile(path, "\xEF\xBB\xBF[TalvenServer_config]\r\nsecuritylogin=TRUE\r\nport=6000\r\n");
  auto store = CreateIniProfileStore(path);
  EXPECT_EQ(store->GetString("TalvenServer_config", "securitylogin"), "TRUE");
  EXPECT_EQ(store->GetString("TalvenServer_config", "port"), "6000");
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"store.ini"});
}

// What cannot be read as settings is kept aside untouched, and the store starts empty (a first
// run) instead of overwriting it.
TEST(IniProfileStoreTest, AFileThatIsNotSettingsIsMovedAsideNeverOverwritten) {
  struct Case {
    const char* name;
    std::string content;
  };
  const std::vector<Case> cases = {
      {"UTF-16 with its byte-order mark", std::string("\xFF\xFE[\0T\0]\0\r\0\n\0", 12)},
      {"binary", std::string("\x7F"
                             "ELF\0\0\x01",
                             7)},
      {"a line that is no value", "[TalvenServer_config]\nport=6000\nthis is not a setting\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.path() + "/vantaro-server.ini";
    WriteFile(path, c.content);
    auto store = CreateIniProfileStore(path);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(store->GetString("TalvenServer_config", "first_run"), "");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    store->WriteString("TalvenServer_config", "first_run", "FALSE");
    auto names = FolderNames(dir.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "vantaro-server.ini");
    EXPECT_EQ(names[1].rfind("vantaro-server.ini.bad-", 0), 0u) << names[1];
    EXPECT_NE(err.find(names[1]), std::string::npos) << err;
    EXPECT_EQ(ReadFile(dir.path() + "/" + names[1]), c.content);
    EXPECT_EQ(ReadFile(path), "[TalvenServer_config]\nfirst_run=FALSE\n");
  }
}

TEST(IniProfileStoreTest, StaleTemporariesOfItsOwnWritesAreRemovedAtStart) {
  TempDir dir;
  const std::string path = dir.path() + "/vantaro-server.ini";
  WriteFile(path, "[TalvenServer_config]\nport=6000\n");
  const std::vector<std::string> kept = {"other.ini.Ab12Cd", "vantaro-server.ini.Ab12C",
                                         "vantaro-server.ini.bad-20260101-101010",
                                         "vantaro-server.ini.Ab12Cd7"};
  for (const auto& name : kept) WriteFile(dir.path() + "/" + name, "x");
  WriteFile(dir.path() + "/vantaro-server.ini.Ab12Cd", "securitycode=1234\n");
  WriteFile(dir.path() + "/vantaro-server.ini.zzzzzz", "securitycode=1234\n");
  std::filesystem::create_directory(dir.path() + "/vantaro-server.ini.folder");
  auto store = CreateIniProfileStore(path);
  EXPECT_EQ(store->GetString("TalvenServer_config", "port"), "6000");
  std::vector<std::string> expected = kept;
  expected.push_back("vantaro-server.ini");
  expected.push_back("vantaro-server.ini.folder");  // not a file: not ours
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderNames(dir.path()), expected);
}

}  // namespace
}  // namespace vantaro::platform
