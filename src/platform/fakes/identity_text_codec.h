#pragma once
// A codec for a system whose narrow code page is UTF-8: valid UTF-8 without zero bytes passes
// unchanged, anything else does not convert. Thread-safe.

#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace vantaro::platform {

class IdentityTextCodec : public TextCodec {
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

}  // namespace vantaro::platform
