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
  void OnSessionEnded() override { calls.push_back("session ended"); }
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
  void SetUpSession(uint32_t peer = 0x7f000002) {
    authorised = false;
    dispatcher = std::make_unique<ControlDispatcher>(
        state, settings, codec, ControlServices{handlers, handlers, handlers, handlers}, throttle,
        20200, [this](const std::string& b) { sent += b; },
        ControlDispatcher::Session{peer, &authorised});
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

// Every code is answered at once; from the fourth wrong one on, the address is refused without a
// comparison for a window that doubles, while another device is served as usual.
TEST_F(DispatcherTest, WrongCodesOpenABackOffWindowAndNobodyWaits) {
  settings.securityLogin = 1;
  settings.securityCode = "abcd";
  SetUpSession();
  for (int i = 0; i < 4; ++i) Send(ControlMessage(202, 4, "zzzz"));
  EXPECT_EQ(sent, ShortReply(2003) + ShortReply(2003) + ShortReply(2003) + ShortReply(2003));
  sent.clear();
  // Inside the 1 s window even the right code is refused, and such codes are not counted.
  for (int i = 0; i < 5; ++i) Send(ControlMessage(202, 4, "abcd"));
  EXPECT_EQ(sent, ShortReply(2003) + ShortReply(2003) + ShortReply(2003) + ShortReply(2003) +
                      ShortReply(2003));
  EXPECT_FALSE(authorised.load());

  // Meanwhile a device at another address is compared and welcomed at once.
  sent.clear();
  SetUpSession(0x7f000003);
  Send(ControlMessage(202, 4, "abcd"));
  EXPECT_EQ(sent, testing::WelcomeReply());
  EXPECT_TRUE(authorised.load());

  // The guesser's next wrong code after the window is its fifth: a 2 s window.
  SetUpSession();
  clock.nowMs += 1000;
  sent.clear();
  Send(ControlMessage(202, 4, "zzzz"));
  clock.nowMs += 1999;
  Send(ControlMessage(202, 4, "abcd"));
  EXPECT_EQ(sent, ShortReply(2003) + ShortReply(2003));
  clock.nowMs += 1;
  sent.clear();
  Send(ControlMessage(202, 4, "abcd"));
  EXPECT_EQ(sent, testing::WelcomeReply());
}

TEST_F(DispatcherTest, AnEmptyStoredCodeNeverMatches) {
  settings.securityLogin = 1;
  settings.securityCode = "";
  SetUpSession();
  Send(ControlMessage(200, 0, testing::HandshakePayload("d")));
  sent.clear();
  for (const std::string& code : {std::string(), std::string("x")}) {
    Send(ControlMessage(202, static_cast<int32_t>(code.size()), code));
    EXPECT_EQ(sent, ShortReply(2003)) << "code \"" << code << "\"";
    sent.clear();
  }
  EXPECT_FALSE(authorised.load());
  EXPECT_TRUE(observer.statuses.empty());
}

TEST(WrongCodeThrottle, PerAddressWindowsDoubleAndAreForgottenAfterTenQuietMinutes) {
  ManualClock clock;
  WrongCodeThrottle throttle{clock};
  std::vector<int64_t> windows;
  for (int i = 0; i < 10; ++i) windows.push_back(throttle.RecordWrongCode(1));
  EXPECT_EQ(windows, (std::vector<int64_t>{0, 0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000}));
  // Spread over more than a minute, so that only the address's own count matters.
  clock.nowMs += WrongCodeThrottle::kForgetAfterMs;
  EXPECT_EQ(throttle.RecordWrongCode(1), 0);
  throttle.RecordWrongCode(1);
  throttle.RecordWrongCode(1);
  EXPECT_EQ(throttle.RecordWrongCode(1), 1000);
  throttle.Clear(1);
  EXPECT_FALSE(throttle.InBackOff(1));
  EXPECT_EQ(throttle.RecordWrongCode(1), 0);
}

// Guesses spread over many addresses: beyond 20 wrong codes a minute in all, every further wrong
// code opens a window for its address, however few its own are.
TEST(WrongCodeThrottle, AGlobalBudgetSlowsGuessesFromManyAddresses) {
  ManualClock clock;
  WrongCodeThrottle throttle{clock};
  for (uint32_t peer = 1; peer <= 20; ++peer) EXPECT_EQ(throttle.RecordWrongCode(peer), 0) << peer;
  EXPECT_EQ(throttle.RecordWrongCode(21), 1000);
  EXPECT_TRUE(throttle.InBackOff(21));
  EXPECT_EQ(throttle.RecordWrongCode(22), 2000);
  for (uint32_t peer = 23; peer < 40; ++peer) throttle.RecordWrongCode(peer);
  EXPECT_EQ(throttle.RecordWrongCode(40), WrongCodeThrottle::kMaxDelayMs);
  clock.nowMs += 60 * 1000;  // a quiet minute restores the budget
  EXPECT_EQ(throttle.RecordWrongCode(41), 0);
}

// A flood of fresh addresses fills the table; the address with the most wrong codes stays in it.
TEST(WrongCodeThrottle, AFullTableKeepsTheMostPenalisedAddresses) {
  ManualClock clock;
  WrongCodeThrottle throttle{clock};
  for (int i = 0; i < 9; ++i) throttle.RecordWrongCode(7);
  clock.nowMs += 1000;
  for (uint32_t peer = 100; peer < 100 + WrongCodeThrottle::kMaxTracked; ++peer)
    throttle.RecordWrongCode(peer);
  clock.nowMs += 61 * 1000;  // past every window and the global minute
  EXPECT_EQ(throttle.RecordWrongCode(7), WrongCodeThrottle::kMaxDelayMs);
}

}  // namespace
}  // namespace vantaro::control
