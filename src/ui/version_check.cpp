#include "ui/version_check.h"

#include "app/version.h"

namespace vantaro::ui {

bool FindLatestVersion(std::string_view page, std::string* latest) {
  size_t lineStart = 0;
  while (lineStart <= page.size()) {
    size_t lineEnd = page.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = page.size();
    std::string_view line = page.substr(lineStart, lineEnd - lineStart);
    size_t key = line.find(kVersionKey);
    if (key != std::string_view::npos) {
      size_t from = key + std::string_view(kVersionKey).size();
      size_t tag = line.find('<', from);
      *latest = tag == std::string_view::npos ? std::string() : std::string(line.substr(from, tag - from));
      return true;
    }
    if (lineEnd == page.size()) break;
    lineStart = lineEnd + 1;
  }
  return false;
}

int FetchLatestVersion(const HttpResult& result, std::string& latestVersion) {
  if (!result.made) return 1;
  std::string found;
  if (result.status == 200 && FindLatestVersion(result.body, &found)) latestVersion = found;
  return 0;
}

VersionReport ReportVersion(const app::Texts& texts, bool isNewer, const std::string& latest) {
  if (isNewer)
    return {VersionReport::Kind::kNewVersion, app::FormatNewVersionMessage(texts, latest)};
  return {VersionReport::Kind::kNewest, texts.txtNewestVersion};
}

VersionCheck::VersionCheck(const app::Texts& texts, HttpGetter& getter, std::string currentVersion,
                           std::string& latestVersion, int timeoutMs)
    : texts_(texts),
      getter_(getter),
      currentVersion_(std::move(currentVersion)),
      latestVersion_(latestVersion),
      timeoutMs_(timeoutMs) {}

bool VersionCheck::CheckForUpdate(const std::string& url,
                                  std::function<void(const VersionReport&)> report) {
  if (*running_) return false;
  *running_ = true;
  std::shared_ptr<bool> running = running_;
  getter_.Get(url, timeoutMs_, [this, running, report = std::move(report)](HttpResult result) {
    *running = false;
    if (FetchLatestVersion(result, latestVersion_) != 0) {
      report({VersionReport::Kind::kNetError, texts_.txtNetError});
      return;
    }
    report(ReportVersion(texts_, app::IsNewer(currentVersion_, latestVersion_), latestVersion_));
  });
  return true;
}

}  // namespace vantaro::ui
