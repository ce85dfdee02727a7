// Serving one data connection: dispatch by operator mode, the status replies, the stop flag, and
// the cases that end a session.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/data_channel_fakes.h"
#include "files/data_session.h"
#include "platform/fakes/fake_socket.h"

namespace vantaro::files {
namespace {

using testing::DataMessage;
using testing::Header;
using testing::kDeviceAddress;
using testing::kStrangerAddress;

class DataSessionTest : public ::testing::Test {
 protected:
  DataSession::End Serve(const std::vector<std::string>& chunks, uint32_t peer = kDeviceAddress) {
    for (const auto& c : chunks) socket.AddIncoming(c);
    return session.Serve(socket, peer);
  }
  std::vector<std::string> Kinds() {
    std::vector<std::string> kinds;
    for (const auto& call : operations.Calls()) kinds.push_back(call.kind);
    return kinds;
  }

  testing::NoObserver observer;
  app::AppState state{observer};
  testing::FakeControlSession control;
  testing::RecordingFileOperations operations{&state};
  DataSession session{state, control, operations};
  platform::FakeStreamSocket socket;
};

struct DispatchCase {
  const char* name;
  std::string message;
  bool operationResult;
  std::vector<std::string> calls;
  std::vector<int32_t> replies;
};

TEST_F(DataSessionTest, DispatchesByOperatorModeAndAnswersEachRequest) {
  const std::string list = std::string("\0\0\0\0\3\0\0\0C:\\", 11);
  const std::vector<DispatchCase> cases = {
      {"open", DataMessage(Header(3), "C:\\a.txt"), true, {"op"}, {2011}},
      {"download", DataMessage(Header(5, 4, 0, 0, 11), list), true, {"op"}, {2011}},
      {"copy", DataMessage(Header(6, 4, 0, 3, 11), "D:\\" + list), true, {"op"}, {2011}},
      {"download as 8", DataMessage(Header(8)), true, {"op"}, {2011}},
      {"move", DataMessage(Header(9)), true, {"op"}, {2011}},
      {"delete", DataMessage(Header(12)), true, {"op"}, {2011}},
      {"operation failed", DataMessage(Header(12)), false, {"op"}, {2012}},
      {"copy sent in parts", DataMessage(Header(6, 1)), true, {}, {2012}},
      {"delete, last part", DataMessage(Header(12, 3)), true, {}, {2012}},
      {"upload starting a batch", DataMessage(Header(4, 4, 0), "x"), true, {"batch", "upload"}, {}},
      {"upload within a batch", DataMessage(Header(7, 2, 3), "x"), true, {"upload"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::NoObserver o;
    app::AppState s{o};
    testing::FakeControlSession ctl;
    testing::RecordingFileOperations ops{&s};
    ops.result = c.operationResult;
    DataSession ds{s, ctl, ops};
    platform::FakeStreamSocket sock;
    sock.AddIncoming(c.message);
    sock.AddIncoming(DataMessage(Header(0)));
    EXPECT_EQ(ds.Serve(sock, kDeviceAddress), DataSession::End::kUnrecognisedMode);
    std::vector<std::string> kinds;
    for (const auto& call : ops.Calls()) kinds.push_back(call.kind);
    EXPECT_EQ(kinds, c.calls);
    EXPECT_EQ(ctl.Replies(), c.replies);
    EXPECT_EQ(sock.Sent(), "") << "nothing is written back on the data connection here";
    // Uploads of an earlier session never carry over, nor outlive their own.
    EXPECT_EQ(ops.sessionEnds.load(), 2);
  }
}

TEST_F(DataSessionTest, RequestGetsAZeroedCopyOfItsPayload) {
  DataHeader h = Header(6, 4, 0, 3, 2);
  EXPECT_EQ(
      Serve({DataMessage(h, "D:\\xy"), DataMessage(Header(3), "C:\\f"), DataMessage(Header(12))}),
      DataSession::End::kClosed);
  auto calls = operations.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].bytes, "D:\\xy");
  EXPECT_EQ(calls[0].header.file_path_length, 3);
  EXPECT_EQ(calls[0].header.file_data_length, 2);
  EXPECT_EQ(calls[0].path, "");
  // The shorter payload that follows sees zeros, not the end of the earlier one.
  EXPECT_EQ(calls[1].bytes, "C:\\f");
  EXPECT_TRUE(calls[1].zeroAfterPayload);
  EXPECT_EQ(calls[2].size, 0u);
  EXPECT_FALSE(calls[2].payloadNull);
}

TEST_F(DataSessionTest, PayloadAtTheLimitIsStillFollowedByAZero) {
  EXPECT_EQ(Serve({DataMessage(Header(3), std::string(8192, 'p'))}), DataSession::End::kClosed);
  auto calls = operations.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size, 8192u);
  EXPECT_TRUE(calls[0].zeroAfterPayload);
}

TEST_F(DataSessionTest, UploadReceivesTheWholeMessageWithItsTerminator) {
  const std::string upload = DataMessage(Header(4, 1, 0, 5, 3), "C:\\upabc");
  EXPECT_EQ(Serve({upload.substr(0, 10), upload.substr(10)}), DataSession::End::kClosed);
  auto calls = operations.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].bytes, upload);
  EXPECT_EQ(calls[1].size, upload.size());
}

