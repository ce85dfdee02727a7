// Autostart through a value in the current user's Run key. The current user's, not the machine's:
// writing the machine's key needs administrator rights, and the entry must start the program
// without them, since Windows never starts a program that asks to be elevated from a Run key.

#include <windows.h>

#include <cstdio>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

std::string WindowsCommandLine(const std::vector<std::string>& commandLine) {
  // The rules of CommandLineToArgvW and of the C runtime: inside quotes, backslashes are literal
  // except before a quote, where each is doubled and the quote takes one more. The program's
  // path is always quoted: unquoted, "C:\Program Files\x.exe" would first try C:\Program.exe.
  std::string line;
  for (size_t i = 0; i < commandLine.size(); ++i) {
    const std::string& argument = commandLine[i];
    bool quote = i == 0 || argument.empty() || argument.find_first_of(" \t\"") != std::string::npos;
    if (!line.empty()) line += ' ';
    if (!quote) {
      line += argument;
      continue;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : argument) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

namespace {

class RunKeyAutoStart : public AutoStart {
 public:
  RunKeyAutoStart(std::wstring keyPath, std::wstring valueName)
      : keyPath_(std::move(keyPath)), valueName_(std::move(valueName)) {}

  bool Enable(const std::vector<std::string>& commandLine) override {
    HKEY k = nullptr;
    LSTATUS rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0,
                                   KEY_SET_VALUE, nullptr, &k, nullptr);
    if (rc == ERROR_SUCCESS) {
      std::wstring line = WideFromUtf8(WindowsCommandLine(commandLine));
      rc = ::RegSetValueExW(k, valueName_.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(line.c_str()),
                            static_cast<DWORD>((line.size() + 1) * sizeof(wchar_t)));
      ::RegCloseKey(k);
    }
    return Result("write", rc);
  }

  bool Disable() override {
    HKEY k = nullptr;
    LSTATUS rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, &k);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc == ERROR_SUCCESS) {
      rc = ::RegDeleteValueW(k, valueName_.c_str());
      ::RegCloseKey(k);
      if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
    }
    return Result("remove", rc);
  }

 private:
  static bool Result(const char* what, LSTATUS rc) {
    if (rc == ERROR_SUCCESS) return true;
    std::fprintf(stderr, "autostart: %s\n",
                 SystemErrorText((std::string("cannot ") + what + " the Run entry").c_str(),
                                 static_cast<unsigned long>(rc))
                     .c_str());
    return false;
  }

  std::wstring keyPath_;
  std::wstring valueName_;
};

}  // namespace

std::unique_ptr<AutoStart> CreateRunKeyAutoStart(std::wstring keyPath, std::wstring valueName) {
  return std::make_unique<RunKeyAutoStart>(std::move(keyPath), std::move(valueName));
}

}  // namespace vantaro::platform
