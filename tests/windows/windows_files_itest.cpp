// The Windows server's file manager under Wine: a temporary folder on the Linux side is shared
// as Wine sees it (Z:\tmp\...), then listed, downloaded from and uploaded to by the device.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/device_client.h"
#include "support/wire.h"
#include "windows/wine_server.h"

namespace vantaro::testing {
namespace {

constexpr char kTerminator[] = "\nkvrt\n";

std::string Header(int32_t mode, int32_t sendMode, int32_t current, int32_t isFolder,
                   int32_t pathLength, int32_t dataLength) {
  return Le32(mode) + Le32(sendMode) + Le32(current) + Le32(1) + Le32(isFolder) +
         Le32(pathLength) + Le32(dataLength);
}

class WindowsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WindowsServerPath().empty()) GTEST_SKIP() << "no Windows server (make test-windows)";
    share_ = dir_.path() + "/share";
    std::filesystem::create_directories(share_ + "/sub");
    std::filesystem::create_directories(dir_.path() + "/outside");
    Write(share_ + "/a.txt", "0123456789");
    Write(share_ + "/d\xc3\xa9j\xc3\xa0 vu.txt", "x");  // not in every narrow code page
    WineServerOptions options;
    options.sharedFolders = {WinePath(share_)};
    server_ = std::make_unique<WineServer>(options);
    ASSERT_TRUE(server_->Start());
    ASSERT_GE(server_->process().WaitForLine("status 1:", 60000), 0) << server_->process().Stderr();
    ASSERT_TRUE(control_.Connect(server_->port() + 1, 20000));
    ASSERT_TRUE(control_.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
    ASSERT_EQ(Hex(control_.Receive(30, 20000)), Hex(WelcomeReply()));
    ASSERT_TRUE(data_.Connect(server_->port() + 2, 20000));
  }

  static void Write(const std::string& native, const std::string& content) {
    std::ofstream(native, std::ios::binary) << content;
  }
  static std::string Read(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::vector<std::string> List(const std::string& path) {
    int32_t mode = path.empty() ? 1 : 2;
    EXPECT_TRUE(control_.Send(ControlMessage(
        500, 0, Header(mode, 0, 0, 0, static_cast<int32_t>(path.size()), 0) + path)));
    std::string head = data_.Receive(28, 20000);
    EXPECT_EQ(head.size(), 28u);
    if (head.size() < 28) return {};
    std::string body = data_.Receive(static_cast<size_t>(ReadLe32(head, 24)) + 6, 20000);
    EXPECT_EQ(body.substr(body.size() - 6), kTerminator);
    std::vector<std::string> names;
    for (size_t at = 0; at + 20 <= body.size() - 6;) {
      int32_t n = ReadLe32(body, at + 8);
      names.push_back(body.substr(at + 20, n));
      at += 20 + n;
    }
    return names;
  }
  int32_t Reply() {
    std::string reply = control_.Receive(10, 20000);
    return reply.size() == 10 ? ReadLe32(reply, 0) : -1;
  }

  TempDir dir_;
  std::string share_;
  std::unique_ptr<WineServer> server_;
  DeviceClient control_, data_;
};

TEST_F(WindowsFilesTest, ListsTheSharedFolderWithUtf8NamesAndNothingOutside) {
  const std::string share = WinePath(share_);
  EXPECT_EQ(List(""), std::vector<std::string>{share});
  EXPECT_EQ(List(share), (std::vector<std::string>{share + "\\a.txt",
                                                   share + "\\d\xc3\xa9j\xc3\xa0 vu.txt",
                                                   share + "\\sub"}));
  EXPECT_TRUE(List(WinePath(dir_.path() + "/outside")).empty());
  EXPECT_TRUE(List(share + "\\..\\outside").empty());
  EXPECT_TRUE(List("Z:\\").empty());
  EXPECT_TRUE(List("C:\\").empty());
}

TEST_F(WindowsFilesTest, DownloadsAFileWholeAndUploadsOne) {
  const std::string file = WinePath(share_ + "/a.txt");
  std::string list = Le32(0) + Le32(static_cast<int32_t>(file.size())) + file;
  ASSERT_TRUE(data_.Send(Header(5, 4, 0, 0, 0, static_cast<int32_t>(list.size())) + list + kTerminator));
  std::string head = data_.Receive(28, 20000);
  ASSERT_EQ(head.size(), 28u);
  EXPECT_EQ(ReadLe32(head, 0), 5);
  EXPECT_EQ(ReadLe32(head, 4), 4);  // whole, in one message
  int32_t pathLength = ReadLe32(head, 20);
  int32_t dataLength = ReadLe32(head, 24);
  std::string rest = data_.Receive(static_cast<size_t>(pathLength + dataLength) + 6, 20000);
  // The device gets the path with "/" separators.
  std::string sent = file;
  std::replace(sent.begin(), sent.end(), '\\', '/');
  EXPECT_EQ(rest.substr(0, pathLength), sent);
  EXPECT_EQ(rest.substr(pathLength, dataLength), "0123456789");
  EXPECT_EQ(Reply(), 2011);

  const std::string upload = WinePath(share_) + "/new.txt";
  ASSERT_TRUE(data_.Send(Header(4, 4, 0, 0, static_cast<int32_t>(upload.size()), 5) + upload +
                         "hello" + kTerminator));
  EXPECT_EQ(Reply(), 2011);
  EXPECT_EQ(Read(share_ + "/new.txt"), "hello");
  const std::string outside = WinePath(dir_.path() + "/outside") + "/x.txt";
  ASSERT_TRUE(data_.Send(Header(4, 4, 0, 0, static_cast<int32_t>(outside.size()), 1) + outside +
                         "x" + kTerminator));
  EXPECT_EQ(Reply(), 2012);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/outside/x.txt"));
}

}  // namespace
}  // namespace vantaro::testing
