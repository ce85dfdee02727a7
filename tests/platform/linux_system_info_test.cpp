#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {
namespace {

EnvLookup FakeEnv(std::map<std::string, std::string> values) {
  return [values](const std::string& name) {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  };
}

TEST(LinuxSystemInfoTest, UiLanguageTakesTheFirstSetVariable) {
  struct Case {
    std::map<std::string, std::string> env;
    std::string language;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{{"LANG", "zh_CN.UTF-8"}}, "zh_CN.UTF-8"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}}, "zh_TW.UTF-8"},
      {{{"LC_MESSAGES", "zh_TW"}, {"LC_ALL", "de_DE"}}, "de_DE"},
      {{{"LC_ALL", "de_DE"}, {"LANGUAGE", "zh_CN:en_US"}}, "zh_CN"},
      {{{"LANGUAGE", ":fr"}}, "fr"},
      {{{"LANGUAGE", ""}, {"LC_ALL", ""}, {"LANG", "C.UTF-8"}}, "C.UTF-8"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseUiLanguage(FakeEnv(c.env)), c.language);
}

TEST(LinuxSystemInfoTest, ExecutableFactsNameThisProgram) {
  auto info = CreateLinuxSystemInfo(FakeEnv({{"LANG", "zh_TW.Big5"}}));
  const std::string path = info->ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(info->ApplicationName(), path.substr(path.find_last_of('/') + 1));
  EXPECT_EQ(info->ApplicationName(), "platform_tests");
  EXPECT_FALSE(info->HostName().empty());
  EXPECT_EQ(info->UiLanguage(), "zh_TW.Big5");
}

}  // namespace
}  // namespace vantaro::platform
