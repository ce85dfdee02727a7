// The real server with the machine's own capture devices and a real audio server: a PulseAudio
// daemon of the test's own (a user daemon on a private socket, no hardware) plays a 1 kHz tone
// into a null sink, whose monitor is then the microphone that GStreamer lists and records.

#include <gtest/gtest.h>
#include <speex/speex.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "capture_itest_support.h"

namespace vantaro::testing {
namespace {

constexpr char kPulseAudio[] = "/usr/bin/pulseaudio";

class PulseAudioItest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kPulseAudio, X_OK) != 0) GTEST_SKIP() << "PulseAudio is not installed";
    socketPath = runtime.path() + "/native";
    ServerOptions options;
    options.binary = kPulseAudio;
    options.writeSettings = false;
    options.args = {"--daemonize=no",
                    "-n",
                    "--exit-idle-time=-1",
                    "--disable-shm=yes",
                    "--log-target=stderr",
                    "-L",
                    "module-native-protocol-unix auth-anonymous=1 socket=" + socketPath,
                    "-L",
                    "module-null-sink sink_name=vantaro_test",
                    "-L",
                    "module-sine sink=vantaro_test frequency=1000"};
    options.env["XDG_RUNTIME_DIR"] = runtime.path();
    daemon = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(daemon->Start());
    // The socket appears once the daemon serves; a daemon that cannot run here ends instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(socketPath)) {
      if (daemon->WaitExit(50) != -1 || std::chrono::steady_clock::now() > deadline) {
        GTEST_SKIP() << "PulseAudio cannot run here: " << daemon->Stderr();
      }
    }
  }

  TempDir runtime;
  std::string socketPath;
  std::unique_ptr<ServerProcess> daemon;
};

TEST_F(PulseAudioItest, ToneIntoTheNullSinkArrivesAtTheDevice) {
  ServerOptions options;
  options.env["PULSE_SERVER"] = "unix:" + socketPath;
  ServerProcess server(options);
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 1:"), 0) << server.Stderr();
  DeviceClient control, data;
  ASSERT_TRUE(control.Connect(server.controlPort()));
  ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("Tablet", 10500))));
  std::string welcome = control.Receive(30);
  ASSERT_EQ(welcome.size(), 30u);
  ASSERT_EQ(ReadLe32(welcome, 20), 1) << "no microphone listed: " << server.Stderr();
  ASSERT_TRUE(data.Connect(server.dataPort(), 2000));
  ASSERT_TRUE(control.Send(ControlMessage(300, 0, Le32(104))));
  ASSERT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2006)));
  ASSERT_TRUE(control.Send(ControlMessage(400, 0, Le32(0))));

  MediaPacket format = ReadMediaPacket(data, 10000);
  ASSERT_EQ(format.type, 2004) << server.Stderr();
  std::vector<float> samples;
  void* decoder = speex_decoder_init(&speex_nb_mode);
  SpeexBits bits;
  speex_bits_init(&bits);
  for (int i = 0; i < 30; ++i) {
    MediaPacket p = ReadMediaPacket(data);
    ASSERT_EQ(p.type, 2002) << server.Stderr();
    const int32_t frameBytes = ReadLe32(p.payload, 72);
    ASSERT_GT(frameBytes, 0);
    for (size_t at = 80; at + frameBytes <= p.payload.size(); at += frameBytes) {
      std::string frame = p.payload.substr(at, frameBytes);
      speex_bits_read_from(&bits, frame.data(), frameBytes);
      float out[160];
      ASSERT_EQ(speex_decode(decoder, &bits, out), 0);
      samples.insert(samples.end(), out, out + 160);
    }
  }
  speex_bits_destroy(&bits);
  speex_decoder_destroy(decoder);
  EXPECT_NEAR(ToneFrequency(samples, 44100), 1000.0, 20.0);
}

}  // namespace
}  // namespace vantaro::testing
