#include "ui/qt/qt_http_getter.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace vantaro::ui::qt {

QtHttpGetter::QtHttpGetter() = default;

QtHttpGetter::~QtHttpGetter() {
  // Pending replies die with the manager; their callbacks must not run any more.
  for (QNetworkReply* reply : manager_.findChildren<QNetworkReply*>()) {
    reply->disconnect();
    reply->abort();
  }
}

void QtHttpGetter::Get(const std::string& url, int timeoutMs, std::function<void(HttpResult)> done) {
  QUrl address(QString::fromStdString(url));
  if (!address.isValid() || address.host().isEmpty() ||
      (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))) {
    // A bad address fails as a request that could not be made, after the caller returned.
    QTimer::singleShot(0, &manager_, [done] { done(HttpResult{}); });
    return;
  }
  QNetworkRequest request(address);
  // The whole exchange, not only a silent spell, is bounded: a server that trickles bytes must
  // not hold the check open either.
  QNetworkReply* reply = manager_.get(request);
  auto* deadline = new QTimer(reply);
  deadline->setSingleShot(true);
  QObject::connect(deadline, &QTimer::timeout, reply, [reply] { reply->abort(); });
  deadline->start(timeoutMs);
  QObject::connect(reply, &QNetworkReply::finished, &manager_, [reply, done] {
    HttpResult result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An abandoned request (the deadline) failed, even when its headers had come.
    if (status.isValid() && reply->error() != QNetworkReply::OperationCanceledError) {
      result.made = true;
      result.status = status.toInt();
      result.body = reply->readAll().toStdString();
    }
    reply->deleteLater();
    done(result);
  });
}

}  // namespace vantaro::ui::qt
