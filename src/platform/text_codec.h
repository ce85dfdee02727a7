#pragma once
// Conversion between UTF-8 (the wire) and the system's narrow code page (texts and paths inside
// the computer). Thread-safe.

#include <optional>
#include <string>
#include <string_view>

namespace vantaro::platform {

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  // The whole text converted, or nothing: absent when any byte sequence is invalid in the source
  // encoding (UTF-8 is checked strictly: overlong forms, surrogates and values past U+10FFFF are
  // invalid), when a character has no counterpart in the target encoding, or when the text holds a
  // zero byte. A converted text is never cut short, so a path never silently names its parent.
  virtual std::optional<std::string> Utf8ToAnsi(std::string_view utf8) = 0;
  virtual std::optional<std::string> AnsiToUtf8(std::string_view ansi) = 0;
  // True when `bytes` are valid UTF-8.
  virtual bool IsValidUtf8(std::string_view bytes) = 0;
};

}  // namespace vantaro::platform
