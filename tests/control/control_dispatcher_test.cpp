#include "control/control_dispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/wire.h"

namespace vantaro::control {
namespace {

using testing::ControlMessage;
using testing::Le32;
using testing::ShortReply;

class RecordingObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t status) override { statuses.push_back(status); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<int32_t> statuses;
  std::vector<std::string> messages;
};

class IdentityCodec : public platform::TextCodec {
 public:
  std::optional<std::string> Utf8ToAnsi(std::string_view s) override { return std::string(s); }
  std::optional<std::string> AnsiToUtf8(std::string_view s) override { return std::string(s); }
  bool IsValidUtf8(std::string_view) override { return true; }
};

class ManualClock : public platform::Clock {
 public:
  double UnixTimeSeconds() override { return 1.7e9; }
  int64_t MonotonicMs() override { return nowMs; }
  void SleepMs(int ms) override { nowMs += ms; }
  int64_t nowMs = 1000000;
};

// Records which commands reached the parts that carry them out.
class RecordingHandlers : public InputHandler,
                          public StreamHandler,
                          public FileRequestHandler,
                          public PowerHandler {
 public:
  void OnPointer(const uint8_t*, size_t) override { calls.push_back("pointer"); }
  void OnKey(const uint8_t*, size_t n) override { calls.push_back("key/" + std::to_string(n)); }
  void OnStartStream(int32_t o) override { calls.push_back("start/" + std::to_string(o)); }
  void OnEndMode() override { calls.push_back("end"); }
  void StopAll() override {}
  void OnFileOperation(const uint8_t*, size_t) override { calls.push_back("file"); }
  void OnStopFileOperation() override { calls.push_back("stopfile"); }
  void OnPowerCommand(int32_t c, int32_t d) override {
    calls.push_back("power/" + std::to_string(c) + "/" + std::to_string(d));
  }
  std::vector<std::string> calls;
};

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUpSession() {
    dispatcher = std::make_unique<ControlDispatcher>(
        state, settings, codec, ControlServices{handlers, handlers, handlers, handlers}, throttle,
        20200, [this](const std::string& b) { sent += b; },
        [this](int64_t ms) {
          waits.push_back(ms);
          return true;
        },
        ControlDispatcher::Session{0x7f000002, &authorised});
  }

  // Frames `bytes` as the control thread does and dispatches every message; returns false at the
  // first one that ends the session.
  bool Send(const std::string& bytes) {
    ControlMessageReader reader;
    for (char c : bytes) {
      auto r = reader.Add(reinterpret_cast<const uint8_t*>(&c), 1);
      if (r == ControlMessageReader::Result::kError) return false;
      if (r == ControlMessageReader::Result::kMessage) {
        if (dispatcher->Dispatch(reader) == ControlDispatcher::Outcome::kEndSession) return false;
        reader.Reset();
      }
    }
    return true;
  }

  RecordingObserver observer;
  app::AppState state{observer};
  app::Settings settings;
  IdentityCodec codec;
  ManualClock clock;
  WrongCodeThrottle throttle{clock};
  RecordingHandlers handlers;
  std::atomic<bool> authorised{false};
  std::unique_ptr<ControlDispatcher> dispatcher;
  std::string sent;
  std::vector<int64_t> waits;
};

TEST_F(DispatcherTest, HandshakeWithoutCodeWelcomesAndKeepsTheDeviceFacts) {
  SetUpSession();
  ASSERT_TRUE(Send(ControlMessage(200, 0, testing::HandshakePayload("Pixel", 10500, 1080, 2400))));
  EXPECT_EQ(sent, testing::WelcomeReply());
  EXPECT_EQ(observer.statuses, std::vector<int32_t>{app::kStatusConnected});
  EXPECT_EQ(state.DeviceName(), "Pixel");
  EXPECT_EQ(state.deviceDisplayWidth.load(), 1080);
  EXPECT_EQ(state.deviceDisplayHeight.load(), 2400);
  EXPECT_TRUE(state.media.omitAudioLevel.load());
  EXPECT_TRUE(authorised.load());
}

TEST_F(DispatcherTest, WelcomeReportsCaptureDevices) {
  state.videoInputCount = 2;
  state.audioInputCount = 1;
  SetUpSession();
  Send(ControlMessage(200, 0, testing::HandshakePayload("d", 10000)));
  EXPECT_EQ(sent, testing::WelcomeReply(1, 1));
  EXPECT_FALSE(state.media.omitAudioLevel.load());
}

TEST_F(DispatcherTest, SecurityCodeWrongThenRight) {
  settings.securityLogin = 1;
  settings.securityCode = "4321";
  SetUpSession();
  Send(ControlMessage(200, 0, testing::HandshakePayload("d")));
  EXPECT_EQ(sent, ShortReply(2000));
  EXPECT_TRUE(observer.statuses.empty());
  sent.clear();
  Send(ControlMessage(202, 4, "1234"));
  EXPECT_EQ(sent, ShortReply(2003));
  sent.clear();
  // `length` decides how much of the payload is the code; case and length must match exactly.
  Send(ControlMessage(202, 3, "4321"));
  EXPECT_EQ(sent, ShortReply(2003));
  sent.clear();
  Send(ControlMessage(202, 4, "4321"));
  EXPECT_EQ(sent, testing::WelcomeReply());
  EXPECT_EQ(observer.statuses, std::vector<int32_t>{app::kStatusConnectedWithCode});
  EXPECT_TRUE(authorised.load());
}

TEST_F(DispatcherTest, SecurityCodeLengthPastTheReceivedBytesIsBounded) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  SetUpSession();
  Send(ControlMessage(202, 1000, "abcd"));
  EXPECT_EQ(sent, testing::WelcomeReply());
}

