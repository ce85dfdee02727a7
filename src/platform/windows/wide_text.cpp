#include "platform/windows/wide_text.h"

#include <windows.h>

#include "platform/utf8.h"

namespace vantaro::platform {

std::wstring WideFromUtf8(std::string_view utf8) {
  utf8 = utf8.substr(0, utf8.find('\0'));
  utf8 = utf8.substr(0, ValidUtf8PrefixLength(utf8));
  if (utf8.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  wide = wide.substr(0, wide.find(L'\0'));
  // Keep the longest prefix of whole code points: a lone surrogate ends the text.
  size_t valid = 0;
  while (valid < wide.size()) {
    wchar_t c = wide[valid];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (valid + 1 >= wide.size() || wide[valid + 1] < 0xDC00 || wide[valid + 1] > 0xDFFF) break;
      valid += 2;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      break;
    } else {
      ++valid;
    }
  }
  if (valid == 0) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(valid), nullptr, 0,
                                nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(valid), utf8.data(), n, nullptr,
                        nullptr);
  return utf8;
}

std::string SystemErrorText(const char* what, unsigned long code) {
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n ? Utf8FromWide(std::wstring_view(text, n)) : "error " + std::to_string(code);
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return std::string(what) + ": " + message;
}

}  // namespace vantaro::platform
