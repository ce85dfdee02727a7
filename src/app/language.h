#pragma once
// Choosing the interface language from the user's locale. Pure functions; any thread.

#include <functional>
#include <string>

namespace vantaro::app {

// Returns the value of one environment variable, or an empty string when it is not set.
using EnvironmentGetter = std::function<std::string(const char* name)>;

// The locale name that decides the interface language: the first of LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG that is set and not empty. LANGUAGE is a colon-separated list of which
// only the first non-empty entry counts. Empty when none is set.
std::string UiLanguageFromEnvironment(const EnvironmentGetter& getEnvironment);

// The LanguageId for a locale name such as "zh_CN.UTF-8": mainland China selects Simplified
// Chinese, Taiwan and Hong Kong select Traditional Chinese, anything else (including a bare
// "zh", "C" and "") selects English.
int ChooseLanguage(const std::string& localeName);

}  // namespace vantaro::app
