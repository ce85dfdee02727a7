// Host name, executable and interface language from the Windows API, and the clock.

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/utf8.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

std::string LocaleNameOfLanguage(uint16_t languageId) {
  // The three Chinese interfaces by their language identifiers, so that they are recognised even
  // where the system has no name for them; every other language by its locale name.
  switch (languageId) {
    case 0x0804:
      return "zh_CN";
    case 0x0404:
      return "zh_TW";
    case 0x0C04:
      return "zh_HK";
  }
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::LCIDToLocaleName(MAKELCID(languageId, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) <= 0)
    return {};
  std::string text = Utf8FromWide(name);
  for (char& c : text)
    if (c == '-') c = '_';
  return text;
}

namespace {

class WindowsSystemInfo : public SystemInfo {
 public:
  std::string HostName() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(name, &size)) return {};
    return Utf8FromWide(std::wstring_view(name, size));
  }

  std::string ExecutablePath() override {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return {};
      if (n < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), n));
      if (buffer.size() >= 32768) return {};
      buffer.resize(buffer.size() * 2);
    }
  }

  std::string ApplicationName() override {
    std::string path = ExecutablePath();
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
  }

  std::string UiLanguage() override { return LocaleNameOfLanguage(::GetUserDefaultUILanguage()); }
};

// Texts inside the program are UTF-8 on Windows, like the wire: the wide API takes any name,
// while the narrow code page cannot spell most of them. The codec therefore only validates.
class Utf8TextCodec : public TextCodec {
 public:
  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override { return Whole(utf8); }
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override { return Whole(ansi); }
  bool IsValidUtf8(std::string_view bytes) override { return IsValidUtf8Text(bytes); }

 private:
  static std::optional<std::string> Whole(std::string_view text) {
    if (text.find('\0') != std::string_view::npos || !IsValidUtf8Text(text)) return std::nullopt;
    return std::string(text);
  }
};

class SystemClock : public Clock {
 public:
  double UnixTimeSeconds() override {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
  }
  int64_t MonotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void SleepMs(int milliseconds) override {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

std::unique_ptr<SystemInfo> CreateWindowsSystemInfo() {
  return std::make_unique<WindowsSystemInfo>();
}
std::unique_ptr<TextCodec> CreateUtf8TextCodec() { return std::make_unique<Utf8TextCodec>(); }
std::unique_ptr<Clock> CreateWindowsClock() { return std::make_unique<SystemClock>(); }

}  // namespace vantaro::platform
