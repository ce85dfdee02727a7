#include "platform/escaped_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantaro::platform {
namespace {

using namespace std::string_literals;

TEST(EscapedForLog, WritesControlCharactersAndInvalidBytesAsHex) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\Users\\a.txt", "C:\\Users\\a.txt"},
      {"line\nforged: yes", "line\\x0Aforged: yes"},
      {"cr\rtab\tnul\0end"s, "cr\\x0Dtab\\x09nul\\x00end"},
      {"\x1b[2Jclear", "\\x1B[2Jclear"},
      {"del\x7f", "del\\x7F"},
      {"\xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},  // kept as it is
      {"\xC2\x9B" "31m", "\\xC2\\x9B31m"},                       // C1 control: CSI
      {"\xC2\xA0nbsp", "\xC2\xA0nbsp"},
      {"\xE9t\xE9", "\\xE9t\\xE9"},                              // Latin-1
      {"\xC0\xAF", "\\xC0\\xAF"},                                // overlong "/"
      {"cut\xE4\xB8", "cut\\xE4\\xB8"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(EscapedForLog(text), expected) << expected;
}

}  // namespace
}  // namespace vantaro::platform
