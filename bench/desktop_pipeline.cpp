// The whole desktop pipeline on a private 1920 x 1080 Xvfb screen with changing content: our
// capture + scale + cursor + conversion + encoding, sent over loopback to a reading device, next to
// FFmpeg's x11grab with libx264 at the same settings. Prints frames per second and their ratio,
// and the share of a frame's time spent before the encoder. Run by hand; needs Xvfb and ffmpeg.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "desktop/desktop_stream.h"
#include "desktop/frame_composer.h"
#include "desktop/video_encoder.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/x11_screen_source.h"
#include "support/device_client.h"
#include "support/wire.h"
#include "support/xvfb_display.h"

namespace {

using namespace vantaro;
using Clock = std::chrono::steady_clock;
// Each side runs in kRounds slices of kSeconds, taking turns, so that a change in the load from
// other work on the machine falls on both alike.
constexpr double kSeconds = 3.0;
constexpr int kRounds = 3;

class QuietObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

// Scrolls lines of text in a window that covers the screen, about 60 times a second.
void Animate(const std::string& display, std::atomic<bool>& stop) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t w = xcb_generate_id(c);
  uint32_t values[] = {s->white_pixel};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 0, 0, 1920, 1080, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, XCB_CW_BACK_PIXEL, values);
  xcb_map_window(c, w);
  xcb_gcontext_t gc = xcb_generate_id(c);
  uint32_t gcValues[] = {s->black_pixel, s->white_pixel};
  xcb_create_gc(c, gc, w, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, gcValues);
  const std::string line = "The quick brown fox jumps over the lazy dog 0123456789 ";
  for (int frame = 0; !stop.load(); ++frame) {
    xcb_clear_area(c, 0, w, 0, 0, 0, 0);
    for (int row = 0; row < 80; ++row) {
      std::string text = std::to_string(frame + row) + " " + line + line + line;
      text.resize(250);
      xcb_image_text_8(c, static_cast<uint8_t>(text.size()), w, gc, 4,
                       static_cast<int16_t>(14 + row * 13 - frame % 13), text.c_str());
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  xcb_disconnect(c);
}

// Our stream as a device receives it: frames per second over loopback.
double OurStream(int32_t option, int deviceW, int deviceH) {
  QuietObserver observer;
  app::AppState state(observer);
  state.deviceDisplayWidth = deviceW;
  state.deviceDisplayHeight = deviceH;
  state.media.sessionMode = app::kModeRemoteDesktop;
  auto network = platform::CreatePosixNetwork();
  std::string error;
  uint16_t port = 0;
  std::unique_ptr<platform::ListenSocket> listener;
  for (uint16_t p = 47000; p < 47100 && !listener; ++p) {
    listener = network->ListenTcp(p, &error);
    port = p;
  }
  testing::DeviceClient device;
  std::thread connector([&] { device.Connect(port); });
  state.dataSocket.Replace(listener->Accept());
  connector.join();
  auto source = platform::CreateX11ScreenSource();
  desktop::DesktopStream stream(state, *source, "");
  stream.OnStartStream(option);
  long frames = 0;
  auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < kSeconds) {
    std::string head = device.Receive(16);
    if (head.size() < 16) break;
    std::string rest = device.Receive(static_cast<size_t>(testing::ReadLe32(head, 4)) + 6);
    if (testing::ReadLe32(head, 0) == 2001) ++frames;
    if (frames == 1) start = Clock::now();
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  stream.OnEndMode();
  state.dataSocket.Close();
  stream.StopAll();
  return (frames - 1) / elapsed;
}

// Where a frame's time goes, measured on the same loop without the network: the wait for the
// picture, the work before the encoder (scale, cursor, conversion) and the encoder, in
// milliseconds per frame.
struct FrameTimes {
  double capture = 0, compose = 0, encode = 0;
  double Share() const { return (capture + compose) / (capture + compose + encode); }
};

FrameTimes MeasureFrameTimes(int w, int h) {
  FrameTimes times;
  auto source = platform::CreateX11ScreenSource();
  platform::ScreenSize size;
  std::string error;
  if (!source->Start(&size, &error)) return times;
  desktop::VideoEncoderContext encoder;
  encoder.OpenVideoEncoder(w, h);
  desktop::I420Planes planes{encoder.plane(0),  encoder.plane(1),  encoder.plane(2),
                             encoder.stride(0), encoder.stride(1), encoder.stride(2)};
  desktop::FrameComposer composer({w, h});
  constexpr int kFrames = 300;
  for (int i = 0; i < kFrames; ++i) {
    auto t0 = Clock::now();
    platform::ScreenFrame frame;
    bool ok = source->CaptureFrame(&frame) == platform::CaptureResult::kOk;
    auto t1 = Clock::now();
    if (ok) composer.Compose(frame, planes);
    auto t2 = Clock::now();
    encoder.EncodeVideoPicture(i);
    auto t3 = Clock::now();
    times.capture += std::chrono::duration<double, std::milli>(t1 - t0).count() / kFrames;
    times.compose += std::chrono::duration<double, std::milli>(t2 - t1).count() / kFrames;
    times.encode += std::chrono::duration<double, std::milli>(t3 - t2).count() / kFrames;
  }
  source->Stop();
  return times;
}

// FFmpeg's x11grab with libx264 at the same settings; frames per second from its frame count.
double FfmpegStream(const std::string& display, int w, int h) {
  int err[2];
  if (::pipe(err) != 0) return -1;
  std::string scale =
      "scale=" + std::to_string(w) + ":" + std::to_string(h) + ":flags=area,format=yuv420p";
  std::string duration = std::to_string(static_cast<int>(kSeconds));
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], 2);
    ::close(err[0]);
    ::execlp("ffmpeg", "ffmpeg", "-hide_banner", "-nostdin", "-f", "x11grab", "-framerate", "1000",
             "-video_size", "1920x1080", "-i", display.c_str(), "-t", duration.c_str(), "-vf",
             scale.c_str(), "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency",
             "-profile:v", "baseline", "-threads", "1", "-crf", "25", "-crf_max", "35", "-g", "25",
             "-intra-refresh", "1", "-f", "null", "-", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(err[1]);
  std::string log;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(err[0], buf, sizeof(buf))) > 0) log.append(buf, static_cast<size_t>(n));
  ::close(err[0]);
  ::waitpid(pid, nullptr, 0);
  size_t at = log.rfind("frame=");
  if (at == std::string::npos) return -1;
  return std::atof(log.c_str() + at + 6) / kSeconds;
}

}  // namespace

