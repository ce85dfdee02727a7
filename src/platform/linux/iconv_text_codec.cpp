// UTF-8 <-> the locale's code set. A text converts whole or not at all: a path cut at its first bad
// byte would name its parent folder.

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>

#include <cstdio>

#include "platform/linux/posix_factories.h"
#include "platform/utf8.h"

namespace vantaro::platform {

namespace {

bool HasZero(std::string_view text) { return text.find('\0') != std::string_view::npos; }

bool IsUtf8Name(const std::string& codeSet) {
  std::string upper;
  for (char c : codeSet)
    if (c != '-' && c != '_') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return upper == "UTF8";
}

// The "C" locale reports plain ASCII, but file names and host names on such a system are UTF-8 in
// practice; treating them as ASCII would drop every accented or Chinese name.
bool IsAsciiName(const std::string& codeSet) {
  return codeSet == "ANSI_X3.4-1968" || codeSet == "ASCII" || codeSet == "US-ASCII";
}

class IconvTextCodec : public TextCodec {
 public:
  explicit IconvTextCodec(std::string codeSet) : codeSet_(std::move(codeSet)) {
    passThrough_ = codeSet_.empty() || IsUtf8Name(codeSet_) || IsAsciiName(codeSet_);
    if (!passThrough_) {
      // Probe once so that an unknown code set is reported, and then copied as UTF-8.
      iconv_t probe = ::iconv_open("UTF-8", codeSet_.c_str());
      if (probe == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "vantaro: no conversion for code set %s; texts pass unchanged\n",
                     codeSet_.c_str());
        passThrough_ = true;
      } else {
        ::iconv_close(probe);
      }
    }
  }

  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override {
    // iconv accepts some forms that strict UTF-8 refuses, so the input is checked first.
    if (HasZero(utf8) || !IsValidUtf8Text(utf8)) return std::nullopt;
    if (passThrough_) return std::string(utf8);
    return Convert(codeSet_.c_str(), "UTF-8", utf8);
  }

  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override {
    if (HasZero(ansi)) return std::nullopt;
    if (passThrough_) {
      if (!IsValidUtf8Text(ansi)) return std::nullopt;
      return std::string(ansi);
    }
    auto out = Convert("UTF-8", codeSet_.c_str(), ansi);
    if (out && !IsValidUtf8Text(*out)) return std::nullopt;
    return out;
  }

  bool IsValidUtf8(std::string_view bytes) override { return IsValidUtf8Text(bytes); }

 private:
  // A descriptor per call: iconv state is not shareable between threads, and texts are short.
  static std::optional<std::string> Convert(const char* to, const char* from,
                                            std::string_view input) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string output;
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof(buffer);
      size_t rc = ::iconv(cd, &in, &inLeft, &out, &outLeft);
      output.append(buffer, sizeof(buffer) - outLeft);
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) {  // EILSEQ or EINVAL
        ::iconv_close(cd);
        return std::nullopt;
      }
    }
    // Stateful code sets need their closing shift sequence.
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    ::iconv(cd, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, sizeof(buffer) - outLeft);
    ::iconv_close(cd);
    if (HasZero(output)) return std::nullopt;
    return output;
  }

  const std::string codeSet_;
  bool passThrough_ = true;
};

}  // namespace

std::unique_ptr<TextCodec> CreateIconvTextCodec(std::string codeSet) {
  if (codeSet.empty()) {
    const char* current = ::nl_langinfo(CODESET);
    codeSet = current ? current : "";
  }
  return std::make_unique<IconvTextCodec>(std::move(codeSet));
}

}  // namespace vantaro::platform
