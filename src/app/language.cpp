#include "app/language.h"

#include <cstddef>
#include <string_view>

#include "app/texts.h"

namespace vantaro::app {
namespace {

// "zh_CN" must be the whole language_territory part: it may be followed only by a codeset
// (".UTF-8") or a modifier ("@..."), so a name like "zh_CNX" is not taken for mainland China.
bool HasTerritory(std::string_view localeName, std::string_view languageTerritory) {
  if (!localeName.starts_with(languageTerritory)) return false;
  if (localeName.size() == languageTerritory.size()) return true;
  const char next = localeName[languageTerritory.size()];
  return next == '.' || next == '@';
}

std::string FirstListEntry(const std::string& list) {
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) return list.substr(start, end - start);
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string UiLanguageFromEnvironment(const EnvironmentGetter& getEnvironment) {
  if (std::string language = FirstListEntry(getEnvironment("LANGUAGE")); !language.empty()) {
    return language;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (std::string value = getEnvironment(name); !value.empty()) return value;
  }
  return {};
}

int ChooseLanguage(const std::string& localeName) {
  if (HasTerritory(localeName, "zh_CN")) return kSimplifiedChinese;
  if (HasTerritory(localeName, "zh_TW") || HasTerritory(localeName, "zh_HK")) {
    return kTraditionalChinese;
  }
  return kEnglish;
}

}  // namespace vantaro::app
