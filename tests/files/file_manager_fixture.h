#pragma once
// The file manager as the file-manager tests drive it: temporary drives C:\ and D:\, a fake data
// connection, a recording clock and session, and helpers that take apart what was sent.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "files/file_manager.h"
#include "files/file_test_fixture.h"
#include "platform/fakes/fake_socket.h"
#include "support/wire.h"

namespace vantaro::files::testing {

using vantaro::testing::Le32;
using vantaro::testing::ReadLe32;

class NullObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

class StoppingClock : public vantaro::files::testing::RecordingClock {
 public:
  std::function<void()> onSleep;
  void SleepMs(int ms) override {
    RecordingClock::SleepMs(ms);
    if (onSleep) onSleep();
  }
};

struct Message {
  DataHeader header;
  std::string payload;
};

// Splits what was sent into data messages by their terminators (test content never holds one).
inline std::vector<Message> SplitMessages(const std::string& bytes) {
  std::vector<Message> out;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find(kDataTerminator, at + kDataHeaderSize);
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos) break;
    Message m;
    m.header = ParseDataHeader(reinterpret_cast<const uint8_t*>(bytes.data() + at));
    m.payload = bytes.substr(at + kDataHeaderSize, end - at - kDataHeaderSize);
    out.push_back(m);
    at = end + kDataTerminatorSize;
  }
  return out;
}

struct Record {
  int32_t isFolder, size;
  double modified;
  std::string name;
};

inline std::vector<Record> ParseListing(const std::string& bytes) {
  EXPECT_GE(bytes.size(), 34u);
  EXPECT_EQ(ReadLe32(bytes, 0), 2);
  int32_t length = ReadLe32(bytes, 24);
  EXPECT_EQ(bytes.size(), 34u + length);
  std::vector<Record> out;
  size_t at = 28;
  while (at < 28u + length) {
    Record r;
    r.isFolder = ReadLe32(bytes, at);
    r.size = ReadLe32(bytes, at + 4);
    int32_t n = ReadLe32(bytes, at + 8);
    std::memcpy(&r.modified, bytes.data() + at + 12, 8);
    r.name = bytes.substr(at + 20, n);
    out.push_back(r);
    at += 20 + n;
  }
  return out;
}

inline std::string PathList(const std::vector<std::string>& paths) {
  std::string out;
  for (const auto& p : paths) out += Le32(0) + Le32(static_cast<int32_t>(p.size())) + p;
  return out;
}

class FileManagerTest : public ::testing::Test {
 protected:
  FileManagerTest()
      : state_(observer_),
        socket_(std::make_shared<platform::FakeStreamSocket>()),
        manager_(*drives_.fileSystem, codec_, clock_, state_, session_, [this] { return shared_; }) {
    state_.dataSocket.Replace(socket_);
  }

  bool Request(int32_t mode, const std::string& target, const std::string& list) {
    DataHeader h;
    h.operator_mode = mode;
    h.file_send_mode = 4;
    h.file_path_length = static_cast<int32_t>(target.size());
    h.file_data_length = static_cast<int32_t>(list.size());
    std::string payload = target + list;
    payload.resize(8192, '\0');
    return manager_.DoFileOperation(h, reinterpret_cast<const uint8_t*>(payload.data()),
                                    target.size() + list.size(), "");
  }
  void List(int32_t mode, const std::string& path) {
    DataHeader h;
    h.operator_mode = mode;
    manager_.DoFileOperation(h, nullptr, 0, path);
  }
  void Upload(int32_t sendMode, int32_t number, const std::string& body, int32_t isFolder = 0,
              int32_t pathLength = -1, int32_t dataLength = -1) {
    DataHeader h;
    h.operator_mode = 4;
    h.file_send_mode = sendMode;
    h.file_current_number = number;
    h.is_folder = isFolder;
    h.file_path_length = pathLength;
    h.file_data_length = dataLength;
    std::string msg;
    AppendDataHeader(msg, h);
    msg += body;
    msg.append(kDataTerminator, kDataTerminatorSize);
    if (number == 0) manager_.BeginUploadBatch();
    manager_.HandleUpload(reinterpret_cast<const uint8_t*>(msg.data()), msg.size());
  }
  void UploadWhole(const std::string& path, const std::string& content, int32_t isFolder = 0,
                   int32_t number = 1) {
    Upload(4, number, path + content, isFolder, static_cast<int32_t>(path.size()),
           static_cast<int32_t>(content.size()));
  }

  vantaro::files::testing::TempDrives drives_;
  vantaro::files::testing::PassThroughCodec codec_;
  StoppingClock clock_;
  vantaro::files::testing::RecordingSession session_;
  NullObserver observer_;
  app::AppState state_;
  std::shared_ptr<platform::FakeStreamSocket> socket_;
  std::vector<std::string> shared_{"C:\\", "D:\\"};
  FileManager manager_;
};

}  // namespace vantaro::files::testing
