#pragma once
// Conversion between UTF-8 (the wire) and the system's narrow code page (texts and paths inside
// the computer). Thread-safe.

#include <string>
#include <string_view>

namespace vantaro::platform {

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  // Bytes that cannot be converted are dropped up to the first invalid sequence; the result never
  // holds a zero byte (the input is cut at its first zero, as a zero-terminated text would be).
  virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;
  virtual std::string AnsiToUtf8(std::string_view ansi) = 0;
  // True when `bytes` are valid UTF-8.
  virtual bool IsValidUtf8(std::string_view bytes) = 0;
};

}  // namespace vantaro::platform
