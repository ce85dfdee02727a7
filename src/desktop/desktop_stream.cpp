#include "desktop/desktop_stream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include "desktop/frame_composer.h"
#include "desktop/media_packet.h"
#include "desktop/picture_exchange.h"

namespace vantaro::desktop {

namespace {

// The longest that the capture thread waits at a time before it looks at the stream flag again.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

StreamClock::duration FrameInterval(int32_t maxFps) {
  if (maxFps < 0) maxFps = kDefaultMaxFps;
  if (maxFps == 0) return StreamClock::duration::zero();
  return std::chrono::duration_cast<StreamClock::duration>(std::chrono::seconds(1)) / maxFps;
}

int Milliseconds(StreamClock::duration d) {
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
  return static_cast<int>(std::max<long long>(ms, 0));
}

}  // namespace

DesktopStream::DesktopStream(app::AppState& state, platform::ScreenSource& screen,
                             std::string noCaptureDeviceText, int32_t maxFps)
    : state_(state),
      screen_(screen),
      noCaptureDeviceText_(std::move(noCaptureDeviceText)),
      frameInterval_(FrameInterval(maxFps)) {}

DesktopStream::~DesktopStream() { StopAll(); }

void DesktopStream::OnStartStream(int32_t sizeOption) {
  app::MediaFlags& media = state_.media;
  switch (media.sessionMode.load()) {
    case app::kModeRemoteDesktop:
      StartDesktopStream(sizeOption);
      break;
    case app::kModeCamera:
      // The camera always brings the microphone with it.
      if (state_.audioInputCount.load() > 0 && state_.videoInputCount.load() > 0) {
        media.cameraOn = true;
        media.cameraChangePending = true;
        media.recorderOn = true;
        media.recorderChangePending = true;
      } else {
        state_.observer().ShowMessage(noCaptureDeviceText_);
      }
      break;
    case app::kModeRecorder:
      if (state_.audioInputCount.load() > 0) {
        media.recorderOn = true;
        media.recorderChangePending = true;
      } else {
        state_.observer().ShowMessage(noCaptureDeviceText_);
      }
      break;
    default:
      break;
  }
}

void DesktopStream::OnEndMode() {
  app::MediaFlags& media = state_.media;
  media.streamRunning = false;
  if (media.cameraOn.exchange(false)) media.cameraChangePending = true;
  if (media.recorderOn.exchange(false)) media.recorderChangePending = true;
}

void DesktopStream::StopAll() {
  std::lock_guard<std::mutex> guard(threadLock_);
  StopLocked();
}

PictureSize DesktopStream::outputSize() {
  std::lock_guard<std::mutex> guard(threadLock_);
  return output_;
}

void DesktopStream::SetFrameSentHook(FrameSentHook hook) {
  std::lock_guard<std::mutex> guard(threadLock_);
  frameSent_ = std::move(hook);
}

void DesktopStream::StopLocked() {
  state_.media.streamRunning = false;
  if (thread_.joinable()) thread_.join();
}

void DesktopStream::StartDesktopStream(int32_t sizeOption) {
  std::lock_guard<std::mutex> guard(threadLock_);
  StopLocked();
  // The size is read at every start: the resolution may have changed since the last stream.
  platform::ScreenSize screen;
  std::string error;
  if (!screen_.Start(&screen, &error)) {
    std::fprintf(stderr, "remote desktop: no screen to capture (%s)\n", error.c_str());
    return;
  }
  PictureSize device{state_.deviceDisplayWidth.load(), state_.deviceDisplayHeight.load()};
  PictureSize output = ChooseOutputSize(sizeOption, device, {screen.width, screen.height});
  PictureSize chosen = output;
  if (!MakeEncodableSize(&output)) {
    std::fprintf(stderr, "remote desktop: cannot stream a %dx%d picture\n", chosen.width,
                 chosen.height);
    screen_.Stop();
    return;
  }
  output_ = output;
  // Set here, not on the stream thread, so that an end command that follows at once is not
  // overwritten by a thread that starts late.
  state_.media.videoHeaderPending = true;
  state_.media.streamRunning = true;
  thread_ = std::thread(&DesktopStream::RunDesktopStream, this, output);
}

void DesktopStream::RunDesktopStream(PictureSize output) {
  app::MediaFlags& media = state_.media;
  if (!encoder_.OpenVideoEncoder(output.width, output.height, PictureSupply::kCallerBuffer)) {
    media.streamRunning = false;
    screen_.Stop();
    return;
  }
  // Black until the first capture, so that a first capture that fails sends no garbage.
  PictureExchange exchange(output.width, output.height);
  std::atomic<bool> screenLost{false};
  std::thread captureThread(&DesktopStream::RunCapture, this, output, std::ref(exchange),
                            std::ref(screenLost));
  std::vector<uint8_t> packet;
  bool delivered = false;
  for (int64_t frameIndex = 0;; ++frameIndex) {
    const I420Picture* picture = exchange.TakeFilled();
    if (picture == nullptr) break;
    StreamClock::time_point captured = picture->captured;
    encoder_.SetCallerBuffer(picture->bytes.data(), picture->bytes.size());
    int32_t size = encoder_.EncodeVideoPicture(frameIndex);
    if (size > 0) {
      bool sent = SendFrame(output, size, packet);
      // The device that asked for this stream has gone; frames must not flow on to whichever
      // device connects next, and without a format packet.
      if (!sent && delivered) break;
      delivered = delivered || sent;
      if (sent && frameSent_) frameSent_(captured);
    }
    if (!media.streamRunning.load()) break;
  }
  media.streamRunning = false;
  exchange.Close();
  captureThread.join();
  if (screenLost.load())
    std::fprintf(stderr, "remote desktop: the screen went away; stream ended\n");
  encoder_.CloseVideoEncoder();
  screen_.Stop();
}

bool DesktopStream::SendFrame(PictureSize output, int32_t size, std::vector<uint8_t>& packet) {
  app::MediaFlags& media = state_.media;
  bool sent = true;
  double now = WholeSecondsNow();
  if (media.videoHeaderPending.load()) {
    // Cleared only once the format packet went out: no frame reaches a device before it.
    std::vector<uint8_t> format = VideoFormatPayload(output.width, output.height);
    sent = SendMediaPacket(state_.dataSocket, kPacketVideoFormat, now, format.data(), format.size(),
                           packet);
    if (sent) media.videoHeaderPending = false;
  }
  return sent && SendMediaPacket(state_.dataSocket, kPacketVideoFrame, now, encoder_.frameData(),
                                 static_cast<size_t>(size), packet);
}

void DesktopStream::RunCapture(PictureSize output, PictureExchange& exchange,
                               std::atomic<bool>& screenLost) {
  FrameComposer composer(output);
  StreamClock::time_point lastCapture = StreamClock::now() - std::chrono::hours(1);
  StreamClock::duration captureTime{};  // running average of capture + scale + conversion
  for (;;) {
    if (!WaitForTurn(exchange, lastCapture)) break;
    I420Picture* picture = exchange.AcquireFree(captureTime);
    if (picture == nullptr) return;
    StreamClock::time_point started = StreamClock::now();
    platform::ScreenFrame frame;
    platform::CaptureResult result = screen_.CaptureFrame(&frame);
    if (result == platform::CaptureResult::kPermanentFailure) {
      screenLost = true;
      break;
    }
    lastCapture = started;
    // After a temporary failure the previous picture is sent again.
    if (result == platform::CaptureResult::kOk && composer.Compose(frame, picture->planes)) {
      picture->captured = started;
      exchange.Publish(picture);
    } else {
      exchange.PublishRepeat(started);
    }
    StreamClock::duration took = StreamClock::now() - started;
    captureTime =
        captureTime == StreamClock::duration{} ? took : captureTime + (took - captureTime) / 4;
  }
  exchange.Close();
}

bool DesktopStream::WaitForTurn(PictureExchange& exchange, StreamClock::time_point lastCapture) {
  const std::atomic<bool>& running = state_.media.streamRunning;
  // The cap counts from the previous capture, so the time the frame took is not added to it.
  StreamClock::time_point due = lastCapture + frameInterval_;
  while (StreamClock::now() < due) {
    if (!running.load()) return false;
    if (!exchange.WaitUntil(std::min(due, StreamClock::now() + kWaitSlice))) return false;
  }
  const StreamClock::time_point keepAlive = lastCapture + std::chrono::milliseconds(kKeepAliveMs);
  for (;;) {
    if (!running.load()) return false;
    // Room first, then the change: a change that comes while the connection is busy is taken
    // when the connection is free, as it is then. Without a connection the frames are made and
    // their sends fail, as they always did, so that a device that is gone ends the stream.
    platform::SendRoom room =
        state_.dataSocket.WaitForSendRoom(kStreamSendBudget, Milliseconds(kWaitSlice));
    if (room == platform::SendRoom::kBusy) continue;
    StreamClock::time_point now = StreamClock::now();
    if (now >= keepAlive) return true;
    int wait = Milliseconds(std::min<StreamClock::duration>(keepAlive - now, kWaitSlice));
    if (screen_.WaitForChange(wait) != platform::ChangeResult::kUnchanged) return true;
  }
}

}  // namespace vantaro::desktop
