#pragma once
// The synthetic devices of the "--test-capture-devices" option: exactly one camera, "Test camera"
// (640 x 480 at 30 frames a second, the SMPTE colour bars), and one microphone, "Test microphone"
// (a 1 kHz sine at half of full scale), and no real device. Both deliver in real time from a
// thread of their own, as a real device would, so that the whole camera and recorder pipeline
// can be tried on a computer without a camera and run by the tests. Portable code only.

#include <memory>

#include "platform/capture_devices.h"

namespace vantaro::capture {

inline constexpr char kTestCameraName[] = "Test camera";
inline constexpr char kTestMicrophoneName[] = "Test microphone";
inline constexpr int32_t kTestCameraWidth = 640;
inline constexpr int32_t kTestCameraHeight = 480;
inline constexpr int kTestCameraFps = 30;
inline constexpr double kTestToneHz = 1000.0;
inline constexpr double kTestToneAmplitude = 16384.0;  // half of full scale

std::unique_ptr<platform::CaptureDevices> CreateTestCaptureDevices();

}  // namespace vantaro::capture
