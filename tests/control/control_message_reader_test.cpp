#include "control/control_message_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/wire.h"

namespace vantaro::control {
namespace {

using testing::ControlMessage;
using testing::Le32;

// Feeds `stream` the way the control thread does: each receive asks for NextReceiveSize() bytes
// but gets at most what the current segment still holds. Returns the messages found and how the
// reading ended.
struct ReadOutcome {
  std::vector<std::string> messages;
  bool error = false;
  size_t leftover = 0;  // bytes never taken from the stream
};

ReadOutcome ReadAll(const std::vector<std::string>& segments) {
  ReadOutcome out;
  ControlMessageReader reader;
  std::string stream;
  for (auto& s : segments) stream += s;
  size_t pos = 0;
  size_t segmentEnd = 0;
  size_t segment = 0;
  while (pos < stream.size()) {
    if (pos == segmentEnd) segmentEnd += segments[segment++].size();
    size_t take = std::min(reader.NextReceiveSize(), segmentEnd - pos);
    auto r = reader.Add(reinterpret_cast<const uint8_t*>(stream.data() + pos), take);
    pos += take;
    if (r == ControlMessageReader::Result::kError) {
      out.error = true;
      break;
    }
    if (r == ControlMessageReader::Result::kMessage) {
      out.messages.emplace_back(reinterpret_cast<const char*>(reader.message()), reader.size());
      reader.Reset();
    }
  }
  out.leftover = stream.size() - pos;
  return out;
}

TEST(ControlMessageReader, FramesMessagesAsTheDeviceSendsThem) {
  const std::string hibernate = ControlMessage(700, 60000);
  EXPECT_EQ(testing::Hex(hibernate), "BC 02 00 00 60 EA 00 00 0D 0A");
  const std::string handshake = ControlMessage(200, 0, testing::HandshakePayload("Pixel 7"));
  const std::string unknown = Le32(999) + Le32(0) + "ab";

  struct Case {
    const char* name;
    std::vector<std::string> segments;
    std::vector<std::string> expected;
  } cases[] = {
      {"ten-byte command", {hibernate}, {hibernate}},
      {"two commands in one segment", {hibernate + hibernate}, {hibernate, hibernate}},
      {"handshake split over segments",
       {handshake.substr(0, 3), handshake.substr(3, 9), handshake.substr(12)},
       {handshake}},
      {"unknown code is complete after ten bytes", {unknown + hibernate}, {unknown, hibernate}},
      // The line break inside a key text ends the message right after its LF; the rest starts
      // the next message (here an unknown code, complete after ten bytes).
      {"CR LF inside a payload cuts the message",
       {ControlMessage(601, 0, Le32(1) + "ab\r\ncdefghij")},
       {Le32(601) + Le32(0) + Le32(1) + "ab\r\n", "cdefghij\r\n"}},
  };
  for (const auto& c : cases) {
    ReadOutcome out = ReadAll(c.segments);
    EXPECT_FALSE(out.error) << c.name;
    EXPECT_EQ(out.messages, c.expected) << c.name;
  }
}

TEST(ControlMessageReader, CrLfInsideTheFirstTenBytesDoesNotEndTheMessage) {
  // The earliest end is the pair at bytes 8-9: a CR LF at bytes 4-5 belongs to the message.
  std::string msg = Le32(202) + "\r\n\0\0" + std::string("xy") + "\r\n";
  ReadOutcome out = ReadAll({msg});
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0], msg);
}

TEST(ControlMessageReader, PayloadExcludesHeadAndTerminator) {
  ControlMessageReader reader;
  std::string msg = ControlMessage(300, 0, Le32(100));
  for (char c : msg) {
    size_t n = 1;
    auto r = reader.Add(reinterpret_cast<const uint8_t*>(&c), n);
    if (r != ControlMessageReader::Result::kNeedMore) break;
  }
  EXPECT_EQ(reader.code(), 300);
  EXPECT_EQ(reader.payloadSize(), 4u);
  EXPECT_EQ(ReadInt32(reader.payload(), reader.payloadSize(), 0), 100);
}

TEST(ControlMessageReader, FramedMessageThatDoesNotEndInTheBufferIsAnError) {
  std::string msg = Le32(200) + std::string(2000, 'x');
  ReadOutcome out = ReadAll({msg});
  EXPECT_TRUE(out.error);
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(out.leftover, msg.size() - kControlBufferSize);  // nothing read past the buffer
}

TEST(ControlMessageReader, RejectsMoreBytesThanItAskedFor) {
  ControlMessageReader reader;
  uint8_t bytes[11] = {};
  EXPECT_EQ(reader.Add(bytes, 11), ControlMessageReader::Result::kError);
}

TEST(ControlProtocol, RepliesToTheByte) {
  EXPECT_EQ(testing::Hex(BuildShortReply(RspModeAccepted)), "D6 07 00 00 00 00 00 00 0D 0A");
  EXPECT_EQ(testing::Hex(BuildWelcomeReply(20200, true, true)),
            "D1 07 00 00 14 00 00 00 91 1F 00 00 E8 4E 00 00 01 00 00 00 01 00 00 00 00 00 00 00 "
            "0D 0A");
  EXPECT_EQ(BuildWelcomeReply(20200, false, false).size(), 30u);
}

TEST(ControlProtocol, HandshakeNameIsBoundedByTheReceivedBytes) {
  std::string payload = testing::HandshakePayload("Pixel");
  struct Case {
    int32_t declared;
    std::string expected;
  } cases[] = {{5, "Pixel"}, {3, "Pix"}, {500, "Pixel"}, {-1, ""}, {0, ""}};
  for (const auto& c : cases) {
    std::string p = payload.substr(0, 20) + Le32(c.declared) + "Pixel";
    HandshakeRequest r = ParseHandshake(reinterpret_cast<const uint8_t*>(p.data()), p.size());
    EXPECT_EQ(r.device_name, c.expected) << c.declared;
  }
  // A payload that stops inside the fixed fields reads the missing fields as zero.
  HandshakeRequest shortOne = ParseHandshake(reinterpret_cast<const uint8_t*>(payload.data()), 10);
  EXPECT_EQ(shortOne.app_version & 0xffff, 10500 & 0xffff);
  EXPECT_EQ(shortOne.device_display_width, 0);
}

TEST(ControlProtocol, FramedRanges) {
  for (int32_t code : {200, 201, 204, 300, 301, 400, 403, 500, 501, 600, 601, 700, 703})
    EXPECT_TRUE(IsFramedCode(code)) << code;
  for (int32_t code : {0, 199, 205, 299, 302, 399, 404, 502, 602, 699, 704, 999, 2001})
    EXPECT_FALSE(IsFramedCode(code)) << code;
}

}  // namespace
}  // namespace vantaro::control
