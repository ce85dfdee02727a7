// The registry-backed settings, the Run entry, the command-line quoting, the language names and
// the single-instance rule, on keys and names of the test's own.

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {
namespace {

std::wstring TestKey() {
  std::random_device rd;
  return L"Software\\VantaroTest\\" + std::to_wstring(rd());
}

std::wstring ReadValue(const std::wstring& key, const std::wstring& name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof(buffer);
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
    return L"<absent>";
  return buffer;
}

class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  const std::wstring key_ = TestKey();
};

TEST_F(RegistryTest, SettingsAreStringValuesInOneKeyPerSection) {
  auto store = CreateRegistryProfileStore(key_);
  EXPECT_EQ(store->GetString("TalvenServer_config", "port"), "");
  store->WriteString("TalvenServer_config", "port", "5868");
  // Text that no narrow code page holds entirely, and a value with "=" and spaces.
  store->WriteString("TalvenServer_file_config", "0", "C:\\Users\\Zo\xc3\xab\\\xe9\x9f\xb3\xe4\xb9\x90");
  store->WriteString("TalvenServer_config", "securitycode", "a = b ");
  EXPECT_EQ(store->GetString("TalvenServer_config", "port"), "5868");
  EXPECT_EQ(store->GetString("TalvenServer_file_config", "0"), "C:\\Users\\Zo\xc3\xab\\\xe9\x9f\xb3\xe4\xb9\x90");
  EXPECT_EQ(store->GetString("TalvenServer_config", "securitycode"), "a = b ");
  EXPECT_EQ(ReadValue(key_ + L"\\TalvenServer_config", L"port"), L"5868");
  EXPECT_EQ(ReadValue(key_ + L"\\TalvenServer_file_config", L"0"), L"C:\\Users\\Zo\u00eb\\\u97f3\u4e50");

  store->DeleteSection("TalvenServer_file_config");
  EXPECT_EQ(store->GetString("TalvenServer_file_config", "0"), "");
  EXPECT_EQ(store->GetString("TalvenServer_config", "port"), "5868");
  store->DeleteSection("never_written");  // no error
}

TEST_F(RegistryTest, TheRunEntryIsWrittenQuotedAndRemoved) {
  auto autoStart = CreateRunKeyAutoStart(key_, L"TalvenServer_Win");
  EXPECT_TRUE(autoStart->Disable()) << "removing an absent entry succeeds";
  ASSERT_TRUE(autoStart->Enable({"C:\\Program Files\\Vantaro\\vantaro-server.exe", "-ar"}));
  EXPECT_EQ(ReadValue(key_, L"TalvenServer_Win"),
            L"\"C:\\Program Files\\Vantaro\\vantaro-server.exe\" -ar");
  EXPECT_TRUE(autoStart->Disable());
  EXPECT_EQ(ReadValue(key_, L"TalvenServer_Win"), L"<absent>");
}

TEST(WindowsCommandLineTest, QuotesAsCommandLineToArgvSplits) {
  struct Case {
    std::vector<std::string> arguments;
    const char* line;
  } cases[] = {
      {{"C:\\a\\b.exe", "-ar"}, "\"C:\\a\\b.exe\" -ar"},
      {{"C:\\x y\\b.exe", "two words", ""}, "\"C:\\x y\\b.exe\" \"two words\" \"\""},
      {{"C:\\b.exe", "say \"hi\""}, "\"C:\\b.exe\" \"say \\\"hi\\\"\""},
      // Backslashes are literal except before a quote, including the closing one.
      {{"C:\\b.exe", "a b\\", "c\\\\d"}, "\"C:\\b.exe\" \"a b\\\\\" c\\\\d"},
  };
  for (const Case& c : cases) {
    std::string line = WindowsCommandLine(c.arguments);
    EXPECT_EQ(line, c.line);
    int count = 0;
    wchar_t** split = ::CommandLineToArgvW(WideFromUtf8(line).c_str(), &count);
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(count, static_cast<int>(c.arguments.size())) << line;
    for (int i = 0; i < count; ++i) EXPECT_EQ(Utf8FromWide(split[i]), c.arguments[i]) << line;
    ::LocalFree(split);
  }
}

TEST(LocaleNameTest, TheChineseInterfacesByTheirLanguageIds) {
  EXPECT_EQ(LocaleNameOfLanguage(0x0804), "zh_CN");
  EXPECT_EQ(LocaleNameOfLanguage(0x0404), "zh_TW");
  EXPECT_EQ(LocaleNameOfLanguage(0x0C04), "zh_HK");
  EXPECT_EQ(LocaleNameOfLanguage(0x0409), "en_US");
  EXPECT_EQ(LocaleNameOfLanguage(0x0407), "de_DE");
}

TEST(NamedMutexSingleInstanceTest, ASecondCopyIsRefusedAndAsksTheFirstToShowItself) {
  std::random_device rd;
  const std::string scope = "test-" + std::to_string(rd());
  auto first = CreateNamedMutexSingleInstance(scope);
  std::atomic<int> shown{0};
  first->SetShowRequestHandler([&] { ++shown; });
  ASSERT_TRUE(first->Acquire("TalvenServer"));
  EXPECT_TRUE(CreateNamedMutexSingleInstance("other-" + scope)->Acquire("TalvenServer"));
  EXPECT_FALSE(CreateNamedMutexSingleInstance(scope)->Acquire("TalvenServer"));
  for (int i = 0; i < 2000 && shown.load() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(shown.load(), 1);
  first.reset();
  EXPECT_TRUE(CreateNamedMutexSingleInstance(scope)->Acquire("TalvenServer"))
      << "the claim ends with the first copy";
}

}  // namespace
}  // namespace vantaro::platform
