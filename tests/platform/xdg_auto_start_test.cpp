#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"
#include "support/server_process.h"

namespace vantaro::platform {
namespace {

TEST(XdgAutoStartTest, ExecQuotesWhatTheDesktopEntryRulesReserve) {
  struct Case {
    std::vector<std::string> commandLine;
    std::string exec;
  };
  const std::vector<Case> cases = {
      {{"/usr/bin/vantaro-server", "-ar"}, "/usr/bin/vantaro-server -ar"},
      {{"/opt/my apps/vantaro-server", "-ar"}, "\"/opt/my apps/vantaro-server\" -ar"},
      // Inside quotes " ` $ \ take a backslash, which the string escaping then doubles.
      {{"/opt/a$b\"c`d/v", "-ar"}, "\"/opt/a\\\\$b\\\\\"c\\\\`d/v\" -ar"},
      {{"/opt/a\\b/v"}, "\"/opt/a\\\\\\\\b/v\""},
      {{"/opt/100%/v"}, "/opt/100%%/v"},
      {{"/opt/50% off/v"}, "\"/opt/50%% off/v\""},
      {{"/opt/it's/v"}, "\"/opt/it's/v\""},
      {{"/opt/line\nbreak/v"}, "\"/opt/line\\nbreak/v\""},
      {{"/v", ""}, "/v \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine[0]);
    EXPECT_EQ(DesktopEntryExec(c.commandLine), c.exec);
  }
}

TEST(XdgAutoStartTest, EnableWritesTheEntryAndDisableRemovesIt) {
  testing::TempDir dir;
  const std::string path = dir.path() + "/config/autostart/TalvenServer_Win.desktop";
  auto autoStart = CreateXdgAutoStart(path);
  ASSERT_TRUE(autoStart->Enable({"/opt/my apps/vantaro-server", "-ar"}));
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "[Desktop Entry]\nType=Application\nName=Vantaro\n"
            "Exec=\"/opt/my apps/vantaro-server\" -ar\n");
  ASSERT_TRUE(autoStart->Enable({"/usr/bin/vantaro-server", "-ar"}));
  EXPECT_TRUE(autoStart->Disable());
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(autoStart->Disable()) << "an absent entry is already disabled";
  EXPECT_FALSE(autoStart->Enable({}));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace vantaro::platform
