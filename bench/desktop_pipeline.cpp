// The whole desktop stream on a private 1920 x 1080 Xvfb screen on which a 1280 x 720 region
// scrolls text (every 10 ms; every 4 ms for the uncapped rate), as a device over loopback receives
// it, next to FFmpeg's x11grab with area scaling and libx264 at the same settings, in the same run:
//   - frame age at the device (picture taken to packet read) for devices that read 30 and 60
//     frames a second, at the default cap of 60;
//   - CPU time per frame at 60 frames a second, against FFmpeg with -framerate 60;
//   - CPU load of a stream of an unchanged screen;
//   - the uncapped frame rate (max_fps 0) against FFmpeg's, at 1280 x 720 and 1066 x 600.
// Our CPU time is the process's less the device's thread; FFmpeg's is its child's. The X server's
// own work is in neither. Run by hand; needs Xvfb and ffmpeg.

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "desktop/desktop_stream.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/x11_screen_source.h"
#include "support/device_client.h"
#include "support/wire.h"
#include "support/xvfb_display.h"

extern char** environ;

namespace {

using namespace vantaro;
using Clock = std::chrono::steady_clock;

class QuietObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(int who) {
  rusage u{};
  ::getrusage(who, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Load() {
  double l[1] = {0};
  ::getloadavg(l, 1);
  return l[0];
}

// The animation, in a process of its own so that its CPU time is not counted as ours: a grey
// screen with a 1280 x 720 window in the middle whose text scrolls every 10 ms.
int Animate(const char* display, int periodMs) {
  xcb_connection_t* c = xcb_connect(display, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  uint32_t grey = 0x808080;
  xcb_change_window_attributes(c, s->root, XCB_CW_BACK_PIXEL, &grey);
  xcb_clear_area(c, 0, s->root, 0, 0, 0, 0);
  xcb_window_t w = xcb_generate_id(c);
  uint32_t values[] = {s->white_pixel};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 320, 180, 1280, 720, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, XCB_CW_BACK_PIXEL, values);
  xcb_map_window(c, w);
  xcb_gcontext_t gc = xcb_generate_id(c);
  uint32_t gcValues[] = {s->black_pixel, s->white_pixel};
  xcb_create_gc(c, gc, w, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, gcValues);
  const std::string line = "The quick brown fox jumps over the lazy dog 0123456789 ";
  for (int frame = 0;; ++frame) {
    xcb_clear_area(c, 0, w, 0, 0, 0, 0);
    for (int row = 0; row < 56; ++row) {
      std::string text = std::to_string(frame + row) + " " + line + line + line;
      text.resize(170);
      xcb_image_text_8(c, static_cast<uint8_t>(text.size()), w, gc, 4,
                       static_cast<int16_t>(14 + row * 13 - frame % 13), text.c_str());
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (xcb_connection_has_error(c)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
  }
}

pid_t StartAnimation(const std::string& display, int periodMs) {
  std::string self = "/proc/self/exe", period = std::to_string(periodMs);
  char* argv[] = {self.data(), const_cast<char*>("--animate"), const_cast<char*>(display.c_str()),
                  period.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) return -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return pid;
}

void StopAnimation(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

struct StreamRun {
  long frames = 0;
  double seconds = 0;
  double cpuSeconds = 0;        // from before the start to after the stop
  double steadyCpuSeconds = 0;  // from the first frame's arrival to the end of the run
  double steadySeconds = 0;
  std::vector<double> agesMs;  // after the first second
  double Fps() const { return seconds > 0 ? frames / seconds : 0; }
  double CpuMsPerFrame() const { return frames > 0 ? cpuSeconds * 1000 / frames : 0; }
  double Percentile(double p) const {
    if (agesMs.empty()) return 0;
    std::vector<double> sorted = agesMs;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * sorted.size()))];
  }
};

// Our stream as a device receives it. `deviceFps` 0: the device reads as fast as it can;
// otherwise it takes one frame packet per 1/deviceFps seconds, like a phone whose decoder is
// the bottleneck.
StreamRun OurStream(int32_t option, int deviceW, int deviceH, int32_t maxFps, int deviceFps,
                    double seconds) {
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
  desktop::DesktopStream stream(state, *source, "", maxFps);
  std::mutex capturedLock;
  std::vector<Clock::time_point> captured;
  stream.SetFrameSentHook([&](Clock::time_point at) {
    std::lock_guard<std::mutex> guard(capturedLock);
    captured.push_back(at);
  });
  std::vector<Clock::time_point> arrived;
  double cpuStart = CpuSeconds(RUSAGE_SELF), deviceCpuStart = CpuSeconds(RUSAGE_THREAD);
  stream.OnStartStream(option);
  auto start = Clock::now();
  double steadyCpuStart = 0;
  Clock::time_point steadyStart = start;
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    std::string head = device.Receive(16);
    if (head.size() < 16) break;
    std::string rest = device.Receive(static_cast<size_t>(testing::ReadLe32(head, 4)) + 6);
    if (testing::ReadLe32(head, 0) != 2001) continue;
    arrived.push_back(Clock::now());
    if (arrived.size() == 1) {
      steadyCpuStart = CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD);
      steadyStart = arrived.back();
    }
    if (deviceFps > 0)
      std::this_thread::sleep_until(
          start + std::chrono::duration<double>(static_cast<double>(arrived.size()) / deviceFps));
  }
  StreamRun run;
  run.seconds = Seconds(Clock::now() - start);
  run.steadySeconds = Seconds(Clock::now() - steadyStart);
  run.steadyCpuSeconds = CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD) - steadyCpuStart;
  stream.OnEndMode();
  state.dataSocket.Close();
  stream.StopAll();
  run.cpuSeconds =
      (CpuSeconds(RUSAGE_SELF) - cpuStart) - (CpuSeconds(RUSAGE_THREAD) - deviceCpuStart);
  run.frames = static_cast<long>(arrived.size());
  for (size_t i = 0; i < arrived.size() && i < captured.size(); ++i) {
    if (arrived[i] - start < std::chrono::seconds(1)) continue;
    run.agesMs.push_back(Seconds(arrived[i] - captured[i]) * 1000);
  }
  return run;
}

