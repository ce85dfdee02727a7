#pragma once
// The shared state, a recording data connection, a fake clock and scripted devices, with the
// media packets the streams sent read back from the connection.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "capture/capture_device_choice.h"
#include "capture/page_state.h"
#include "platform/fakes/fake_capture_devices.h"
#include "platform/fakes/fake_clock.h"
#include "platform/fakes/fake_socket.h"

namespace vantaro::capture {

struct SentPacket {
  int32_t type = 0;
  double time = 0;
  std::vector<uint8_t> payload;
};

inline int32_t ReadLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

// Splits the bytes into media packets; a malformed packet ends the list with type -1.
inline std::vector<SentPacket> ParsePackets(const std::string& bytes) {
  std::vector<SentPacket> out;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t at = 0;
  while (at + 22 <= bytes.size()) {
    SentPacket packet;
    packet.type = ReadLe32(p + at);
    const int32_t n = ReadLe32(p + at + 4);
    if (n < 0 || at + 22 + static_cast<size_t>(n) > bytes.size() ||
        std::memcmp(p + at + 16 + n, "\nkvrt\n", 6) != 0) {
      out.push_back(SentPacket{-1, 0, {}});
      return out;
    }
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[at + 8 + i];
    std::memcpy(&packet.time, &bits, sizeof(bits));
    packet.payload.assign(p + at + 16, p + at + 16 + n);
    out.push_back(std::move(packet));
    at += 22 + static_cast<size_t>(n);
  }
  return out;
}

class NullStatusObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

struct CaptureFixture {
  explicit CaptureFixture(std::vector<std::string> video = {"Cam A", "Cam B"},
                          std::vector<std::string> audio = {"Mic A", "Mic B"})
      : devices(std::move(video), std::move(audio)),
        choice(devices, state.videoInputCount, state.audioInputCount, "None") {
    state.dataSocket.Replace(socket);
    choice.Enumerate();
  }
  std::vector<SentPacket> Packets() { return ParsePackets(socket->Sent()); }
  void ShowPage(bool shown) {
    page.settingsPageShown = shown;
    page.cameraSubPageShown = shown;
  }
  // What the control thread does for a start in camera mode, and for the end of a mode.
  void StartCamera() {
    state.media.cameraOn = true;
    state.media.cameraChangePending = true;
    StartRecorder();
  }
  void StartRecorder() {
    state.media.recorderOn = true;
    state.media.recorderChangePending = true;
  }
  void EndMode() {
    if (state.media.cameraOn.exchange(false)) state.media.cameraChangePending = true;
    if (state.media.recorderOn.exchange(false)) state.media.recorderChangePending = true;
  }

  NullStatusObserver observer;
  app::AppState state{observer};
  std::shared_ptr<platform::FakeStreamSocket> socket =
      std::make_shared<platform::FakeStreamSocket>();
  platform::FakeClock clock;
  platform::FakeCaptureDevices devices;
  CaptureDeviceChoice choice;
  PageState page;
};

}  // namespace vantaro::capture
