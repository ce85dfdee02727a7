#include "ui/qt/settings_page.h"

#include <QPainter>
#include <QWheelEvent>

#include "ui/qt/camera_recorder_page.h"
#include "ui/qt/file_manager_page.h"
#include "ui/qt/general_page.h"
#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {
constexpr int kSideWidth = 150;
constexpr int kScrollBarWidth = 14;
}  // namespace

SettingsPageView::SettingsPageView(WindowServices& services, MainWindowModel& model,
                                   std::function<void()> onSecurityChanged, QWidget* parent)
    : QWidget(parent), model_(model) {
  const app::Texts& t = services.texts;
  const std::string* captions[3] = {&t.txtSubGeneral, &t.txtSubFileManager, &t.txtSubCameraRecorder};
  const SettingsSubPage subs[3] = {SettingsSubPage::kGeneral, SettingsSubPage::kFileManager,
                                   SettingsSubPage::kCameraRecorder};
  for (int i = 0; i < 3; ++i) {
    buttons_[i] = new QPushButton(QString::fromStdString(*captions[i]), this);
    buttons_[i]->setCheckable(true);
    buttons_[i]->setGeometry(14, 18 + i * 40, kSideWidth - 28, 30);
    SettingsSubPage sub = subs[i];
    connect(buttons_[i], &QPushButton::clicked, this, [this, sub] { ShowSubPage(sub); });
  }

  const Rect r = kSettingsSubPageRect;
  generalArea_ = new QWidget(this);
  generalArea_->setGeometry(r.left, r.top, r.width, r.height - 5);
  general_ = new GeneralPageView(services, r.width, std::move(onSecurityChanged), generalArea_);
  fileManager_ = new FileManagerPageView(services, this);
  fileManager_->setGeometry(r.left, r.top + 8, r.width, r.height - 16);
  camera_ = new CameraRecorderPageView(services, model_, this);
  camera_->setGeometry(r.left, r.top + 8, r.width, r.height - 16);

  scroll_ = std::make_unique<ScrollModel>(general_->height());
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setGeometry(r.left + r.width + 12, r.top + 4, kScrollBarWidth, r.height - 13);
  scrollBar_->setRange(0, scroll_->scrollMax());
  scrollBar_->setPageStep(std::max(1, scroll_->scrollPage()));
  scrollBar_->setValue(0);
  connect(scrollBar_, &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnScrollAction(action); });
  ShowSubPage(model_.settingsSubPage());
}

QPushButton* SettingsPageView::subPageButton(SettingsSubPage sub) const {
  return buttons_[static_cast<int>(sub)];
}

void SettingsPageView::ShowSubPage(SettingsSubPage sub) {
  model_.SelectSettingsSubPage(sub);
  generalArea_->setVisible(sub == SettingsSubPage::kGeneral);
  scrollBar_->setVisible(sub == SettingsSubPage::kGeneral);
  fileManager_->setVisible(sub == SettingsSubPage::kFileManager);
  camera_->setVisible(sub == SettingsSubPage::kCameraRecorder);
  for (int i = 0; i < 3; ++i) buttons_[i]->setChecked(i == static_cast<int>(sub));
  if (sub == SettingsSubPage::kGeneral) setFocus();
}

void SettingsPageView::OnScrollAction(int action) {
  ScrollCode code = ScrollCode::kOther;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::kLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::kLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = ScrollCode::kPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::kPageDown; break;
    case QAbstractSlider::SliderToMinimum: code = ScrollCode::kTop; break;
    case QAbstractSlider::SliderToMaximum: code = ScrollCode::kBottom; break;
    case QAbstractSlider::SliderMove: code = ScrollCode::kThumbTrack; break;
    default: break;
  }
  // The slider has moved by its own rule already; the model's position replaces it.
  scroll_->OnVScroll(code, scrollBar_->sliderPosition());
  scrollBar_->setSliderPosition(scroll_->scrollPos());
  PlaceGeneral();
}

void SettingsPageView::PlaceGeneral() { general_->move(0, -scroll_->OffsetPixels()); }

void SettingsPageView::wheelEvent(QWheelEvent* event) {
  if (scroll_->OnMouseWheel(event->angleDelta().y(), model_.flags().generalSubPageShown) != 0) {
    scrollBar_->setValue(scroll_->scrollPos());
    PlaceGeneral();
  }
  event->accept();
}

void SettingsPageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPagePanel(painter, rect(), kSideWidth);
}

}  // namespace vantaro::ui::qt
