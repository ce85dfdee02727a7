#include "ui/qt/connection_page.h"

#include <QPainter>

#include "ui/qt/fonts.h"
#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {
constexpr int kValueHeight = 20;
constexpr int kLeftValueX = 168;
constexpr int kRightLabelX = 312;
constexpr int kRightValueX = 444;
constexpr int kValueWidth = 138;
}  // namespace

ConnectionPageView::ConnectionPageView(WindowServices& services, QWidget* parent)
    : QWidget(parent), services_(services), model_(services.texts) {
  const app::Texts& t = services.texts;
  QLabel* status = AddLabel(t.txtServerStatus, 24, 35, 104);
  status->setFont(InfoFont());
  status->adjustSize();
  status->setFixedHeight(23);
  // The buttons start at 130 unless the label needs more room, and grow with their captions.
  on_ = new CBitmapTextButton(this, palette::kOn);
  on_->setText(QString::fromStdString(t.txtOn));
  on_->setGeometry(std::max(130, status->geometry().right() + 8), 35,
                   std::max(42, on_->sizeHint().width()), 23);
  off_ = new CBitmapTextButton(this, palette::kOff);
  off_->setText(QString::fromStdString(t.txtOff));
  off_->setGeometry(on_->geometry().right() + 1, 35, std::max(42, off_->sizeHint().width()), 23);
  connect(on_, &QAbstractButton::clicked, this, [this] { services_.openService(); });
  connect(off_, &QAbstractButton::clicked, this, [this] { services_.closeService(); });

  AddLabel(t.txtRemoteMode, 24, 78, 140);
  mode_ = AddValue(kLeftValueX, 78);
  AddLabel(t.txtConnectedTime, 24, 106, 140);
  time_ = AddValue(kLeftValueX, 106);
  codeLabel_ = AddLabel(t.txtSecurityCode, 24, 134, 140);
  code_ = AddValue(kLeftValueX, 134);
  showCode_ = new QPushButton(this);
  showCode_->setGeometry(kLeftValueX + 120, 131, 64, 24);
  connect(showCode_, &QPushButton::clicked, this, [this] {
    model_.ToggleCodeRevealed();
    Redraw();
  });

  AddLabel(t.txtComputerInfo, 24, 184, 270, true);
  AddLabel(t.txtDeviceInfo, kRightLabelX, 184, 270, true);
  AddLabel(t.txtComputerName, 24, 214, 140);
  computerName_ = AddValue(kLeftValueX, 214);
  AddLabel(t.txtLanIp, 24, 242, 140);
  lan_ = AddValue(kLeftValueX, 242);
  AddLabel(t.txtInternetIp, 24, 270, 140);
  internet_ = AddValue(kLeftValueX, 270);
  AddLabel(t.txtDeviceName, kRightLabelX, 214, 130);
  deviceName_ = AddValue(kRightValueX, 214);
  AddLabel(t.txtDeviceIp, kRightLabelX, 242, 130);
  deviceIp_ = AddValue(kRightValueX, 242);

  clock_.setInterval(1000);
  connect(&clock_, &QTimer::timeout, this, [this] { OnClockTick(); });
  RefreshSecurityCode();
  ApplyStatus(services_.connectionStatus(), services_.facts());
}

QLabel* ConnectionPageView::AddLabel(const std::string& text, int x, int y, int width, bool heading) {
  auto* label = new QLabel(QString::fromStdString(text), this);
  if (heading) {
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
  }
  label->setGeometry(x, y, width, kValueHeight);
  return label;
}

CMyStatic* ConnectionPageView::AddValue(int x, int y) {
  auto* value = new CMyStatic(this);
  value->setGeometry(x, y, kValueWidth, kValueHeight);
  return value;
}

void ConnectionPageView::ApplyStatus(int32_t status, const ConnectionFacts& facts) {
  model_.ApplyStatus(status, facts, services_.nowSeconds());
  if (model_.clockRunning() && !clock_.isActive()) clock_.start();
  if (!model_.clockRunning()) clock_.stop();
  Redraw();
}

void ConnectionPageView::OnClockTick() {
  model_.Tick(services_.nowSeconds());
  Redraw();
}

void ConnectionPageView::RefreshSecurityCode() {
  GeneralValues v = services_.general.Values();
  model_.SetSecurityCode(v.securityLogin, v.securityCode);
  Redraw();
}

void ConnectionPageView::Redraw() {
  const ConnectionFields& f = model_.fields();
  auto put = [](CMyStatic* value, const std::string& text, int width = kValueWidth) {
    value->SetValue(QString::fromStdString(text), width);
  };
  put(mode_, f.modeText, 400);
  put(time_, f.connectedTime);
  put(computerName_, f.computerName);
  put(lan_, f.lanAddress);
  put(internet_, f.internetAddress);
  put(deviceName_, f.deviceName);
  put(deviceIp_, f.deviceAddress);
  ButtonLook on = model_.onButton(), off = model_.offButton();
  on_->SetLook(on.lit, on.darkCaption);
  off_->SetLook(off.lit, off.darkCaption);
  const bool codeShown = model_.codeRowShown();
  codeLabel_->setVisible(codeShown);
  code_->setVisible(codeShown);
  showCode_->setVisible(codeShown);
  put(code_, model_.CodeText(), 116);
  showCode_->setText(QString::fromStdString(model_.codeRevealed() ? services_.windowTexts.hideCode
                                                                  : services_.windowTexts.showCode));
}

void ConnectionPageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPagePanel(painter, rect());
  painter.setPen(QPen(palette::kPanelBorder, 1));
  painter.drawLine(24, 172, width() - 24, 172);
  painter.drawLine(kRightLabelX - 12, 184, kRightLabelX - 12, 300);
}

}  // namespace vantaro::ui::qt
