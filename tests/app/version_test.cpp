#include "app/version.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vantaro::app {
namespace {

TEST(VersionValue, ByTheTwoDigitRule) {
  struct Row {
    const char* text;
    int32_t expected;
  };
  const Row rows[] = {
      {"2.2", 20200},
      {"2.10", 21000},
      {"2.2.1", 20201},
      {"10.0", 100000},
      {"123.4", 130400},  // the middle character of a three-character part is ignored
      {"2.", 20000},
      {"2.3 ", 23000},  // "3 " has two characters: tens 3, units 0
      {"2.3", 20300},
      {"2", 20000},
      {"", 0},
      {".", 0},
      {"..", 0},
      {"1.2.3.4", 12304},  // everything between the first and last dot is the minor part
      {"99.99.99", 999999},
      {"v2.2", 20200},  // "v2": tens from 'v' (0), units 2
      {"a.b.c", 0},
      {"2.2.", 20200},
      {".5", 500},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(VersionValue(row.text), row.expected) << '"' << row.text << '"';
  }
}

TEST(VersionValue, CurrentVersionIsTheWelcomeValue) {
  EXPECT_EQ(std::string_view(kCurrentVersion), "2.2");
  EXPECT_EQ(VersionValue(kCurrentVersion), 20200);
}

TEST(IsNewer, ComparesValues) {
  struct Row {
    const char* current;
    const char* latest;
    bool expected;
  };
  const Row rows[] = {
      {"2.2", "2.3", true},
      {"2.2", "2.2", false},
      {"2.2", "2.1", false},
      {"2.2", "2.10", true},
      {"2.2", "2.2.1", true},
      {"2.2", "", false},
      {"2.2", "10.0", true},
      {"2.9", "2.10", true},
      {"2.3", "2.2", false},
      // A trailing space turns minor "2" into "2 " (tens 2), which reads as newer.
      {"2.2", "2.2 ", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsNewer(row.current, row.latest), row.expected)
        << '"' << row.current << "\" -> \"" << row.latest << '"';
  }
}

}  // namespace
}  // namespace vantaro::app
