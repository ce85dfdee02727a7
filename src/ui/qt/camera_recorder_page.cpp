#include "ui/qt/camera_recorder_page.h"

#include <QLabel>
#include <QPainter>

#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

void PreviewArea::SetFrame(QImage frame) {
  frame_ = std::move(frame);
  update();
}

void PreviewArea::Clear() {
  frame_ = QImage();
  update();
}

void PreviewArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(0x1b, 0x22, 0x2b));
  if (frame_.isNull()) {
    // A quiet camera outline where no picture is.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x4a, 0x58, 0x68), 3));
    painter.setBrush(Qt::NoBrush);
    QPointF c = QRectF(rect()).center();
    painter.drawRoundedRect(QRectF(c.x() - 30, c.y() - 18, 44, 36), 6, 6);
    QPolygonF lens({QPointF(c.x() + 16, c.y() - 6), QPointF(c.x() + 32, c.y() - 16),
                    QPointF(c.x() + 32, c.y() + 16), QPointF(c.x() + 16, c.y() + 6)});
    painter.drawPolygon(lens);
    return;
  }
  Rect r = FitPreview(frame_.width(), frame_.height(), width(), height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRect(r.left, r.top, r.width, r.height), frame_);
}

CameraRecorderPageView::CameraRecorderPageView(WindowServices& services,
                                               const MainWindowModel& window, QWidget* parent)
    : QWidget(parent), capture_(services.capture), window_(window), model_(services.texts.txtNone) {
  const app::Texts& t = services.texts;
  auto* title = new QLabel(Q(t.txtSelectDeviceInput), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setGeometry(4, 0, 340, 20);
  auto* hint = new QLabel(Q(t.txtDeviceInputHint), this);
  hint->setWordWrap(true);
  hint->setGeometry(4, 22, 340, 34);
  auto* videoLabel = new QLabel(Q(t.txtVideoInput), this);
  videoLabel->setGeometry(4, 62, 96, 24);
  video_ = new QComboBox(this);
  video_->setGeometry(100, 62, 236, 24);
  auto* audioLabel = new QLabel(Q(t.txtAudioInput), this);
  audioLabel->setGeometry(4, 92, 96, 24);
  audio_ = new QComboBox(this);
  audio_->setGeometry(100, 92, 236, 24);
  preview_ = new PreviewArea(this);
  preview_->setGeometry(4, 124, 332, 176);
  meter_ = new QProgressBar(this);
  meter_->setGeometry(4, 306, 332, 12);
  meter_->setRange(0, kLevelMeterMax);
  meter_->setValue(0);
  meter_->setTextVisible(false);

  model_.Enumerate(capture_.VideoInputs(), capture_.AudioInputs());
  for (const std::string& item : model_.videoItems()) video_->addItem(Q(item));
  for (const std::string& item : model_.audioItems()) audio_->addItem(Q(item));
  video_->setCurrentIndex(0);
  audio_->setCurrentIndex(0);
  connect(video_, &QComboBox::currentIndexChanged, this, [this](int p) {
    if (model_.OnVideoInputChanged(p, previewRunning_)) StopPreview();
  });
  connect(audio_, &QComboBox::currentIndexChanged, this, [this](int p) {
    if (model_.OnAudioInputChanged(p, meterRunning_)) StopMeter();
  });

  cameraTimer_.setInterval(800);
  audioTimer_.setInterval(900);
  connect(&cameraTimer_, &QTimer::timeout, this, [this] { OnCameraTimer(); });
  connect(&audioTimer_, &QTimer::timeout, this, [this] { OnAudioTimer(); });
  cameraTimer_.start();
  audioTimer_.start();
}

CameraRecorderPageView::~CameraRecorderPageView() {
  // The capture threads call into this page until the stops return.
  StopPreview();
  StopMeter();
}

void CameraRecorderPageView::OnCameraTimer() {
  const bool wanted = model_.PreviewWanted(window_.flags());
  if (wanted && !previewRunning_) {
    previewRunning_ = capture_.StartPreview(model_.videoIndex(), [this](PreviewFrame f) {
      if (f.width <= 0 || f.height <= 0 ||
          f.rgb.size() < static_cast<size_t>(f.width) * static_cast<size_t>(f.height) * 3)
        return;
      QImage image(f.rgb.data(), f.width, f.height, f.width * 3, QImage::Format_RGB888);
      QImage copy = image.copy();
      // Frames come from a capture thread; the picture is drawn on the user-interface thread.
      QMetaObject::invokeMethod(this, [this, copy] { preview_->SetFrame(copy); }, Qt::QueuedConnection);
    });
  } else if (!wanted && previewRunning_) {
    StopPreview();
  }
}

void CameraRecorderPageView::OnAudioTimer() {
  const bool wanted = model_.MeterWanted(window_.flags());
  if (wanted && !meterRunning_) {
    meterRunning_ = capture_.StartLevelMeter(model_.audioDeviceIndex(), [this](int level) {
      int clamped = std::clamp(level, 0, kLevelMeterMax);
      QMetaObject::invokeMethod(this, [this, clamped] { meter_->setValue(clamped); },
                                Qt::QueuedConnection);
    });
  } else if (!wanted && meterRunning_) {
    StopMeter();
  }
}

void CameraRecorderPageView::StopPreview() {
  if (!previewRunning_) return;
  capture_.StopPreview();
  previewRunning_ = false;
  preview_->Clear();
}

void CameraRecorderPageView::StopMeter() {
  if (!meterRunning_) return;
  capture_.StopLevelMeter();
  meterRunning_ = false;
  meter_->setValue(0);
}

}  // namespace vantaro::ui::qt
