#pragma once
// A text codec whose narrow code page is UTF-8, as on the Linux systems the server runs on: the
// conversions only cut the text at its first zero byte.

#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace vantaro::testing {

class Utf8TextCodec : public platform::TextCodec {
 public:
  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override { return Cut(utf8); }
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override { return Cut(ansi); }
  bool IsValidUtf8(std::string_view) override { return true; }

 private:
  static std::string Cut(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
  }
};

}  // namespace vantaro::testing
