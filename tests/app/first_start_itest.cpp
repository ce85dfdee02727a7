// The real server on an empty profile: what its first start and a later one leave on disk.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/server_process.h"

namespace vantaro::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the server until its first status line, then ends it as the session would.
void RunOnce(ServerProcess& server) {
  size_t from = server.Lines().size();
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 2", 10000, from), 0) << server.Stderr();
  ASSERT_EQ(server.Stop(), 0) << server.Stderr();
}

TEST(FirstStartTest, WritesDefaultsAndAutostartAndKeepsThemLater) {
  ServerOptions options;
  options.writeSettings = false;
  ServerProcess server(options);
  fs::create_directories(server.home() + "/Music");
  std::ofstream(server.configHome() + "/user-dirs.dirs")
      << "XDG_VIDEOS_DIR=\"$HOME/Missing\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n";
  RunOnce(server);

  std::string music = "Z:" + server.home() + "/Music";
  std::replace(music.begin(), music.end(), '/', '\\');
  const std::string first = ReadFile(server.settingsFile());
  const std::regex layout(
      "\\[TalvenServer_config\\]\n"
      "autologin=TRUE\nsecuritylogin=TRUE\nsecuritycode=([a-zA-HJ-Z0-9]{6})\nport=5868\n"
      "device_id=([0-9]{10})\nfirst_run=FALSE\n"
      "\\[TalvenServer_file_config\\]\n0=(.*)\npath_count=1\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(first, match, layout)) << first;
  EXPECT_EQ(match[3].str(), music);
  EXPECT_EQ(server.Stderr().find(match[1].str()), std::string::npos) << "the code is never printed";
  EXPECT_NE(server.Stderr().find("securitycode"), std::string::npos) << server.Stderr();
  struct stat st {};
  ASSERT_EQ(::stat(server.settingsFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const std::string entry = server.configHome() + "/autostart/TalvenServer_Win.desktop";
  const std::string exe = fs::canonical(VANTARO_SERVER_PATH).string();
  EXPECT_EQ(ReadFile(entry),
            "[Desktop Entry]\nType=Application\nName=Vantaro\nExec=" + exe + " -ar\n");

  // A later start is no first run; an entry removed by hand returns at exit while autologin is on.
  fs::remove(entry);
  RunOnce(server);
  EXPECT_EQ(ReadFile(server.settingsFile()), first);
  EXPECT_TRUE(fs::exists(entry));
}

}  // namespace
}  // namespace vantaro::testing
