#include "capture/camera_recorder.h"

#include "capture/camera_stream.h"
#include "capture/microphone_stream.h"
#include "capture/page_state.h"

namespace vantaro::capture {

CameraRecorder::CameraRecorder(platform::CaptureDevices& devices, app::AppState& state,
                               app::EventLoop& loop, platform::Clock& clock, std::string noneText)
    : loop_(loop),
      choice_(devices, state.videoInputCount, state.audioInputCount, std::move(noneText)),
      page_(std::make_unique<PageState>()),
      camera_(
          std::make_unique<CameraStream>(state.media, state.dataSocket, choice_, *page_, clock)),
      microphone_(std::make_unique<MicrophoneStream>(state.media, state.dataSocket, choice_, *page_,
                                                     clock, &CreateSpeexFrameEncoder)) {}

CameraRecorder::~CameraRecorder() { Stop(); }

void CameraRecorder::Start() {
  if (started_) return;
  started_ = true;
  choice_.Enumerate();
  loop_.StartTimer(kCameraTimerId, kCameraTimerMs, [this] { OnCameraTimer(); });
  loop_.StartTimer(kAudioTimerId, kAudioTimerMs, [this] { OnAudioTimer(); });
}

void CameraRecorder::Stop() {
  loop_.StopTimer(kCameraTimerId);
  loop_.StopTimer(kAudioTimerId);
  camera_->StopCameraGraph(false);
  microphone_->StopAudioCapture(false);
  started_ = false;
}

void CameraRecorder::OnVideoInputChanged(int32_t position) {
  if (choice_.SelectVideo(position, camera_->graphRunning())) camera_->StopCameraGraph();
}

void CameraRecorder::OnAudioInputChanged(int32_t position) {
  if (choice_.SelectAudio(position, microphone_->recordingActive())) {
    microphone_->StopAudioCapture();
  }
}

void CameraRecorder::SetSettingsPageShown(bool shown) { page_->settingsPageShown.store(shown); }

void CameraRecorder::SetCameraSubPageShown(bool shown) { page_->cameraSubPageShown.store(shown); }

void CameraRecorder::SetObserver(CapturePreviewObserver* observer) { page_->SetObserver(observer); }

void CameraRecorder::OnCameraTimer() { camera_->OnCameraTimer(); }

void CameraRecorder::OnAudioTimer() { microphone_->OnAudioTimer(); }

bool CameraRecorder::graphRunning() const { return camera_->graphRunning(); }

bool CameraRecorder::recordingActive() const { return microphone_->recordingActive(); }

}  // namespace vantaro::capture