struct FfmpegRun {
  double frames = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  double Fps() const { return seconds > 0 ? frames / seconds : 0; }
  double CpuMsPerFrame() const { return frames > 0 ? cpuSeconds * 1000 / frames : 0; }
};

// FFmpeg's x11grab, area scaling and libx264 at the same settings, for `seconds` of input.
FfmpegRun FfmpegStream(const std::string& display, int w, int h, int framerate, int seconds) {
  FfmpegRun run;
  int err[2];
  if (::pipe(err) != 0) return run;
  std::string scale =
      "scale=" + std::to_string(w) + ":" + std::to_string(h) + ":flags=area,format=yuv420p";
  std::string duration = std::to_string(seconds), rate = std::to_string(framerate);
  auto start = Clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], 2);
    ::close(err[0]);
    ::execlp("ffmpeg", "ffmpeg", "-hide_banner", "-nostdin", "-f", "x11grab", "-framerate",
             rate.c_str(), "-video_size", "1920x1080", "-i", display.c_str(), "-t",
             duration.c_str(), "-vf", scale.c_str(), "-c:v", "libx264", "-preset", "veryfast",
             "-tune", "zerolatency", "-profile:v", "baseline", "-threads", "1", "-crf", "25",
             "-crf_max", "35", "-g", "25", "-intra-refresh", "1", "-f", "null", "-",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(err[1]);
  std::string log;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(err[0], buf, sizeof(buf))) > 0) log.append(buf, static_cast<size_t>(n));
  ::close(err[0]);
  rusage u{};
  int status = 0;
  ::wait4(pid, &status, 0, &u);
  run.seconds = Seconds(Clock::now() - start);
  run.cpuSeconds =
      u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  size_t at = log.rfind("frame=");
  if (at != std::string::npos) run.frames = std::atof(log.c_str() + at + 6);
  // Its frame count covers `seconds` of input; the wall time adds its start-up.
  run.seconds = seconds;
  return run;
}