TEST_F(DispatcherTest, WithoutTheCodeOnlyHandshakeAndCodeAreCarriedOut) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  SetUpSession();
  std::string commands = ControlMessage(300, 0, Le32(100)) + ControlMessage(301, 0) +
                         ControlMessage(400, 0, Le32(1)) + ControlMessage(500, 0, Le32(1)) +
                         ControlMessage(501, 0) + ControlMessage(600, 0, Le32(1)) +
                         ControlMessage(601, 0, Le32(1)) + ControlMessage(703, 0);
  ASSERT_TRUE(Send(commands));  // ignored, and the session goes on
  EXPECT_EQ(sent, "");
  EXPECT_TRUE(handlers.calls.empty());
  EXPECT_TRUE(observer.statuses.empty());
  EXPECT_EQ(state.media.sessionMode.load(), app::kModeNone);

  Send(ControlMessage(202, 4, "abcd"));
  sent.clear();
  ASSERT_TRUE(Send(commands));
  EXPECT_EQ(handlers.calls, (std::vector<std::string>{"end", "start/1", "file", "stopfile",
                                                      "pointer", "key/4", "power/703/0"}));
  EXPECT_EQ(sent, ShortReply(2006) + ShortReply(2002));
}

TEST_F(DispatcherTest, ModeSubCodes) {
  struct Case {
    int32_t subCode;
    std::vector<int32_t> statuses;
    int32_t sessionMode;
    int32_t reply;
  } cases[] = {
      {100, {6}, 13, 2006}, {101, {}, 0, 2006},  {102, {8}, 0, 2006},  {103, {7}, 14, 2006},
      {104, {13}, 15, 2006}, {200, {}, 0, 2006}, {201, {}, 0, 2006},   {105, {}, 0, 2008},
      {0, {}, 0, 2008},      {-1, {}, 0, 2008},  {99, {}, 0, 2008},
  };
  for (const auto& c : cases) {
    observer.statuses.clear();
    sent.clear();
    state.media.sessionMode = 0;
    SetUpSession();
    ASSERT_TRUE(Send(ControlMessage(300, 0, Le32(c.subCode))));
    EXPECT_EQ(observer.statuses, c.statuses) << c.subCode;
    EXPECT_EQ(state.media.sessionMode.load(), c.sessionMode) << c.subCode;
    EXPECT_EQ(sent, ShortReply(c.reply)) << c.subCode;
  }
}

TEST_F(DispatcherTest, EndModeRepliesThenReportsAndKeepsTheMode) {
  SetUpSession();
  Send(ControlMessage(300, 0, Le32(103)));
  sent.clear();
  observer.statuses.clear();
  ASSERT_TRUE(Send(ControlMessage(301, 0)));
  EXPECT_EQ(handlers.calls, std::vector<std::string>{"end"});
  EXPECT_EQ(sent, ShortReply(2002));
  EXPECT_EQ(observer.statuses, std::vector<int32_t>{app::kStatusModeEnded});
  EXPECT_EQ(state.media.sessionMode.load(), app::kModeCamera);
}

TEST_F(DispatcherTest, CommandsBeforeAHandshakeAreCarriedOut) {
  SetUpSession();
  ASSERT_TRUE(Send(ControlMessage(600, 0, Le32(1) + Le32(2)) + ControlMessage(701, -5)));
  EXPECT_EQ(handlers.calls, (std::vector<std::string>{"pointer", "power/701/-5"}));
}

TEST_F(DispatcherTest, UnhandledAndUnknownCodesEndTheSession) {
  for (int32_t code : {201, 203, 204, 401, 402, 403}) {
    SetUpSession();
    EXPECT_FALSE(Send(ControlMessage(code, 0))) << code;
  }
  SetUpSession();
  EXPECT_FALSE(Send(Le32(999) + Le32(0) + "\r\n"));
  EXPECT_EQ(sent, "");
}

TEST_F(DispatcherTest, WrongCodesSlowDownFromTheFourthAndTheRightOneClears) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  SetUpSession();
  for (int i = 0; i < 9; ++i) Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_EQ(waits, (std::vector<int64_t>{1000, 2000, 4000, 8000, 16000, 30000}));
  EXPECT_EQ(sent, [] {
    std::string s;
    for (int i = 0; i < 9; ++i) s += ShortReply(2003);
    return s;
  }());

  // A new session from the same address keeps the count...
  waits.clear();
  SetUpSession();
  Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_EQ(waits, std::vector<int64_t>{30000});
  // ...until the right code clears it.
  Send(ControlMessage(202, 4, "abcd"));
  waits.clear();
  for (int i = 0; i < 4; ++i) Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_EQ(waits, std::vector<int64_t>{1000});
}

TEST_F(DispatcherTest, WrongCodesAreForgottenAfterTenQuietMinutes) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  SetUpSession();
  for (int i = 0; i < 5; ++i) Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_EQ(waits.size(), 2u);
  clock.nowMs += WrongCodeThrottle::kForgetAfterMs;
  waits.clear();
  for (int i = 0; i < 3; ++i) Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_TRUE(waits.empty());
}

TEST_F(DispatcherTest, AnInterruptedWaitEndsTheSessionWithoutAnAnswer) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  dispatcher = std::make_unique<ControlDispatcher>(
      state, settings, codec, ControlServices{handlers, handlers, handlers, handlers}, throttle,
      20200, [this](const std::string& b) { sent += b; }, [](int64_t) { return false; },
      ControlDispatcher::Session{1, &authorised});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Send(ControlMessage(202, 4, "zzzz")));
  sent.clear();
  EXPECT_FALSE(Send(ControlMessage(202, 4, "zzzz")));
  EXPECT_EQ(sent, "");
}

}  // namespace
}  // namespace vantaro::control
