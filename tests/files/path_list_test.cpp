// Path lists: records of reserved int32, length n, n bytes of path, filling the count exactly.

#include "files/path_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "files/data_channel_fakes.h"
#include "support/wire.h"

namespace vantaro::files {
namespace {

using vantaro::testing::Le32;

std::string Record(const std::string& path, int32_t reserved = 0) {
  return Le32(reserved) + Le32(static_cast<int32_t>(path.size())) + path;
}

struct ListCase {
  const char* name;
  std::string bytes;
  int64_t length;  // as declared; -1 means bytes.size()
  std::vector<std::string> paths;
  bool refused = false;  // no list at all: a path does not convert whole
};

TEST(ParsePathList, GivesThePathsOfRecordsThatFillTheCountExactly) {
  const std::string two = Record("C:\\a.txt") + Record("D:\\dir", 77);
  const std::vector<ListCase> cases = {
      {"two records", two, -1, {"C:\\a.txt", "D:\\dir"}},
      {"reserved field ignored", Record("C:\\x", -5), -1, {"C:\\x"}},
      {"one byte short of the count", two, static_cast<int64_t>(two.size()) - 1, {}},
      {"one byte past the records", two + "z", -1, {}},
      {"count past the received bytes", two, static_cast<int64_t>(two.size()) + 8, {}},
      {"zero-length record skipped",
       Record("C:\\a") + Record("") + Record("C:\\b"),
       -1,
       {"C:\\a", "C:\\b"}},
      {"only a zero-length record", Record(""), -1, {}},
      {"record head cut short", Record("C:\\a") + Le32(0) + "\x02\x00", -1, {}},
      {"negative path length", Record("C:\\a") + Le32(0) + Le32(-1) + "xxxx", -1, {}},
      {"path length past the end", Le32(0) + Le32(100) + "C:\\a", -1, {}},
      {"huge path length", Le32(0) + Le32(0x7fffffff) + "C:\\a", -1, {}},
      {"count zero", two, 0, {}},
      {"count negative", two, -7, {}},
      {"empty", "", -1, {}},
      // A path is never cut short: "C:\S" followed by a bad byte would name the shared folder.
      {"path with a zero byte", Record(std::string("C:\\S\0cd", 7)) + Record("E:\\"), -1, {},
       true},
      {"path with a zero byte at its end", Record(std::string("C:\\S\0", 5)), -1, {}, true},
      {"latin-1 name", Record("C:\\S\\\xE9t\xE9.mp3"), -1, {}, true},
      {"0xFF after a folder", Record("C:\\S") + Record("C:\\S\xFF"), -1, {}, true},
      {"overlong dot", Record("C:\\S\\\xC0\xAE\xC0\xAE"), -1, {}, true},
      {"overlong slash", Record("C:\\S\xC0\xAF.."), -1, {}, true},
      {"overlong dot in three bytes", Record("C:\\S\\\xE0\x80\xAE"), -1, {}, true},
      {"utf-8 kept", Record("C:\\\xe6\x96\x87\xe4\xbb\xb6"), -1, {"C:\\\xe6\x96\x87\xe4\xbb\xb6"}},
  };
  testing::PassThroughCodec codec;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int64_t length = c.length == -1 ? static_cast<int64_t>(c.bytes.size()) : c.length;
    auto got = ParsePathList(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                             length, false, codec);
    ASSERT_EQ(got.has_value(), !c.refused);
    if (got) {
      EXPECT_EQ(*got, c.paths);
    }
  }
}

TEST(ParsePathList, ExpandsFoldersOnlyWhenAsked) {
  const std::map<std::string, std::vector<std::string>> folders = {
      {"C:\\dir", {"C:\\dir\\1", "C:\\dir\\sub\\2"}},
      {"C:\\empty", {}},
  };
  FolderExpander expander =
      [&](const std::string& path) -> std::optional<std::vector<std::string>> {
    auto it = folders.find(path);
    if (it == folders.end()) return std::nullopt;
    return it->second;
  };
  const std::string list = Record("C:\\file") + Record("C:\\dir") + Record("C:\\empty");
  testing::PassThroughCodec codec;
  const auto* bytes = reinterpret_cast<const uint8_t*>(list.data());
  EXPECT_EQ(ParsePathList(bytes, list.size(), list.size(), true, codec, expander),
            (std::vector<std::string>{"C:\\file", "C:\\dir\\1", "C:\\dir\\sub\\2"}));
  EXPECT_EQ(ParsePathList(bytes, list.size(), list.size(), false, codec, expander),
            (std::vector<std::string>{"C:\\file", "C:\\dir", "C:\\empty"}));
  // A list that does not add up is not expanded at all.
  EXPECT_TRUE(ParsePathList(bytes, list.size(), list.size() - 1, true, codec, expander)->empty());
}

struct SplitCase {
  const char* name;
  int32_t pathLength;
  int32_t dataLength;
  std::string payload;
  bool ok;
  std::string target;
  size_t listAvailable;
};

TEST(SplitRequestPaths, BoundsTheTargetPathByThePayload) {
  const std::vector<SplitCase> cases = {
      {"target and list", 3, 4, "D:\\list", true, "D:\\", 4},
      {"no target", 0, 4, "list", true, "", 4},
      {"target is the whole payload", 4, 0, "D:\\x", true, "D:\\x", 0},
      {"target past the payload", 5, 0, "D:\\x", false, "", 0},
      {"negative target length", -1, 0, "D:\\x", false, "", 0},
      {"empty payload", 0, 0, "", true, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DataHeader h = testing::Header(6, 4, 0, c.pathLength, c.dataLength);
    auto split =
        SplitRequestPaths(h, reinterpret_cast<const uint8_t*>(c.payload.data()), c.payload.size());
    ASSERT_EQ(split.has_value(), c.ok);
    if (!split) continue;
    EXPECT_EQ(split->targetPath, c.target);
    EXPECT_EQ(split->listAvailable, c.listAvailable);
    EXPECT_EQ(split->listLength, c.dataLength);
  }
}

}  // namespace
}  // namespace vantaro::files
