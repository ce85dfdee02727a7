#include "app/texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace vantaro::app {
namespace {

const std::string& TextOf(const Texts& texts, std::string_view name) {
  const TextKey* key = FindTextKey(name);
  EXPECT_NE(key, nullptr) << name;
  static const std::string kMissing = "<no such key>";
  return key ? texts.*(key->member) : kMissing;
}

Texts Loaded(int languageId) {
  Texts texts;
  LoadLanguageTexts(languageId, texts);
  return texts;
}

TEST(TextKeys, CoverEveryMemberOnceWithItsOwnName) {
  // Texts holds nothing but the keyed strings, so the key table must account for all of them.
  EXPECT_EQ(AllTextKeys().size() * sizeof(std::string), sizeof(Texts));
  std::set<std::string_view> names;
  const Texts texts;
  std::set<const std::string*> members;
  for (const TextKey& key : AllTextKeys()) {
    EXPECT_TRUE(key.name.starts_with("txt")) << key.name;
    EXPECT_TRUE(names.insert(key.name).second) << "duplicate name " << key.name;
    EXPECT_TRUE(members.insert(&(texts.*(key.member))).second)
        << "duplicate member for " << key.name;
    EXPECT_EQ(FindTextKey(key.name), &key);
  }
  EXPECT_EQ(FindTextKey("txtNoSuchKey"), nullptr);
  EXPECT_EQ(FindTextKey(""), nullptr);
}

TEST(LoadLanguageTexts, AssignsEveryKeyInEachLanguage) {
  for (int languageId : {kSimplifiedChinese, kTraditionalChinese, kEnglish}) {
    const Texts texts = Loaded(languageId);
    for (const TextKey& key : AllTextKeys()) {
      EXPECT_FALSE((texts.*(key.member)).empty()) << key.name << " in language " << languageId;
    }
  }
}

TEST(LoadLanguageTexts, UnknownLanguageAssignsNothing) {
  for (int languageId : {0, 4, -1, 0x0804}) {
    const Texts fresh = Loaded(languageId);
    for (const TextKey& key : AllTextKeys()) {
      EXPECT_TRUE((fresh.*(key.member)).empty()) << key.name << " for " << languageId;
    }
    // Texts loaded earlier are left as they were.
    Texts texts = Loaded(kEnglish);
    LoadLanguageTexts(languageId, texts);
    EXPECT_EQ(texts.txtTrayExit, "Exit") << languageId;
  }
}

TEST(LoadLanguageTexts, ReplacesTextsOfAnEarlierLanguage) {
  Texts texts = Loaded(kSimplifiedChinese);
  LoadLanguageTexts(kEnglish, texts);
  const Texts english = Loaded(kEnglish);
  for (const TextKey& key : AllTextKeys()) {
    EXPECT_EQ(texts.*(key.member), english.*(key.member)) << key.name;
  }
}

struct ExactRow {
  int languageId;
  const char* key;
  const char* text;
};

TEST(LoadLanguageTexts, ExactRows) {
  const ExactRow rows[] = {
      {kEnglish, "txtWindowTitle", "Vantaro"},
      {kEnglish, "txtServerStatus", "Server Status:"},
      {kEnglish, "txtSupport", "Suppport"},
      {kEnglish, "txtTimeNone", "--:--:--"},
      {kEnglish, "txtNetError",
       "Cann't connect with server because net error,please try it later!"},
      {kEnglish, "txtNewVersionFound",
       "Detecting a new version:version_number is released.\r\nGo to the official website to "
       "download it now?"},
      {kEnglish, "txtAboutVersion", "Version 2.2"},
      // Byte for byte, independent of how this file is encoded: "遠程控製糢式:" keeps its unusual
      // characters.
      {kTraditionalChinese, "txtRemoteMode",
       "\xe9\x81\xa0\xe7\xa8\x8b\xe6\x8e\xa7\xe8\xa3\xbd\xe7\xb3\xa2\xe5\xbc\x8f\x3a"},
      {kTraditionalChinese, "txtTrayTip", "Vantaro"},
      {kTraditionalChinese, "txtAboutVersion", "版本 2.2"},
      {kTraditionalChinese, "txtSupportHint",
       "為了更好地提升服務,如果您在使用中出現任何問題,請您通過以上方式與我們聯繫,我們將在24小時內給"
       "您回复."},
      // "服务器:已经连接"
      {kSimplifiedChinese, "txtTrayServerConnected",
       "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\x3a\xe5\xb7\xb2\xe7\xbb\x8f\xe8\xbf\x9e\xe6\x8e\xa5"},
      {kSimplifiedChinese, "txtWindowTitle", "Vantaro"},
      {kSimplifiedChinese, "txtNone", "无"},
      {kSimplifiedChinese, "txtNewVersionFound", "检测到version_number版本已经发布.请到官网下载!"},
  };
  for (const ExactRow& row : rows) {
    EXPECT_EQ(TextOf(Loaded(row.languageId), row.key), row.text)
        << row.key << " in language " << row.languageId;
  }
}

TEST(LoadLanguageTexts, NamesAndLinksAreTheSameInEveryLanguage) {
  const Texts english = Loaded(kEnglish);
  for (int languageId : {kSimplifiedChinese, kTraditionalChinese}) {
    const Texts texts = Loaded(languageId);
    for (const char* key : {"txtWindowTitle", "txtTrayTip", "txtAboutProduct", "txtModeNone",
                            "txtTimeNone", "txtSupportMailLink", "txtWeiboLink"}) {
      EXPECT_EQ(TextOf(texts, key), TextOf(english, key)) << key << " in " << languageId;
    }
  }
  EXPECT_TRUE(english.txtSupportMailLink.starts_with("mailto:"));
}

TEST(FormatNewVersionMessage, ReplacesEveryPlaceholder) {
  struct Row {
    const char* templateText;
    const char* latest;
    const char* expected;
  };
  const Row rows[] = {
      {"version_number", "2.3", "2.3"},
      {"no placeholder", "2.3", "no placeholder"},
      {"a version_number b version_number", "10.1", "a 10.1 b 10.1"},
      {"version_numberversion_number", "x", "xx"},
      // The inserted version is not searched again.
      {"[version_number]", "version_number", "[version_number]"},
      {"v=version_number.", "", "v=."},
      {"", "2.3", ""},
  };
  for (const Row& row : rows) {
    Texts texts;
    texts.txtNewVersionFound = row.templateText;
    EXPECT_EQ(FormatNewVersionMessage(texts, row.latest), row.expected) << row.templateText;
  }
}

TEST(FormatNewVersionMessage, WithLoadedTexts) {
  EXPECT_EQ(FormatNewVersionMessage(Loaded(kEnglish), "2.3"),
            "Detecting a new version:2.3 is released.\r\nGo to the official website to download "
            "it now?");
  EXPECT_EQ(FormatNewVersionMessage(Loaded(kSimplifiedChinese), "2.3"),
            "检测到2.3版本已经发布.请到官网下载!");
  EXPECT_EQ(FormatNewVersionMessage(Loaded(kTraditionalChinese), "2.3"),
            "檢測到2.3版本已經發布.請到官網下載!");
}

}  // namespace
}  // namespace vantaro::app
