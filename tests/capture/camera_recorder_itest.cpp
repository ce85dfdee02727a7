// The real server with its synthetic capture devices, driven as a device: the welcome reply
// reports a camera and a microphone, Camera mode streams the colour bars as frames that decode
// one by one, and Recorder mode streams the tone as Speex that decodes back to 1 kHz.

#include <gtest/gtest.h>
#include <speex/speex.h>

#include <cmath>
#include <memory>
#include <vector>

#include "capture_itest_support.h"

namespace vantaro::testing {
namespace {

class CameraRecorderItest : public ::testing::Test {
 protected:
  void Connect(int32_t appVersion, int32_t mode) {
    ServerOptions options;
    options.args.push_back("--test-capture-devices");
    server = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->WaitForLine("status 1:"), 0) << server->Stderr();
    ASSERT_TRUE(control.Connect(server->controlPort()));
    ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("Tablet", appVersion))));
    ASSERT_EQ(Hex(control.Receive(30)), Hex(WelcomeReply(1, 1)));
    ASSERT_TRUE(data.Connect(server->dataPort(), 2000));
    ASSERT_TRUE(control.Send(ControlMessage(300, 0, Le32(mode))));
    ASSERT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2006)));
    ASSERT_TRUE(control.Send(ControlMessage(400, 0, Le32(0))));
  }

  std::unique_ptr<ServerProcess> server;
  DeviceClient control;
  DeviceClient data;
};

TEST_F(CameraRecorderItest, CameraModeStreamsTheColourBarsFrameByFrame) {
  Connect(10500, 103);
  std::vector<MediaPacket> video;
  int audio = 0;
  while (video.size() < 5) {
    MediaPacket p = ReadMediaPacket(data);
    ASSERT_NE(p.type, 0) << server->Stderr();
    if (p.type == 2002 || p.type == 2004) {
      ++audio;
    } else {
      video.push_back(p);
    }
  }
  ASSERT_EQ(video[0].type, 2003);
  ASSERT_EQ(video[0].payload.size(), 12u);
  EXPECT_EQ(ReadLe32(video[0].payload, 0), 640);
  EXPECT_EQ(ReadLe32(video[0].payload, 4), 480);
  EXPECT_EQ(ReadLe32(video[0].payload, 8), 25);
  for (size_t i = 1; i < video.size(); ++i) {
    ASSERT_EQ(video[i].type, 2001);
    H264TestDecoder decoder;  // a fresh one for every frame: each decodes alone
    std::vector<DecodedPicture> pictures;
    ASSERT_TRUE(decoder.Decode(video[i].payload, &pictures));
    ASSERT_TRUE(decoder.Flush(&pictures));
    ASSERT_EQ(pictures.size(), 1u) << "frame " << i;
    ASSERT_EQ(pictures[0].width, 640);
    ASSERT_EQ(pictures[0].height, 480);
    ExpectColourBars(pictures[0]);
  }
  // The camera brings the microphone with it.
  for (int i = 0; i < 200 && audio == 0; ++i) {
    MediaPacket p = ReadMediaPacket(data);
    ASSERT_NE(p.type, 0);
    if (p.type == 2004) ++audio;
  }
  EXPECT_GT(audio, 0);
}

TEST_F(CameraRecorderItest, RecorderModeStreamsTheToneAsSpeex) {
  Connect(10400, 104);  // an older device: the level follows each buffer
  MediaPacket format = ReadMediaPacket(data, 10000);
  ASSERT_EQ(format.type, 2004) << server->Stderr();
  ASSERT_EQ(format.payload.size(), 12u);
  EXPECT_EQ(ReadLe32(format.payload, 0), 44100);
  EXPECT_GE(format.time, 960.0 / 44100.0);
  EXPECT_LT(format.time, 0.1);

  std::vector<float> samples;
  void* decoder = speex_decoder_init(&speex_nb_mode);
  SpeexBits bits;
  speex_bits_init(&bits);
  for (int i = 0; i < 20; ++i) {
    MediaPacket p = ReadMediaPacket(data);
    ASSERT_EQ(p.type, 2002);
    ASSERT_GT(p.payload.size(), 84u);
    const int32_t frameBytes = ReadLe32(p.payload, 72);
    ASSERT_GT(frameBytes, 0);
    const size_t frames = (p.payload.size() - 84) / static_cast<size_t>(frameBytes);
    ASSERT_EQ(frames, 6u);
    ASSERT_EQ(p.payload.size(), 84 + frames * frameBytes);
    // Half of full scale: peaks of 256 on both sides, (256 + 256) / 3840 * 100 = 13.
    EXPECT_EQ(ReadLe32(p.payload, p.payload.size() - 4), 13);
    for (size_t f = 0; f < frames; ++f) {
      std::string frame = p.payload.substr(80 + f * frameBytes, frameBytes);
      speex_bits_read_from(&bits, frame.data(), frameBytes);
      float out[160];
      ASSERT_EQ(speex_decode(decoder, &bits, out), 0);
      samples.insert(samples.end(), out, out + 160);
    }
  }
  speex_bits_destroy(&bits);
  speex_decoder_destroy(decoder);
  // Played at 44,100 Hz, the decoded samples are a tone near 1 kHz.
  EXPECT_NEAR(ToneFrequency(samples, 44100), 1000.0, 20.0);
}

// A computer without any camera or microphone: the welcome reply says so and both modes are
// refused with the message for the local user. Pointing the audio client at no server keeps a
// running sound server out of the lists.
TEST(CaptureWithoutDevicesItest, WelcomeReportsNoneAndStartsAreRefused) {
  TempDir nowhere;
  ServerOptions options;
  options.env["PULSE_SERVER"] = "unix:" + nowhere.path() + "/none";
  options.env["PIPEWIRE_REMOTE"] = nowhere.path() + "/none";
  ServerProcess server(options);
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 1:"), 0) << server.Stderr();
  DeviceClient control;
  ASSERT_TRUE(control.Connect(server.controlPort()));
  ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("Tablet"))));
  const std::string welcome = control.Receive(30);
  ASSERT_EQ(welcome.size(), 30u);
  if (ReadLe32(welcome, 16) != 0) GTEST_SKIP() << "this computer has a camera";
  ASSERT_EQ(Hex(welcome), Hex(WelcomeReply(0, 0)));
  for (int32_t mode : {103, 104}) {
    const size_t before = server.Lines().size();
    ASSERT_TRUE(control.Send(ControlMessage(300, 0, Le32(mode))));
    ASSERT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2006)));
    ASSERT_TRUE(control.Send(ControlMessage(400, 0, Le32(0))));
    EXPECT_GE(server.WaitForLine("message: No video or audio device found", 5000, before), 0)
        << mode;
  }
}

}  // namespace
}  // namespace vantaro::testing
