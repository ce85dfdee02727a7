#pragma once
// The Camera Recorder page: the two device lists, the live preview of the chosen camera scaled
// into its area, and the chosen microphone's level meter. Both run only while the page is on
// screen; two timers (800 and 900 ms) start and stop them.

#include <QComboBox>
#include <QImage>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

#include "ui/camera_recorder_page_model.h"
#include "ui/main_window_model.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class PreviewArea : public QWidget {
 public:
  explicit PreviewArea(QWidget* parent) : QWidget(parent) {}
  void SetFrame(QImage frame);
  void Clear();
  const QImage& frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage frame_;
};

class CameraRecorderPageView : public QWidget {
 public:
  // `flags` tell whether the page is on screen; they must outlive the view.
  CameraRecorderPageView(WindowServices& services, const MainWindowModel& window, QWidget* parent);
  ~CameraRecorderPageView() override;

  const CameraRecorderPageModel& model() const { return model_; }
  QComboBox* videoList() const { return video_; }
  QComboBox* audioList() const { return audio_; }
  QProgressBar* levelMeter() const { return meter_; }
  PreviewArea* preview() const { return preview_; }
  bool previewRunning() const { return previewRunning_; }
  bool meterRunning() const { return meterRunning_; }
  // The timers' work, also called by tests.
  void OnCameraTimer();
  void OnAudioTimer();

 private:
  void StopPreview();
  void StopMeter();

  CapturePreview& capture_;
  const MainWindowModel& window_;
  CameraRecorderPageModel model_;
  QComboBox* video_;
  QComboBox* audio_;
  PreviewArea* preview_;
  QProgressBar* meter_;
  QTimer cameraTimer_;
  QTimer audioTimer_;
  bool previewRunning_ = false;
  bool meterRunning_ = false;
};

}  // namespace vantaro::ui::qt
