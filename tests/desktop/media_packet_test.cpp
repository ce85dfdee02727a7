#include "desktop/media_packet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/fakes/fake_socket.h"
#include "support/wire.h"

namespace vantaro::desktop {
namespace {

using testing::Le32;
using testing::ReadLe32;

std::string Double(double value) {
  std::string s(8, '\0');
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) s[i] = static_cast<char>(bits >> (8 * i));
  return s;
}

TEST(MediaPacket, LaysOutHeaderPayloadAndTerminator) {
  struct Case {
    int32_t type;
    double time;
    std::string payload;
  };
  const Case cases[] = {
      {kPacketVideoFrame, 1700000000.0, std::string("\0\0\0\1\x67\x42", 6)},
      {kPacketAudioData, 0.0, std::string(1000, 'a')},
      {kPacketAudioFormat, 0.02, ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> packet;
    ASSERT_TRUE(BuildMediaPacket(c.type, c.time,
                                 reinterpret_cast<const uint8_t*>(c.payload.data()),
                                 c.payload.size(), &packet));
    std::string bytes(packet.begin(), packet.end());
    std::string expected = Le32(c.type) + Le32(static_cast<int32_t>(c.payload.size())) +
                           Double(c.time) + c.payload + "\nkvrt\n";
    EXPECT_EQ(bytes.size(), c.payload.size() + 22);
    EXPECT_EQ(testing::Hex(bytes), testing::Hex(expected)) << c.type;
  }
}

TEST(MediaPacket, VideoFormatPacketIs34Bytes) {
  std::vector<uint8_t> payload = VideoFormatPayload(1366, 768);
  std::vector<uint8_t> packet;
  ASSERT_TRUE(BuildMediaPacket(kPacketVideoFormat, 5.0, payload.data(), payload.size(), &packet));
  std::string bytes(packet.begin(), packet.end());
  ASSERT_EQ(bytes.size(), 34u);
  EXPECT_EQ(ReadLe32(bytes, 0), 2003);
  EXPECT_EQ(ReadLe32(bytes, 4), 12);
  EXPECT_EQ(ReadLe32(bytes, 16), 1366);
  EXPECT_EQ(ReadLe32(bytes, 20), 768);
  EXPECT_EQ(ReadLe32(bytes, 24), 25);
  EXPECT_EQ(bytes.substr(28), "\nkvrt\n");
}

TEST(MediaPacket, GoesOutInOneSendAndFailsWithoutAConnection) {
  app::DataConnection connection;
  const uint8_t frame[5] = {0, 0, 0, 1, 0x65};
  EXPECT_FALSE(SendMediaPacket(connection, kPacketVideoFrame, 1.0, frame, sizeof(frame)));

  auto socket = std::make_shared<platform::FakeStreamSocket>();
  connection.Replace(socket);
  std::vector<uint8_t> scratch;
  EXPECT_TRUE(SendMediaPacket(connection, kPacketVideoFrame, 1.0, frame, sizeof(frame), scratch));
  EXPECT_TRUE(SendMediaPacket(connection, kPacketVideoFrame, 1.0, frame, 2, scratch));
  EXPECT_EQ(socket->SendSizes(), (std::vector<size_t>{27, 24}));
  socket->Shutdown();
  EXPECT_FALSE(SendMediaPacket(connection, kPacketVideoFrame, 1.0, frame, sizeof(frame)));
}

TEST(MediaPacket, TimeIsWholeSeconds) {
  double now = WholeSecondsNow();
  EXPECT_EQ(now, std::floor(now));
  EXPECT_GT(now, 1.6e9);
}

}  // namespace
}  // namespace vantaro::desktop
