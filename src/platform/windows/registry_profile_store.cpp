// Settings in the registry as Windows programs keep them: one key per section below the current
// user's key of the program, each value a REG_SZ. Every call opens the key it needs and closes it
// again, so a value edited with regedit while the program runs is seen at the next read.

#include <windows.h>

#include <cstdio>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

class RegistryProfileStore : public ProfileStore {
 public:
  explicit RegistryProfileStore(std::wstring keyPath) : keyPath_(std::move(keyPath)) {}

  std::string GetString(const std::string& section, const std::string& key) override {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_QUERY_VALUE, &k) !=
        ERROR_SUCCESS)
      return {};
    std::wstring name = WideFromUtf8(key);
    std::wstring value;
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS rc = ::RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &bytes);
    // The value may grow between the two calls; a few rounds settle it.
    for (int attempt = 0; attempt < 4 && rc == ERROR_SUCCESS; ++attempt) {
      value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
      DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
      rc = ::RegQueryValueExW(k, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(value.data()), &size);
      if (rc == ERROR_MORE_DATA) {
        bytes = size;
        rc = ERROR_SUCCESS;
        continue;
      }
      value.resize(size / sizeof(wchar_t));
      break;
    }
    ::RegCloseKey(k);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return Utf8FromWide(value);  // stops at the terminator, if the value has one
  }

  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    HKEY k = nullptr;
    LSTATUS rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, nullptr, 0,
                                   KEY_SET_VALUE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return Note("open", section, rc);
    std::wstring text = WideFromUtf8(value);
    rc = ::RegSetValueExW(k, WideFromUtf8(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);
    if (rc != ERROR_SUCCESS) Note("write", section, rc);
  }

  void DeleteSection(const std::string& section) override {
    LSTATUS rc = ::RegDeleteTreeW(HKEY_CURRENT_USER, SectionPath(section).c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) Note("delete", section, rc);
  }

 private:
  std::wstring SectionPath(const std::string& section) const {
    return keyPath_ + L"\\" + WideFromUtf8(section);
  }
  void Note(const char* what, const std::string& section, LSTATUS rc) {
    std::fprintf(stderr, "settings: %s\n",
                 SystemErrorText((std::string("cannot ") + what + " section " + section).c_str(),
                                 static_cast<unsigned long>(rc))
                     .c_str());
  }

  std::wstring keyPath_;
};

}  // namespace

std::unique_ptr<ProfileStore> CreateRegistryProfileStore(std::wstring keyPath) {
  return std::make_unique<RegistryProfileStore>(std::move(keyPath));
}

}  // namespace vantaro::platform
