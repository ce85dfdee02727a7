// The real server's file manager, used as the device uses it: listings through command 500 on the
// control connection, requests and uploads on the data connection, outcomes as 2011/2012 replies.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <fstream>
#include <thread>

#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {
namespace {

constexpr char kTerminator[] = "\nkvrt\n";

// The computer path of a native path: Z: is the native root.
std::string ComputerPath(const std::string& native) {
  std::string out = "Z:";
  for (char c : native) out += c == '/' ? '\\' : c;
  return out;
}

std::string Header(int32_t mode, int32_t sendMode, int32_t current, int32_t isFolder,
                   int32_t pathLength, int32_t dataLength) {
  return Le32(mode) + Le32(sendMode) + Le32(current) + Le32(1) + Le32(isFolder) +
         Le32(pathLength) + Le32(dataLength);
}

std::string PathList(const std::vector<std::string>& paths) {
  std::string out;
  for (const auto& p : paths) out += Le32(0) + Le32(static_cast<int32_t>(p.size())) + p;
  return out;
}

struct DataMessage {
  int32_t mode = 0, sendMode = 0, current = 0, total = 0, isFolder = 0, pathLength = 0,
          dataLength = 0;
  std::string payload;
};

class FileManagerServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    share_ = dir_.path() + "/share";
    outside_ = dir_.path() + "/outside";
    std::filesystem::create_directories(share_ + "/sub");
    std::filesystem::create_directories(outside_);
    Write(share_ + "/a.txt", "0123456789");
    Write(outside_ + "/secret.txt", "secret");
    // What a crash in the middle of an upload leaves behind, and a file that only looks like it.
    Write(share_ + "/.vantaro-upload-7.part", "half");
    Write(share_ + "/sub/.vantaro-upload-8.part", "deeper");
    ServerOptions options;
    options.sharedFolders = {ComputerPath(share_)};
    options.fileConfig = fileConfig_;
    options.binary = VANTARO_SERVER_PATH;
    server_ = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server_->Start());
    ASSERT_GE(server_->WaitForLine("status 1:"), 0)
        << server_->Stderr() << (server_->Lines().empty() ? "" : server_->Lines().back());
    ASSERT_TRUE(control_.Connect(server_->controlPort()));
    ASSERT_TRUE(control_.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
    ASSERT_EQ(Hex(control_.Receive(30)), Hex(WelcomeReply()));
    // A server without the data channel, or without the file manager wired in, has nothing to test.
    if (!data_.Connect(server_->dataPort(), 1000))
      GTEST_SKIP() << "the server has no data channel yet";
    ASSERT_TRUE(control_.Send(ControlMessage(500, 0, Header(1, 0, 0, 0, 0, 0))));
    std::string first = data_.Receive(28, 3000);
    if (first.size() < 28) GTEST_SKIP() << "the server does not serve file requests yet";
    data_.Receive(static_cast<size_t>(ReadLe32(first, 24)) + 6);
  }

  static void Write(const std::string& native, const std::string& content) {
    std::ofstream(native, std::ios::binary) << content;
  }
  static std::string Read(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The names of a listing of `path` (the empty path: the shared folders).
  std::vector<std::string> List(const std::string& path) {
    int32_t mode = path.empty() ? 1 : 2;
    EXPECT_TRUE(control_.Send(ControlMessage(
        500, 0, Header(mode, 0, 0, 0, static_cast<int32_t>(path.size()), 0) + path)));
    std::string head = data_.Receive(28);
    EXPECT_EQ(head.size(), 28u);
    if (head.size() < 28) return {};
    std::string body = data_.Receive(static_cast<size_t>(ReadLe32(head, 24)) + 6);
    EXPECT_EQ(body.substr(body.size() - 6), kTerminator);
    std::vector<std::string> names;
    for (size_t at = 0; at + 20 <= body.size() - 6;) {
      int32_t n = ReadLe32(body, at + 8);
      names.push_back(body.substr(at + 20, n));
      at += 20 + n;
    }
    return names;
  }

  void SendRequest(int32_t mode, const std::string& target, const std::vector<std::string>& paths) {
    std::string list = PathList(paths);
    ASSERT_TRUE(data_.Send(Header(mode, 4, 0, 0, static_cast<int32_t>(target.size()),
                                  static_cast<int32_t>(list.size())) +
                           target + list + kTerminator));
  }
  int32_t Reply() {
    std::string reply = control_.Receive(10);
    return reply.size() == 10 ? ReadLe32(reply, 0) : -1;
  }

  // The next file message of a download; data parts are as long as what remains of the item.
  DataMessage NextFileMessage() {
    DataMessage m;
    std::string head = data_.Receive(28);
    EXPECT_EQ(head.size(), 28u);
    if (head.size() < 28) return m;
    int32_t* fields[] = {&m.mode,     &m.sendMode,   &m.current,   &m.total,
                         &m.isFolder, &m.pathLength, &m.dataLength};
    for (int i = 0; i < 7; ++i) *fields[i] = ReadLe32(head, 4 * i);
    size_t length = 0;
    if (m.sendMode == 4) length = m.pathLength + (m.isFolder ? 0 : m.dataLength);
    if (m.sendMode == 1) {
      length = m.pathLength;
      remaining_ = m.dataLength;
    }
    if (m.sendMode == 2) {
      length = std::min<size_t>(131038, remaining_);
      remaining_ -= length;
    }
    std::string rest = data_.Receive(length + 6);
    EXPECT_EQ(rest.substr(length), kTerminator);
    m.payload = rest.substr(0, length);
    return m;
  }

  std::map<std::string, std::string> fileConfig_;  // set by a derived fixture before SetUp
  TempDir dir_;
  std::string share_, outside_;
  std::unique_ptr<ServerProcess> server_;
  DeviceClient control_, data_;
  size_t remaining_ = 0;
};