void FrameAge(int deviceFps) {
  StreamRun run = OurStream(1, 1280, 720, 60, deviceFps, 7.0);
  std::printf(
      "frame age, device reading %d fps, cap 60, 1280x720: %.1f fps, p50 %.1f ms, p99 %.1f "
      "ms, max %.1f ms (%zu frames, load %.2f)\n",
      deviceFps, run.Fps(), run.Percentile(0.5), run.Percentile(0.99), run.Percentile(1.0),
      run.agesMs.size(), Load());
  std::fflush(stdout);
}

void CpuAtSixty(const std::string& display) {
  for (int round = 0; round < 2; ++round) {
    StreamRun ours = OurStream(1, 1280, 720, 60, 0, 4.0);
    FfmpegRun theirs = FfmpegStream(display, 1280, 720, 60, 4);
    std::printf(
        "cpu per frame at 60 fps, 1280x720: ours %.2f ms (%.1f fps), ffmpeg %.2f ms (%.1f "
        "fps), ratio %.2f (load %.2f)\n",
        ours.CpuMsPerFrame(), ours.Fps(), theirs.CpuMsPerFrame(), theirs.Fps(),
        theirs.CpuMsPerFrame() > 0 ? ours.CpuMsPerFrame() / theirs.CpuMsPerFrame() : 0, Load());
    std::fflush(stdout);
  }
}

void Uncapped(const std::string& display) {
  struct Size {
    int32_t option, deviceW, deviceH, w, h;
  };
  for (Size s : {Size{1, 1280, 720, 1280, 720}, Size{4, 0, 0, 1066, 600}}) {
    double ours = 0, theirs = 0;
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
      ours += OurStream(s.option, s.deviceW, s.deviceH, 0, 0, 3.0).Fps() / kRounds;
      theirs += FfmpegStream(display, s.w, s.h, 1000, 3).Fps() / kRounds;
    }
    std::printf("uncapped %dx%d: ours %.1f fps, ffmpeg %.1f fps, ratio %.2f (load %.2f)\n", s.w,
                s.h, ours, theirs, theirs > 0 ? ours / theirs : 0.0, Load());
    std::fflush(stdout);
  }
}

void Unchanged() {
  StreamRun run = OurStream(1, 1280, 720, 60, 0, 8.0);
  std::printf(
      "unchanged screen, cap 60, 1280x720: %.2f %% of a core while streaming (%.2f %% with "
      "the start and stop), %.2f frames a second (load %.2f)\n",
      run.steadyCpuSeconds / run.steadySeconds * 100, run.cpuSeconds / run.seconds * 100, run.Fps(),
      Load());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--animate") == 0)
    return Animate(argv[2], std::atoi(argv[3]));
  testing::XvfbDisplay xvfb("1920x1080x24");
  if (!xvfb.ok()) {
    std::fprintf(stderr, "%s\n", xvfb.error().c_str());
    return 1;
  }
  ::setenv("DISPLAY", xvfb.name().c_str(), 1);
  std::string only = argc == 2 ? argv[1] : "";
  pid_t animation = StartAnimation(xvfb.name(), 10);
  if (only.empty() || only == "age") {
    FrameAge(30);
    FrameAge(60);
  }
  if (only.empty() || only == "cpu") CpuAtSixty(xvfb.name());
  StopAnimation(animation);
  if (only.empty() || only == "uncapped") {
    // A screen that changes faster than either side can take it: without a cap only changed
    // pictures are taken, so a slower animation would measure the animation.
    animation = StartAnimation(xvfb.name(), 4);
    Uncapped(xvfb.name());
    StopAnimation(animation);
  }
  if (only.empty() || only == "unchanged") Unchanged();
  return 0;
}
