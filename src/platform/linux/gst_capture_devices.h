#pragma once
// Cameras and microphones through GStreamer: a device monitor lists the video and audio sources
// (V4L2 cameras, PipeWire and PulseAudio sources, whatever providers the machine has), and each
// capture is a small pipeline from the device's element through GStreamer's converters to an
// application sink, pulled by a thread of the capture's own.

#include <memory>

#include "platform/capture_devices.h"
#include "platform/self_check_probes.h"

namespace vantaro::platform {

std::unique_ptr<CaptureDevices> CreateGstCaptureDevices();
// The self-check's view of the same lists, so that it names exactly the devices the server offers.
std::unique_ptr<CaptureDeviceProbe> CreateGstCaptureDeviceProbe();

}  // namespace vantaro::platform
