#include "app/language.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/texts.h"

namespace vantaro::app {
namespace {

TEST(ChooseLanguage, ByLocaleName) {
  struct Row {
    const char* locale;
    int expected;
  };
  const Row rows[] = {
      {"zh_CN.UTF-8", kSimplifiedChinese},
      {"zh_CN", kSimplifiedChinese},
      {"zh_CN.GB18030", kSimplifiedChinese},
      {"zh_CN@stroke", kSimplifiedChinese},
      {"zh_TW.UTF-8", kTraditionalChinese},
      {"zh_TW", kTraditionalChinese},
      {"zh_HK.UTF-8", kTraditionalChinese},
      {"zh_HK.BIG5-HKSCS", kTraditionalChinese},
      {"zh", kEnglish},
      {"zh_SG.UTF-8", kEnglish},
      {"zh_CNX", kEnglish},
      {"zh_C", kEnglish},
      {"zh_cn.UTF-8", kEnglish},
      {"C", kEnglish},
      {"C.UTF-8", kEnglish},
      {"POSIX", kEnglish},
      {"", kEnglish},
      {"en_US.UTF-8", kEnglish},
      {"ja_JP.UTF-8", kEnglish},
      {"de_DE@euro", kEnglish},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ChooseLanguage(row.locale), row.expected) << '"' << row.locale << '"';
  }
}

TEST(UiLanguageFromEnvironment, Precedence) {
  using Environment = std::map<std::string, std::string>;
  struct Row {
    Environment environment;
    const char* expected;
  };
  const Row rows[] = {
      {{}, ""},
      {{{"LANG", "zh_CN.UTF-8"}}, "zh_CN.UTF-8"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}}, "zh_TW.UTF-8"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}, {"LC_ALL", "zh_HK.UTF-8"}},
       "zh_HK.UTF-8"},
      {{{"LC_ALL", "C"}, {"LANGUAGE", "zh_CN"}}, "zh_CN"},
      {{{"LANGUAGE", "zh_TW:zh_CN:en"}, {"LANG", "en_US.UTF-8"}}, "zh_TW"},
      {{{"LANGUAGE", ":zh_CN:en"}}, "zh_CN"},
      // Set but empty counts as unset, at every level.
      {{{"LANGUAGE", ""}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "zh_CN.UTF-8"}},
       "zh_CN.UTF-8"},
      {{{"LANGUAGE", "::"}, {"LC_ALL", "en_GB.UTF-8"}}, "en_GB.UTF-8"},
      // Only these four variables matter.
      {{{"LC_CTYPE", "zh_CN.UTF-8"}, {"LANG", "C"}}, "C"},
  };
  for (const Row& row : rows) {
    const Environment& environment = row.environment;
    const std::string locale = UiLanguageFromEnvironment([&environment](const char* name) {
      const auto found = environment.find(name);
      return found == environment.end() ? std::string() : found->second;
    });
    EXPECT_EQ(locale, row.expected) << "expected " << row.expected;
  }
}

}  // namespace
}  // namespace vantaro::app
