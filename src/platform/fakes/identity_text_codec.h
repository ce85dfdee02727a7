#pragma once
// A codec for a system whose narrow code page is UTF-8: texts are cut at their first zero and at
// their first invalid UTF-8 sequence, and otherwise pass unchanged. Thread-safe.

#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace vantaro::platform {

class IdentityTextCodec : public TextCodec {
 public:
  std::string Utf8ToAnsi(std::string_view utf8) override { return Cut(utf8); }
  std::string AnsiToUtf8(std::string_view ansi) override { return Cut(ansi); }
  bool IsValidUtf8(std::string_view bytes) override { return IsValidUtf8Text(bytes); }

 private:
  static std::string Cut(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return std::string(text.substr(0, ValidUtf8PrefixLength(text)));
  }
};

}  // namespace vantaro::platform
