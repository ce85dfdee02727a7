// What the kernel offers for capture: video4linux nodes that can capture video (a webcam also
// registers metadata nodes, which cannot) and the ALSA streams that can capture sound.

#include <dirent.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  size_t end = text.find_last_not_of(' ');
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

std::vector<std::string> VideoCaptureNodes() {
  std::vector<std::string> nodes;
  DIR* dev = ::opendir("/dev");
  if (!dev) return nodes;
  while (dirent* entry = ::readdir(dev)) {
    std::string name = entry->d_name;
    if (name.starts_with("video")) nodes.push_back("/dev/" + name);
  }
  ::closedir(dev);
  std::sort(nodes.begin(), nodes.end());
  std::vector<std::string> names;
  for (const std::string& node : nodes) {
    int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    v4l2_capability caps{};
    if (::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0) {
      uint32_t c =
          (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
      if (c & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE))
        names.push_back(std::string(reinterpret_cast<const char*>(caps.card)) + " (" + node + ")");
    }
    ::close(fd);
  }
  return names;
}

// /proc/asound/pcm: "00-00: ALC892 Analog : ALC892 Analog : playback 1 : capture 1".
std::vector<std::string> AudioCaptureStreams() {
  std::vector<std::string> names;
  std::ifstream pcm("/proc/asound/pcm");
  std::string line;
  while (std::getline(pcm, line)) {
    if (line.find(": capture") == std::string::npos) continue;
    size_t first = line.find(':');
    size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    names.push_back(Trim(line.substr(first + 1, second - first - 1)) +
                    " (hw:" + std::to_string(std::stoi(line.substr(0, 2))) + "," +
                    std::to_string(std::stoi(line.substr(3, 2))) + ")");
  }
  return names;
}

class KernelCaptureDeviceProbe : public CaptureDeviceProbe {
 public:
  CaptureFacts Query() override { return {VideoCaptureNodes(), AudioCaptureStreams()}; }
};

}  // namespace

std::unique_ptr<CaptureDeviceProbe> CreateKernelCaptureDeviceProbe() {
  return std::make_unique<KernelCaptureDeviceProbe>();
}

}  // namespace vantaro::platform