TEST_F(FileManagerServerTest, AStartRemovesUnfinishedUploadsFromTheSharedFolders) {
  EXPECT_FALSE(std::filesystem::exists(share_ + "/.vantaro-upload-7.part"));
  // Only the top level of a shared folder is cleaned at start.
  EXPECT_EQ(Read(share_ + "/sub/.vantaro-upload-8.part"), "deeper");
}

TEST_F(FileManagerServerTest, BrowsesTheSharedFoldersAndBelowButNothingElse) {
  EXPECT_EQ(List(""), std::vector<std::string>{ComputerPath(share_)});
  EXPECT_EQ(List(ComputerPath(share_)),
            (std::vector<std::string>{ComputerPath(share_ + "/a.txt"), ComputerPath(share_ + "/sub")}));
  EXPECT_TRUE(List(ComputerPath(outside_)).empty());
  EXPECT_TRUE(List(ComputerPath(share_) + "\\..\\outside").empty());
  EXPECT_TRUE(List("Z:\\").empty());
}

TEST_F(FileManagerServerTest, DownloadsWholeAndInUnits) {
  struct Case {
    size_t size;
    std::vector<int32_t> sendModes;
  } cases[] = {{10, {4}}, {131039, {1, 2, 2, 3}}, {262076, {1, 2, 2, 3}}};
  for (const auto& c : cases) {
    std::string content(c.size, 'd');
    content[c.size - 1] = 'e';
    Write(share_ + "/f.bin", content);
    SendRequest(5, "", {ComputerPath(share_ + "/f.bin")});
    std::string name = share_ + "/f.bin";
    name.insert(0, "Z:");
    std::vector<int32_t> modes;
    std::string received;
    do {
      DataMessage m = NextFileMessage();
      modes.push_back(m.sendMode);
      if (m.sendMode == 0) break;
      EXPECT_EQ(m.mode, 5);
      EXPECT_EQ(m.total, 1);
      if (m.sendMode == 1 || m.sendMode == 4) {
        EXPECT_EQ(m.payload.substr(0, name.size()), name);
      }
      received += m.sendMode == 4 ? m.payload.substr(name.size()) : m.sendMode == 2 ? m.payload : "";
    } while (modes.back() != 4 && modes.back() != 3);
    EXPECT_EQ(modes, c.sendModes) << c.size;
    EXPECT_TRUE(received == content) << c.size;
    EXPECT_EQ(Reply(), 2011);
  }
}

TEST_F(FileManagerServerTest, UploadsATreeInOneBatchAndALargeFileInParts) {
  std::string target = ComputerPath(share_);
  std::filesystem::create_directories(share_ + "/Cam");
  struct Item {
    std::string relative;
    int32_t isFolder;
    std::string content;
  } items[] = {{"Cam/", 1, ""}, {"Cam/x.jpg", 0, "xx"}, {"Cam/sub/y.jpg", 0, "yy"}, {"top.txt", 0, "t"}};
  int32_t number = 0;
  for (const auto& item : items) {
    std::string path = target + "/" + item.relative;
    ASSERT_TRUE(data_.Send(Header(4, 4, number++, item.isFolder, static_cast<int32_t>(path.size()),
                                  static_cast<int32_t>(item.content.size())) +
                           path + item.content + kTerminator));
    EXPECT_EQ(Reply(), 2011) << item.relative;
  }
  EXPECT_EQ(Read(share_ + "/Cam2/x.jpg"), "xx");
  EXPECT_EQ(Read(share_ + "/Cam2/sub/y.jpg"), "yy");
  EXPECT_EQ(Read(share_ + "/top.txt"), "t");

  std::string path = target + "/big.bin";
  std::string expected;
  ASSERT_TRUE(data_.Send(Header(7, 1, 0, 0, static_cast<int32_t>(path.size()), 100000) + path +
                         kTerminator));
  for (char c : std::string("abcd")) {
    std::string part(25000, c);
    expected += part;
    ASSERT_TRUE(data_.Send(Header(7, 2, 0, 0, 0, 0) + part + kTerminator));
  }
  ASSERT_TRUE(data_.Send(Header(7, 3, 0, 0, 0, 0) + kTerminator));
  EXPECT_EQ(Reply(), 2011);
  EXPECT_TRUE(Read(share_ + "/big.bin") == expected);

  // Out of the shared folder, and past it with "..": refused, nothing written.
  for (const std::string& refused :
       {ComputerPath(outside_) + "/x.txt", target + "/../outside/x.txt"}) {
    ASSERT_TRUE(data_.Send(Header(4, 4, 0, 0, static_cast<int32_t>(refused.size()), 1) + refused +
                           "x" + kTerminator));
    EXPECT_EQ(Reply(), 2012) << refused;
  }
  EXPECT_FALSE(std::filesystem::exists(outside_ + "/x.txt"));
}

