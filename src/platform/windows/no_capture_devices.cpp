// Cameras and microphones are not reached on Windows yet (their capture comes with its own
// graph later): the lists are empty, so the device is told there is neither, and the camera and
// recorder starts are refused as on a computer without them. The synthetic test devices still work.

#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

class NoCaptureDevices : public CaptureDevices {
 public:
  CaptureDeviceList Enumerate() override { return {}; }
  std::unique_ptr<VideoCapture> CreateVideoCapture(int32_t) override { return nullptr; }
  std::unique_ptr<AudioCapture> CreateAudioCapture(int32_t) override { return nullptr; }
};

}  // namespace

std::unique_ptr<CaptureDevices> CreateNoCaptureDevices() {
  return std::make_unique<NoCaptureDevices>();
}

}  // namespace vantaro::platform
