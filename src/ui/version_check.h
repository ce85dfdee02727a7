#pragma once
// The version check: ask the project's web server for the latest release, compare it with this
// program's version and say what was found. The request itself is the view's (an HttpGetter that
// answers later, off the user-interface thread's back); the rules are here. Toolkit-neutral.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/texts.h"

namespace vantaro::ui {

inline constexpr char kVersionUrlKey[] = "version_url";
inline constexpr char kDefaultVersionUrl[] = "http://www.vantaro.example/versionDetecting.htm";
inline constexpr char kHomePageUrl[] = "http://www.vantaro.example/";
inline constexpr char kVersionKey[] = "talvenserver_win=";
inline constexpr int kVersionTimeoutMs = 10000;

// The outcome of one GET.
struct HttpResult {
  bool made = false;  // an answer arrived; false for a bad address, no connection, a timeout
  int status = 0;
  std::string body;
};

class HttpGetter {
 public:
  virtual ~HttpGetter() = default;
  // Starts a GET of `url`; `done` runs once on the user-interface thread with the outcome. A
  // request that gets no answer within `timeoutMs` is abandoned and reported as not made.
  virtual void Get(const std::string& url, int timeoutMs, std::function<void(HttpResult)> done) = 0;
};

// The latest version in a version page: on the first line that holds kVersionKey, the text after
// it up to the first "<" (empty when the line has none). False when no line holds the key.
bool FindLatestVersion(std::string_view page, std::string* latest);

// FetchLatestVersion's part after the request: 0 when the request was made (then `latestVersion`
// takes a version found in a page of status 200), non-zero when it failed.
int FetchLatestVersion(const HttpResult& result, std::string& latestVersion);

// What the user is told.
struct VersionReport {
  enum class Kind { kNetError, kNewest, kNewVersion };
  Kind kind;
  std::string message;  // kNewVersion asks Yes/No: Yes opens kHomePageUrl
};
VersionReport ReportVersion(const app::Texts& texts, bool isNewer, const std::string& latest);

// CheckForUpdate: one request at a time; a second start while one runs is ignored (false).
class VersionCheck {
 public:
  // `texts`, `getter` and `latestVersion` must outlive this object.
  VersionCheck(const app::Texts& texts, HttpGetter& getter, std::string currentVersion,
               std::string& latestVersion, int timeoutMs = kVersionTimeoutMs);
  bool CheckForUpdate(const std::string& url, std::function<void(const VersionReport&)> report);
  bool running() const { return *running_; }

 private:
  const app::Texts& texts_;
  HttpGetter& getter_;
  std::string currentVersion_;
  std::string& latestVersion_;
  int timeoutMs_;
  // Shared with the pending callback, which may outlive a check that was destroyed.
  std::shared_ptr<bool> running_ = std::make_shared<bool>(false);
};

}  // namespace vantaro::ui