TEST_F(FileManagerServerTest, CopiesMovesAndDeletesInsideOnly) {
  std::string share = ComputerPath(share_);
  SendRequest(6, share + "\\sub", {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2011);
  EXPECT_EQ(Read(share_ + "/sub/a.txt"), "0123456789");
  SendRequest(6, share + "\\sub", {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2011);
  EXPECT_EQ(Read(share_ + "/sub/a2.txt"), "0123456789");

  std::filesystem::create_directories(share_ + "/M/deep");
  Write(share_ + "/M/deep/m", "m");
  SendRequest(9, share + "\\sub", {share + "\\M"});
  EXPECT_EQ(Reply(), 2011);
  EXPECT_EQ(Read(share_ + "/sub/M/deep/m"), "m");
  EXPECT_FALSE(std::filesystem::exists(share_ + "/M"));

  SendRequest(12, "", {share + "\\sub\\M", share + "\\sub\\a2.txt"});
  EXPECT_EQ(Reply(), 2011);
  EXPECT_FALSE(std::filesystem::exists(share_ + "/sub/M"));
  EXPECT_FALSE(std::filesystem::exists(share_ + "/sub/a2.txt"));

  SendRequest(12, "", {share + "\\a.txt", ComputerPath(outside_ + "/secret.txt")});
  EXPECT_EQ(Reply(), 2012);
  SendRequest(6, ComputerPath(outside_), {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2012);
  SendRequest(5, "", {ComputerPath(outside_ + "/secret.txt")});
  EXPECT_EQ(Reply(), 2012);
  EXPECT_TRUE(std::filesystem::exists(share_ + "/a.txt"));
  EXPECT_EQ(Read(outside_ + "/secret.txt"), "secret");
  EXPECT_FALSE(std::filesystem::exists(outside_ + "/a.txt"));
  EXPECT_EQ(data_.ReceiveAvailable(100), "");  // nothing of the refused download was sent
}

class ReadOnlyShareTest : public FileManagerServerTest {
 protected:
  ReadOnlyShareTest() { fileConfig_ = {{"access_0", "read_only"}}; }
};

TEST_F(ReadOnlyShareTest, AReadOnlyFolderIsBrowsedAndDownloadedButNeverChanged) {
  std::string share = ComputerPath(share_);
  std::vector<std::string> names = List(share);
  EXPECT_NE(std::find(names.begin(), names.end(), share + "\\a.txt"), names.end());
  SendRequest(5, "", {share + "\\a.txt"});
  DataMessage file = NextFileMessage();
  EXPECT_EQ(file.payload.substr(static_cast<size_t>(file.pathLength)), "0123456789");
  EXPECT_EQ(Reply(), 2011);

  SendRequest(12, "", {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2012);
  SendRequest(6, share + "\\sub", {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2012);
  SendRequest(9, share + "\\sub", {share + "\\a.txt"});
  EXPECT_EQ(Reply(), 2012);
  std::string path = share + "/new.txt";
  ASSERT_TRUE(data_.Send(Header(4, 4, 0, 0, static_cast<int32_t>(path.size()), 1) + path + "x" +
                         kTerminator));
  EXPECT_EQ(Reply(), 2012);
  EXPECT_EQ(Read(share_ + "/a.txt"), "0123456789");
  EXPECT_FALSE(std::filesystem::exists(share_ + "/sub/a.txt"));
  EXPECT_FALSE(std::filesystem::exists(share_ + "/new.txt"));
}

TEST_F(FileManagerServerTest, SigtermWhileAListingIsBeingSentEndsWithinASecond) {
  // A listing of megabytes, far more than the connection buffers hold, to a device that does not
  // read it: the control thread is blocked sending it when the server is told to stop.
  std::string many = share_ + "/many";
  std::filesystem::create_directories(many);
  for (int i = 0; i < 30000; ++i)
    std::ofstream(many + "/" + std::string(200, 'f') + std::to_string(i));
  std::string path = ComputerPath(many);
  int small = 4096;
  ::setsockopt(data_.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
  ASSERT_TRUE(control_.Send(ControlMessage(
      500, 0, Header(2, 0, 0, 0, static_cast<int32_t>(path.size()), 0) + path)));
  // Once its head has arrived the listing is being sent; then the device stops reading.
  ASSERT_EQ(data_.Receive(28, 30000).size(), 28u);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(server_->Stop(1000), 0);
}

}  // namespace
}  // namespace vantaro::testing
