// Framing of device messages on the data channel, fed whole and in every split.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/data_channel_fakes.h"
#include "files/data_message_reader.h"

namespace vantaro::files {
namespace {

using testing::DataMessage;
using testing::Header;

const std::string kTerm(kDataTerminator, kDataTerminatorSize);

struct Framed {
  std::vector<std::string> messages;  // each complete message, header to terminator
  bool tooLong = false;
  size_t leftover = 0;  // bytes fed after the last message that did not complete one
};

// Feeds `stream` in pieces of `step` bytes (0: all at once).
Framed Frame(const std::string& stream, size_t step) {
  DataMessageReader reader;
  Framed out;
  const auto* data = reinterpret_cast<const uint8_t*>(stream.data());
  size_t position = 0;
  size_t sinceLast = 0;
  while (position < stream.size()) {
    size_t piece = step == 0 ? stream.size() - position : std::min(step, stream.size() - position);
    size_t offset = 0;
    while (offset < piece) {
      size_t consumed = 0;
      auto status = reader.Feed(data + position + offset, piece - offset, &consumed);
      offset += consumed;
      sinceLast += consumed;
      if (status == DataMessageReader::Status::kTooLong) {
        out.tooLong = true;
        return out;
      }
      if (status == DataMessageReader::Status::kMessage) {
        out.messages.emplace_back(reinterpret_cast<const char*>(reader.message()), reader.size());
        EXPECT_EQ(reader.payloadSize(), reader.size() - 34);
        sinceLast = 0;
      }
    }
    position += piece;
  }
  out.leftover = sinceLast;
  return out;
}

struct FramingCase {
  const char* name;
  std::string stream;
  std::vector<std::string> messages;
  size_t leftover;
};

TEST(DataMessageReader, FramesMessagesByTheirTerminatorInEverySplit) {
  const std::string open = DataMessage(Header(3), "C:\\a.txt");
  const std::string headOnly = DataMessage(Header(12));
  const std::string zero(34, '\0');
  // The payload holds the terminator: the message ends there, and the rest of the payload is read
  // as the start of the next message.
  std::string cutPayload = "abc" + kTerm + "def";
  std::string cutStream = DataMessage(Header(6), cutPayload);
  std::string cutFirst = cutStream.substr(0, 28 + 3 + 6);
  // A mode that carries nothing is complete at 34 bytes, even when its last six are no terminator
  // and more bytes follow at once.
  std::string mode10 = DataMessage(Header(10), "xyz").substr(0, 34);
  std::string mode13 = DataMessage(Header(13)) + "tail";
  std::string upload = DataMessage(Header(4, 4, 0, 3, 5), "abcdefgh");
  std::string negative = DataMessage(Header(-3));

  const std::vector<FramingCase> cases = {
      {"request with payload", open, {open}, 0},
      {"request without payload", headOnly, {headOnly}, 0},
      {"all-zero header", zero, {zero}, 0},
      {"terminator inside payload", cutStream, {cutFirst}, cutStream.size() - cutFirst.size()},
      {"mode 10 ends at 34", mode10 + open, {mode10, open}, 0},
      {"mode 13 ends at 34", mode13, {mode13.substr(0, 34)}, 4},
      {"upload", upload, {upload}, 0},
      {"negative mode", negative, {negative}, 0},
      {"back to back", open + headOnly + upload, {open, headOnly, upload}, 0},
      {"head cut short", open.substr(0, 20), {}, 20},
      {"payload without terminator", open.substr(0, open.size() - 1), {}, open.size() - 1},
  };
  for (const auto& c : cases) {
    for (size_t step : {size_t{0}, size_t{1}, size_t{5}, size_t{34}, size_t{35}}) {
      SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(step));
      Framed framed = Frame(c.stream, step);
      EXPECT_FALSE(framed.tooLong);
      EXPECT_EQ(framed.messages, c.messages);
      EXPECT_EQ(framed.leftover, c.leftover);
    }
  }
}

TEST(DataMessageReader, HeaderFieldsAreReadLittleEndian) {
  DataHeader h = Header(5, 4, 7, 11, 13);
  h.file_total_number = 0x01020304;
  h.is_folder = 1;
  std::string message = DataMessage(h, std::string(24, 'p'));
  DataMessageReader reader;
  size_t consumed = 0;
  ASSERT_EQ(
      reader.Feed(reinterpret_cast<const uint8_t*>(message.data()), message.size(), &consumed),
      DataMessageReader::Status::kMessage);
  EXPECT_EQ(consumed, message.size());
  const DataHeader& got = reader.header();
  EXPECT_EQ(got.operator_mode, 5);
  EXPECT_EQ(got.file_send_mode, 4);
  EXPECT_EQ(got.file_current_number, 7);
  EXPECT_EQ(got.file_total_number, 0x01020304);
  EXPECT_EQ(got.is_folder, 1);
  EXPECT_EQ(got.file_path_length, 11);
  EXPECT_EQ(got.file_data_length, 13);
  EXPECT_EQ(reader.payloadSize(), 24u);
}

struct LimitCase {
  const char* name;
  int32_t mode;
  size_t payload;
  bool fits;
};

// A request payload must fit 8192 bytes, a whole upload message 32769 bytes; past that the reader
// gives up instead of writing beyond its buffer.
TEST(DataMessageReader, RefusesMessagesLongerThanTheirBuffer) {
  const std::vector<LimitCase> cases = {
      {"request payload at the limit", 5, 8192, true},
      {"request payload one byte over", 5, 8193, false},
      {"open payload far over", 3, 20000, false},
      {"upload at the limit", 4, 32769 - 34, true},
      {"upload one byte over", 7, 32769 - 34 + 1, false},
      {"upload far over", 4, 100000, false},
  };
  for (const auto& c : cases) {
    for (size_t step : {size_t{0}, size_t{1000}}) {
      SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(step));
      std::string message = DataMessage(Header(c.mode), std::string(c.payload, 'x'));
      Framed framed = Frame(message, step);
      EXPECT_EQ(framed.tooLong, !c.fits);
      EXPECT_EQ(framed.messages.size(), c.fits ? 1u : 0u);
    }
  }
}

TEST(DataMessageReader, StaysFailedUntilReset) {
  DataMessageReader reader;
  std::string tooLong = DataMessage(Header(12), std::string(9000, 'x'));
  size_t consumed = 0;
  auto feed = [&](const std::string& bytes) {
    return reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &consumed);
  };
  ASSERT_EQ(feed(tooLong), DataMessageReader::Status::kTooLong);
  EXPECT_LT(consumed, tooLong.size());
  const std::string good = DataMessage(Header(12));
  EXPECT_EQ(feed(good), DataMessageReader::Status::kTooLong);
  EXPECT_EQ(consumed, 0u);
  reader.Reset();
  EXPECT_EQ(feed(good), DataMessageReader::Status::kMessage);
}

}  // namespace
}  // namespace vantaro::files
