#pragma once
// UTF-8 inside the program, UTF-16 at the Windows API: every call here goes through the wide
// functions, so that any file name or text works whatever the user's narrow code page is.

#include <string>
#include <string_view>

namespace vantaro::platform {

// Invalid UTF-8 is cut at the first invalid sequence; the result never holds a zero character.
std::wstring WideFromUtf8(std::string_view utf8);
// Unpaired surrogates are cut like invalid UTF-8.
std::string Utf8FromWide(std::wstring_view wide);
// "what: <the system's message for `code`>" on one line.
std::string SystemErrorText(const char* what, unsigned long code);

}  // namespace vantaro::platform