TEST_F(DataSessionTest, EveryMessageClearsTheStopFlag) {
  state.stopFileOperation = 1;
  Serve({DataMessage(Header(12))});
  ASSERT_EQ(operations.Calls().size(), 1u);
  EXPECT_EQ(operations.Calls()[0].stopFlag, 0);
  state.stopFileOperation = 1;
  socket.AddIncoming(DataMessage(Header(0)));
  session.Serve(socket, kDeviceAddress);
  EXPECT_EQ(state.stopFileOperation.load(), 0);
}

TEST_F(DataSessionTest, UnrecognisedModeEndsTheSessionAndNothingAfterItIsServed) {
  for (int32_t mode : {0, 1, 2, 10, 11, 13, 2001, -1}) {
    SCOPED_TRACE(mode);
    testing::FakeControlSession ctl;
    testing::RecordingFileOperations ops;
    DataSession ds{state, ctl, ops};
    platform::FakeStreamSocket sock;
    sock.AddIncoming(DataMessage(Header(mode)) + DataMessage(Header(12)));
    EXPECT_EQ(ds.Serve(sock, kDeviceAddress), DataSession::End::kUnrecognisedMode);
    EXPECT_TRUE(ops.Calls().empty());
    EXPECT_TRUE(ctl.Replies().empty());
  }
}

TEST_F(DataSessionTest, ConnectionEndingMidMessageDispatchesNothing) {
  const std::string message = DataMessage(Header(12), "C:\\x");
  EXPECT_EQ(Serve({message.substr(0, message.size() - 2)}), DataSession::End::kClosed);
  EXPECT_TRUE(operations.Calls().empty());
  EXPECT_TRUE(control.Replies().empty());
}

TEST_F(DataSessionTest, OversizedMessageEndsTheSession) {
  EXPECT_EQ(Serve({DataMessage(Header(12), std::string(8193, 'x')), DataMessage(Header(12))}),
            DataSession::End::kTooLong);
  EXPECT_TRUE(operations.Calls().empty());
  EXPECT_TRUE(control.Replies().empty());
}

TEST_F(DataSessionTest, RequestsAreRefusedOutsideTheAuthorisedSessionOfTheSameDevice) {
  struct Case {
    const char* name;
    bool authorised;
    uint32_t owner;
  };
  for (const Case& c :
       {Case{"not authorised", false, kDeviceAddress},
        Case{"another device's session", true, kStrangerAddress}, Case{"no session", true, 0}}) {
    for (const std::string& message : {DataMessage(Header(12)), DataMessage(Header(4))}) {
      SCOPED_TRACE(c.name);
      testing::FakeControlSession ctl;
      ctl.authorised = c.authorised;
      ctl.peer = c.owner;
      testing::RecordingFileOperations ops;
      DataSession ds{state, ctl, ops};
      platform::FakeStreamSocket sock;
      sock.AddIncoming(message);
      EXPECT_EQ(ds.Serve(sock, kDeviceAddress), DataSession::End::kNotAuthorised);
      EXPECT_TRUE(ops.Calls().empty());
      EXPECT_TRUE(ctl.Replies().empty());
    }
  }
}

}  // namespace
}  // namespace vantaro::files
