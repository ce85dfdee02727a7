#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {
namespace {

using namespace std::string_literals;

constexpr char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
constexpr char kChineseGbk[] = "\xD6\xD0\xCE\xC4";
constexpr char kSmileUtf8[] = "\xF0\x9F\x98\x80";  // U+1F600, absent from GBK

TEST(IconvTextCodecTest, ConvertsWholeOrNotAtAll) {
  struct Case {
    const char* codeSet;
    std::string utf8;
    std::optional<std::string> ansi;  // Utf8ToAnsi(utf8); absent: it does not convert
    bool reverse;                     // AnsiToUtf8(ansi) == utf8 as well
  };
  const std::vector<Case> cases = {
      {"UTF-8", "Music "s + kChineseUtf8, "Music "s + kChineseUtf8, true},
      {"UTF-8", "ok\xC0\x80tail", std::nullopt, false},  // overlong zero
      {"UTF-8", "C:\\S\\\xC0\xAE\xC0\xAE", std::nullopt, false},  // overlong ".."
      {"UTF-8", "C:\\S\xC0\xAF", std::nullopt, false},          // overlong "/"
      {"UTF-8", "C:\\S\xE0\x80\xAF", std::nullopt, false},     // overlong "/", three bytes
      {"UTF-8", "C:\\S\xFF", std::nullopt, false},
      {"UTF-8", "ab\0cd"s, std::nullopt, false},
      {"UTF-8", "ab\0"s, std::nullopt, false},
      {"UTF-8", "", "", true},
      {"ANSI_X3.4-1968", kChineseUtf8, kChineseUtf8, true},
      {"ANSI_X3.4-1968", "C:\\S\xFF", std::nullopt, false},
      {"GBK", "a"s + kChineseUtf8 + "b", "a"s + kChineseGbk + "b", true},
      {"GBK", "x"s + kSmileUtf8 + "y", std::nullopt, false},
      {"GBK", "x\xE4\xB8", std::nullopt, false},  // cut in the middle of a character
      {"GBK", "x\xC0\xAF", std::nullopt, false},
      {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9", true},
      {"ISO-8859-1", "a\xC3\xA9"s + kChineseUtf8 + "b", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.codeSet) + " " + c.utf8);
    auto codec = CreateIconvTextCodec(c.codeSet);
    EXPECT_EQ(codec->Utf8ToAnsi(c.utf8), c.ansi);
    if (c.reverse) {
      EXPECT_EQ(codec->AnsiToUtf8(*c.ansi), c.utf8);
    }
  }
  // A Latin-1 name on a UTF-8 system, as old disks hold them, has no UTF-8 form.
  EXPECT_EQ(CreateIconvTextCodec("UTF-8")->AnsiToUtf8("\xE9t\xE9.mp3"), std::nullopt);
  auto gbk = CreateIconvTextCodec("GBK");
  EXPECT_EQ(gbk->AnsiToUtf8("a\xD6\xD0\xFF\xFF"
                            "b"),
            std::nullopt);
  EXPECT_EQ(gbk->AnsiToUtf8("a\0\xD6\xD0"s), std::nullopt);
}

TEST(IconvTextCodecTest, Utf8ValidationIsStrict) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", true},
      {"plain", true},
      {kChineseUtf8, true},
      {kSmileUtf8, true},
      {"\xC2\x80", true},
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\x80", false},              // lone continuation byte
      {"\xC0\x80", false},          // overlong
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE4\xB8", false},          // truncated
      {"\xFF", false},
  };
  auto codec = CreateIconvTextCodec("UTF-8");
  for (auto& [bytes, valid] : cases) EXPECT_EQ(codec->IsValidUtf8(bytes), valid) << bytes;
}

}  // namespace
}  // namespace vantaro::platform
