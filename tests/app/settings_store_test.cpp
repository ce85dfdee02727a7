#include "app/settings_store.h"
#include "app/security_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/shared_folders.h"
#include "platform/fakes/fake_clock.h"
#include "platform/fakes/fake_system_info.h"
#include "platform/fakes/fake_user_folders.h"
#include "platform/fakes/memory_profile_store.h"
#include "platform/fakes/recording_auto_start.h"

namespace vantaro::app {
namespace {

using platform::MemoryProfileStore;

constexpr char kMusic[] = "Z:\\home\\ann\\Music";
constexpr char kVideos[] = "Z:\\home\\ann\\Videos";

struct Fixture {
  MemoryProfileStore store;
  platform::RecordingAutoStart autoStart;
  platform::FakeClock clock{1765432100.75};
  platform::FakeSystemInfo systemInfo;
  platform::FakeUserFolders userFolders{{kVideos, kMusic}};
  SettingsStore settings{store, autoStart, clock, systemInfo, userFolders};
};

// A profile that has seen its first run; rows add or override values.
MemoryProfileStore::Values Profile(MemoryProfileStore::Values extra) {
  MemoryProfileStore::Values values{{"first_run", "FALSE"},    {"autologin", "TRUE"},
                                    {"securitylogin", "TRUE"}, {"securitycode", "1234"},
                                    {"port", "6000"},          {"device_id", "1765000000"}};
  for (auto& [key, value] : extra) {
    bool replaced = false;
    for (auto& kv : values)
      if (kv.first == key) kv.second = value, replaced = true;
    if (!replaced) values.emplace_back(key, value);
  }
  return values;
}

struct LoadCase {
  const char* name;
  MemoryProfileStore::Values stored;
  int32_t autoLogin, securityLogin;
  std::string securityCode, portText;
  int32_t port, deviceId;
};

TEST(SettingsStoreTest, LoadReadsEachValueByItsRule) {
  const std::vector<LoadCase> cases = {
      {"all valid", Profile({}), 1, 1, "1234", "6000", 6000, 1765000000},
      {"booleans are case-sensitive", Profile({{"autologin", "true"}, {"securitylogin", "True"}}),
       0, 0, "", "6000", 6000, 1765000000},
      {"boolean with trailing space", Profile({{"autologin", "TRUE "}}), 0, 1, "1234", "6000", 6000,
       1765000000},
      {"code not read without security login",
       Profile({{"securitylogin", "FALSE"}, {"securitycode", "9999"}}), 1, 0, "", "6000", 6000,
       1765000000},
      {"code with = and spaces", Profile({{"securitycode", " a=b c "}}), 1, 1, " a=b c ", "6000",
       6000, 1765000000},
      {"port wrong", Profile({{"port", "wrong"}}), 1, 1, "1234", "5868", 5868, 1765000000},
      {"port Wrong is a text", Profile({{"port", "Wrong"}}), 1, 1, "1234", "Wrong", 5868,
       1765000000},
      {"port empty", Profile({{"port", ""}}), 1, 1, "1234", "5868", 5868, 1765000000},
      // A port whose listeners (port to port + 2) do not fit 1 to 65535 runs as 5868; the text
      // stays.
      {"port above the range", Profile({{"port", "70000"}}), 1, 1, "1234", "70000", 5868,
       1765000000},
      {"port 0", Profile({{"port", "0"}}), 1, 1, "1234", "0", 5868, 1765000000},
      {"port 65533 fits", Profile({{"port", "65533"}}), 1, 1, "1234", "65533", 65533, 1765000000},
      {"port 65534 would wrap", Profile({{"port", "65534"}}), 1, 1, "1234", "65534", 5868,
       1765000000},
      {"port leading digits", Profile({{"port", "12ab"}}), 1, 1, "1234", "12ab", 12, 1765000000},
      {"port without digits", Profile({{"port", "abc"}}), 1, 1, "1234", "abc", 5868, 1765000000},
      {"port with sign", Profile({{"port", "-5"}}), 1, 1, "1234", "-5", 5868, 1765000000},
      {"port with leading space", Profile({{"port", " 80"}}), 1, 1, "1234", " 80", 5868,
       1765000000},
      {"port saturates", Profile({{"port", "99999999999"}}), 1, 1, "1234", "99999999999", 5868,
       1765000000},
      {"device id absent", {{"first_run", "FALSE"}, {"port", "6000"}}, 0, 0, "", "6000", 6000, 0},
      {"device id leading digits", Profile({{"device_id", "42x7"}}), 1, 1, "1234", "6000", 6000,
       42},
      {"device id past 2038 saturates", Profile({{"device_id", "2200000000"}}), 1, 1, "1234",
       "6000", 6000, INT_MAX},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.store.Preset(kConfigSection, c.stored);
    Settings s;
    f.settings.LoadSettings(s);
    EXPECT_EQ(s.autoLogin, c.autoLogin);
    EXPECT_EQ(s.securityLogin, c.securityLogin);
    EXPECT_EQ(s.securityCode, c.securityCode);
    EXPECT_EQ(s.portText, c.portText);
    EXPECT_EQ(s.port, c.port);
    EXPECT_EQ(s.deviceId, c.deviceId);
    EXPECT_TRUE(f.store.Operations().empty()) << "no first run, so nothing is written";
    EXPECT_TRUE(f.autoStart.calls().empty());
  }
}

TEST(SettingsStoreTest, AnUnusablePortIsNamedOnStandardErrorAndSavedAsTyped) {
  Fixture f;
  f.store.Preset(kConfigSection, Profile({{"port", "65535"}}));
  Settings s;
  ::testing::internal::CaptureStderr();
  f.settings.LoadSettings(s);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(s.port, 5868);
  EXPECT_NE(err.find("\"65535\""), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  f.settings.SaveSettings(s);
  EXPECT_EQ(f.store.GetString(kConfigSection, "port"), "65535");
}

TEST(SettingsStoreTest, FirstRunWritesSafeDefaultsInOrderThenLoadsThem) {
  struct Case {
    const char* name;
    MemoryProfileStore::Values stored;
    int32_t securityLoginInMemory;
  };
  const std::vector<Case> cases = {
      {"empty store", {}, 0},
      {"first_run in lower case", Profile({{"first_run", "false"}, {"port", "7000"}}), 0},
      {"first_run absent, an old code stored", {{"securitycode", "77"}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.store.Preset(kConfigSection, c.stored);
    Settings s;
    s.securityLogin = c.securityLoginInMemory;
    f.settings.LoadSettings(s);

    // Security login is on with a fresh random code, whatever was in memory or stored.
    const std::string codePrefix = "set TalvenServer_config securitycode=";
    std::vector<std::string> ops = f.store.Operations();
    ASSERT_EQ(ops.size(), 9u);
    ASSERT_EQ(ops[2].rfind(codePrefix, 0), 0u) << ops[2];
    const std::string code = ops[2].substr(codePrefix.size());
    EXPECT_EQ(code.size(), 6u);
    EXPECT_TRUE(IsValidSecurityCode(code)) << code;
    EXPECT_EQ(ops, (std::vector<std::string>{
                       "set TalvenServer_config autologin=TRUE",
                       "set TalvenServer_config securitylogin=TRUE",
                       codePrefix + code,
                       "set TalvenServer_config port=5868",
                       "set TalvenServer_config device_id=1765432100",
                       "set TalvenServer_config first_run=FALSE",
                       std::string("set TalvenServer_file_config 0=") + kVideos,
                       std::string("set TalvenServer_file_config 1=") + kMusic,
                       "set TalvenServer_file_config path_count=2",
                   }));
    ASSERT_EQ(f.autoStart.calls().size(), 1u);
    EXPECT_TRUE(f.autoStart.calls()[0].enable);
    EXPECT_EQ(f.autoStart.calls()[0].commandLine,
              (std::vector<std::string>{"/opt/vantaro/bin/vantaro-server", "-ar"}));

    EXPECT_EQ(s.autoLogin, 1);
    EXPECT_EQ(s.securityLogin, 1);
    EXPECT_EQ(s.securityCode, code);
    EXPECT_EQ(s.port, 5868);
    EXPECT_EQ(s.portText, "5868");
    EXPECT_EQ(s.deviceId, 1765432100);
    EXPECT_EQ(s.sharedFolders, (std::vector<std::string>{kVideos, kMusic}));
  }
}

TEST(SettingsStoreTest, GeneratedCodesComeFromTheWholeAlphabet) {
  // A source that walks through every value shows each distinct character reachable, g once.
  uint32_t next = 0;
  std::string seen;
  for (int i = 0; i < 11; ++i) seen += GenerateSecurityCode([&next](uint32_t n) { return next++ % n; });
  EXPECT_EQ(seen.substr(0, 62), "abcdefghijklmnopqrstuvwxyzABCDEFGHJKLMNOPQRSTUVWXYZ0123456789a");
  std::string a = GenerateSecurityCode(), b = GenerateSecurityCode();
  EXPECT_TRUE(IsValidSecurityCode(a));
  EXPECT_NE(a, b) << "two random codes in a row";
}

TEST(SettingsStoreTest, FirstRunWithoutDefaultFoldersStoresACountOfZero) {
  Fixture f;
  f.userFolders.folders.clear();
  Settings s;
  f.settings.LoadSettings(s);
  EXPECT_EQ(f.store.Section(kFileConfigSection), (MemoryProfileStore::Values{{"path_count", "0"}}));
  EXPECT_TRUE(s.sharedFolders.empty());
}

TEST(SettingsStoreTest, SaveWritesEveryFieldInOrder) {
  struct Case {
    const char* name;
    Settings settings;
    std::vector<std::string> expected;
  };
  Settings withCode;
  withCode.autoLogin = 1;
  withCode.securityLogin = 1;
  withCode.securityCode = "4321";
  withCode.portText = "12ab";
  withCode.port = 12;
  withCode.deviceId = 1765000000;
  Settings codeNotRequired = withCode;
  codeNotRequired.autoLogin = 0;
  codeNotRequired.securityLogin = 0;
  codeNotRequired.deviceId = 0;
  const std::vector<Case> cases = {
      {"code required",
       withCode,
       {"set TalvenServer_config autologin=TRUE", "set TalvenServer_config securitylogin=TRUE",
        "set TalvenServer_config securitycode=4321", "set TalvenServer_config port=12ab",
        "set TalvenServer_config device_id=1765000000", "set TalvenServer_config first_run=FALSE"}},
      {"code kept in memory but not required",
       codeNotRequired,
       {"set TalvenServer_config autologin=FALSE", "set TalvenServer_config securitylogin=FALSE",
        "set TalvenServer_config securitycode=", "set TalvenServer_config port=12ab",
        "set TalvenServer_config device_id=0", "set TalvenServer_config first_run=FALSE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.store.Preset(kConfigSection, Profile({}));
    f.settings.SaveSettings(c.settings);
    EXPECT_EQ(f.store.Operations(), c.expected);
    EXPECT_TRUE(f.autoStart.calls().empty());
  }
}

TEST(SettingsStoreTest, SavedSettingsLoadBackUnchanged) {
  Fixture f;
  Settings first;
  f.settings.LoadSettings(first);  // first run
  first.securityLogin = 1;
  first.securityCode = "p=1 2";
  first.portText = "5900";
  f.settings.SaveSettings(first);

  Settings again;
  f.store.ClearOperations();
  f.settings.LoadSettings(again);
  EXPECT_TRUE(f.store.Operations().empty());
  EXPECT_EQ(again.autoLogin, first.autoLogin);
  EXPECT_EQ(again.securityLogin, 1);
  EXPECT_EQ(again.securityCode, "p=1 2");
  EXPECT_EQ(again.portText, "5900");
  EXPECT_EQ(again.port, 5900);
  EXPECT_EQ(again.deviceId, first.deviceId);
  EXPECT_EQ(again.sharedFolders, first.sharedFolders);
}

TEST(SettingsStoreTest, MaxFpsReadsAPlainNumberUpToAThousandAndIsWrittenBackVerbatim) {
  struct Case {
    const char* stored;  // nullptr: absent
    int32_t maxFps;
  };
  const Case cases[] = {
      {nullptr, 60},
      {"", 60},
      {"30", 30},
      {"0", 0},
      {"1", 1},
      {"1000", 1000},
      {"1001", 60},
      {"0060", 60},
      {"fast", 60},
      {"-5", 60},
      {"+30", 60},
      {" 30", 60},
      {"30 ", 60},
      {"12ab", 60},
      {"3.5", 60},
      {"99999", 60},
      {"99999999999", 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "absent");
    Fixture f;
    MemoryProfileStore::Values extra;
    if (c.stored) extra.emplace_back("max_fps", c.stored);
    f.store.Preset(kConfigSection, Profile(extra));
    Settings s;
    f.settings.LoadSettings(s);
    EXPECT_EQ(s.maxFps, c.maxFps);
    f.store.ClearOperations();
    f.settings.SaveSettings(s);
    std::vector<std::string> ops = f.store.Operations();
    bool written = !ops.empty() && ops.back().rfind("set TalvenServer_config max_fps=", 0) == 0;
    if (c.stored && *c.stored)
      EXPECT_EQ(ops.back(), std::string("set TalvenServer_config max_fps=") + c.stored);
    else
      EXPECT_FALSE(written) << "a value the user never wrote is not invented";
  }
}

TEST(SettingsStoreTest, AutoStartRunsTheExecutableHidden) {
  Fixture f;
  f.systemInfo.executablePath = "/opt/my apps/vantaro-server";
  EXPECT_TRUE(f.settings.SetAutoStart(true));
  EXPECT_TRUE(f.settings.SetAutoStart(false));
  f.autoStart.SetSucceed(false);
  EXPECT_FALSE(f.settings.SetAutoStart(true));
  auto calls = f.autoStart.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_TRUE(calls[0].enable);
  EXPECT_EQ(calls[0].commandLine, (std::vector<std::string>{"/opt/my apps/vantaro-server", "-ar"}));
  EXPECT_FALSE(calls[1].enable);
}

TEST(SettingsStoreTest, AutoStartWithUnknownExecutableLeavesTheEntryAlone) {
  Fixture f;
  f.systemInfo.executablePath.clear();
  EXPECT_FALSE(f.settings.SetAutoStart(true));
  EXPECT_TRUE(f.autoStart.calls().empty());
}

}  // namespace
}  // namespace vantaro::app
