#pragma once
// HTTP GET through Qt Network. The request runs on Qt's network machinery while the window keeps
// working; its answer comes back on the user-interface thread.

#include <QNetworkAccessManager>

#include "ui/version_check.h"

namespace vantaro::ui::qt {

class QtHttpGetter : public HttpGetter {
 public:
  QtHttpGetter();
  ~QtHttpGetter() override;
  void Get(const std::string& url, int timeoutMs, std::function<void(HttpResult)> done) override;

 private:
  QNetworkAccessManager manager_;
};

}  // namespace vantaro::ui::qt
