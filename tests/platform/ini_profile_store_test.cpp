#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace vantaro::platform
