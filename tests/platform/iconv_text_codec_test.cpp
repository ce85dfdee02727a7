#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {
namespace {

using namespace std::string_literals;

constexpr char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
constexpr char kChineseGbk[] = "\xD6\xD0\xCE\xC4";
constexpr char kSmileUtf8[] = "\xF0\x9F\x98\x80";  // U+1F600, absent from GBK

TEST(IconvTextCodecTest, ConvertsBothWaysAndStopsAtTheFirstBadSequence) {
  struct Case {
    const char* codeSet;
    std::string utf8, ansi;  // Utf8ToAnsi(utf8) == ansi
    bool reverse;            // AnsiToUtf8(ansi) == utf8 as well
  };
  const std::vector<Case> cases = {
      {"UTF-8", "Music "s + kChineseUtf8, "Music "s + kChineseUtf8, true},
      {"UTF-8", "ok\xC0\x80tail", "ok", false},  // overlong zero
      {"UTF-8", "ab\0cd"s, "ab", false},
      {"ANSI_X3.4-1968", kChineseUtf8, kChineseUtf8, true},
      {"GBK", "a"s + kChineseUtf8 + "b", "a"s + kChineseGbk + "b", true},
      {"GBK", "x"s + kSmileUtf8 + "y", "x", false},
      {"GBK", "x\xE4\xB8", "x", false},  // cut in the middle of a character
      {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9", true},
      {"ISO-8859-1", "a\xC3\xA9"s + kChineseUtf8 + "b", "a\xE9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.codeSet) + " " + c.utf8);
    auto codec = CreateIconvTextCodec(c.codeSet);
    EXPECT_EQ(codec->Utf8ToAnsi(c.utf8), c.ansi);
    if (c.reverse) {
      EXPECT_EQ(codec->AnsiToUtf8(c.ansi), c.utf8);
    }
  }
  auto gbk = CreateIconvTextCodec("GBK");
  EXPECT_EQ(gbk->AnsiToUtf8("a\xD6\xD0\xFF\xFF"
                            "b"),
            "a\xE4\xB8\xAD");
  EXPECT_EQ(gbk->AnsiToUtf8("a\0\xD6\xD0"s), "a");
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
