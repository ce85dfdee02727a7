#include "ui/qt/more_page.h"

#include <QLabel>
#include <QPainter>

#include "ui/qt/fonts.h"
#include "ui/qt/hyper_link.h"
#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {

constexpr int kSideWidth = 150;
// The texts the links show; their targets come from the text table.
constexpr char kSupportAddress[] = "support@vantaro.example";
constexpr char kAccountName[] = "Vantaro";

QString Q(const std::string& text) { return QString::fromStdString(text); }

// "mailto:x" -> "x", for a link whose caption is the address it opens.
QString Caption(const std::string& target, const char* fallback) {
  const std::string mailto = "mailto:";
  if (target.rfind(mailto, 0) == 0) return Q(target.substr(mailto.size()));
  return QString::fromUtf8(fallback);
}

class LogoLabel : public QWidget {
 public:
  explicit LogoLabel(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(rect(), LogoPicture(width(), devicePixelRatioF()));
  }
};

}  // namespace

MorePageView::MorePageView(WindowServices& services, MainWindowModel& model,
                           std::function<void()> onUpdateApp, QWidget* parent)
    : QWidget(parent), model_(model) {
  supportButton_ = new QPushButton(Q(services.texts.txtSupport), this);
  aboutButton_ = new QPushButton(Q(services.texts.txtAbout), this);
  supportButton_->setGeometry(14, 18, kSideWidth - 28, 30);
  aboutButton_->setGeometry(14, 58, kSideWidth - 28, 30);
  for (QPushButton* b : {supportButton_, aboutButton_}) b->setCheckable(true);
  connect(supportButton_, &QPushButton::clicked, this, [this] { ShowSubPage(MoreSubPage::kSupport); });
  connect(aboutButton_, &QPushButton::clicked, this, [this] { ShowSubPage(MoreSubPage::kAbout); });

  support_ = BuildSupport(services);
  about_ = BuildAbout(services, std::move(onUpdateApp));
  const Rect r = kMoreSubPageRect;
  for (QWidget* sub : {support_, about_}) sub->setGeometry(r.left, r.top, r.width, r.height);
  ShowSubPage(model_.moreSubPage());
}

QWidget* MorePageView::BuildSupport(WindowServices& services) {
  const app::Texts& t = services.texts;
  auto* page = new QWidget(this);
  auto* email = new QLabel(Q(t.txtEmail), page);
  email->setGeometry(16, 40, 110, 22);
  mail_ = new CHyperLink(Caption(t.txtSupportMailLink, kSupportAddress), Q(t.txtSupportMailLink), page);
  mail_->move(128, 40);
  mail_->setFixedHeight(22);
  auto* weibo = new QLabel(Q(t.txtSinaWeibo), page);
  weibo->setGeometry(16, 74, 110, 22);
  web_ = new CHyperLink(QString::fromUtf8(kAccountName), Q(t.txtWeiboLink), page);
  web_->move(128, 74);
  web_->setFixedHeight(22);
  auto* address = new QLabel(Q(t.txtWeiboAddress), page);
  address->setGeometry(128, 98, 270, 20);
  auto* hint = new QLabel(Q(t.txtSupportHint), page);
  hint->setWordWrap(true);
  hint->setGeometry(16, 140, 380, 90);
  hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return page;
}

QWidget* MorePageView::BuildAbout(WindowServices& services, std::function<void()> onUpdateApp) {
  const app::Texts& t = services.texts;
  auto* page = new QWidget(this);
  const int w = kMoreSubPageRect.width;
  auto* logo = new LogoLabel(page);
  logo->setGeometry((w - 120) / 2, 18, 120, 120);
  auto centred = [page, w](const std::string& text, int y, int h) {
    auto* label = new QLabel(Q(text), page);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, y, w, h);
    return label;
  };
  centred(t.txtAboutProduct, 146, 24)->setFont(TitleFont());
  centred(t.txtAboutVersion, 172, 20);
  update_ = new QPushButton(Q(t.txtUpdateApp), page);
  int bw = std::max(130, update_->sizeHint().width());
  update_->setGeometry((w - bw) / 2, 200, bw, 30);
  connect(update_, &QPushButton::clicked, this, [onUpdateApp] { onUpdateApp(); });
  centred(t.txtOwnerNotice, 262, 20);
  centred(t.txtRightsReserved, 282, 20);
  return page;
}

void MorePageView::ShowSubPage(MoreSubPage sub) {
  model_.SelectMoreSubPage(sub);
  support_->setVisible(sub == MoreSubPage::kSupport);
  about_->setVisible(sub == MoreSubPage::kAbout);
  supportButton_->setChecked(sub == MoreSubPage::kSupport);
  aboutButton_->setChecked(sub == MoreSubPage::kAbout);
}

void MorePageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPagePanel(painter, rect(), kSideWidth);
}

}  // namespace vantaro::ui::qt