int main() {
  testing::XvfbDisplay xvfb("1920x1080x24");
  if (!xvfb.ok()) {
    std::fprintf(stderr, "%s\n", xvfb.error().c_str());
    return 1;
  }
  ::setenv("DISPLAY", xvfb.name().c_str(), 1);
  std::atomic<bool> stop{false};
  std::thread animator(Animate, xvfb.name(), std::ref(stop));
  struct Size {
    int32_t option, deviceW, deviceH, w, h;
  };
  for (Size s : {Size{1, 1280, 720, 1280, 720}, Size{4, 0, 0, 1066, 600}}) {
    double ours = 0, theirs = 0;
    for (int round = 0; round < kRounds; ++round) {
      ours += OurStream(s.option, s.deviceW, s.deviceH) / kRounds;
      theirs += FfmpegStream(xvfb.name(), s.w, s.h) / kRounds;
    }
    FrameTimes times = MeasureFrameTimes(s.w, s.h);
    std::printf(
        "%dx%d: ours %.1f fps, ffmpeg x11grab+libx264 %.1f fps, ratio %.2f, "
        "before the encoder %.0f %% of a frame (capture %.2f ms, scale + cursor + "
        "conversion %.2f ms, encoder %.2f ms)\n",
        s.w, s.h, ours, theirs, theirs > 0 ? ours / theirs : 0.0, times.Share() * 100,
        times.capture, times.compose, times.encode);
    std::fflush(stdout);
  }
  stop = true;
  animator.join();
  return 0;
}
