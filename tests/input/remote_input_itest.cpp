// The real server on an Xvfb display of the test's own: pointer and key commands sent as a device
// sends them, and their effect observed by an X client of the test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>
#include <vector>

#include "input/x_input_observer.h"
#include "support/xvfb_display.h"
#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Events = std::vector<std::string>;

std::string Pointer(int32_t action, float x = 0, float y = 0) {
  const std::string payload =
      Le32(action) + Le32(std::bit_cast<int32_t>(x)) + Le32(std::bit_cast<int32_t>(y));
  return ControlMessage(600, static_cast<int32_t>(payload.size()), payload);
}

std::string Key(const std::string& text, int32_t state = 0) {
  const std::string payload = Le32(state) + Le32(static_cast<int32_t>(text.size())) + text;
  return ControlMessage(601, static_cast<int32_t>(payload.size()), payload);
}

Events Click(int button) {
  return {"button " + std::to_string(button) + " press",
          "button " + std::to_string(button) + " release"};
}
Events Tap(const std::string& key) { return {"key " + key + " press", "key " + key + " release"}; }
Events Join(std::initializer_list<Events> parts) {
  Events all;
  for (const Events& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class RemoteInputWireTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    xvfb_ = new XvfbDisplay;
    if (!xvfb_->ok()) {
      delete xvfb_;
      xvfb_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete xvfb_;
    xvfb_ = nullptr;
  }

  void SetUp() override {
    if (xvfb_ == nullptr) GTEST_SKIP() << "Xvfb could not be started";
    ASSERT_TRUE(observer_.Open(xvfb_->name()));
    ServerOptions options;
    options.binary = VANTARO_SERVER_PATH;
    options.env["DISPLAY"] = xvfb_->name();
    server_ = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server_->Start());
    ASSERT_GE(server_->WaitForLine("status 1:"), 0) << server_->Stderr();
    ASSERT_TRUE(device_.Connect(server_->controlPort()));
    ASSERT_TRUE(device_.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
    ASSERT_EQ(Hex(device_.Receive(30)), Hex(WelcomeReply()));
    // Start from a known place, and with nothing recorded.
    Send(Pointer(10, 0, 0) + Pointer(4) + Pointer(5));
    ASSERT_TRUE(observer_.WaitForPointer(0, 0));
    Settle();
    observer_.TakeEvents();
  }

  void TearDown() override {
    if (server_) {
      device_.Close();
      EXPECT_EQ(server_->Stop(), 0);
      EXPECT_THAT(server_->Stderr(), IsEmpty());
    }
  }

  void Send(const std::string& bytes) { ASSERT_TRUE(device_.Send(bytes)); }

  // Commands run in order on one thread, so once a final one-pixel move shows, every earlier
  // command has reached the display.
  void Settle() {
    auto [x, y] = observer_.Pointer();
    const int dx = x > 0 ? -1 : 1;
    Send(Pointer(1, static_cast<float>(dx), 0));
    ASSERT_TRUE(observer_.WaitForPointer(x + dx, y));
  }

  static XvfbDisplay* xvfb_;
  XInputObserver observer_;
  std::unique_ptr<ServerProcess> server_;
  DeviceClient device_;
};

XvfbDisplay* RemoteInputWireTest::xvfb_ = nullptr;

TEST_F(RemoteInputWireTest, PointerCommandsPlaceThePointerAndPressTheButtons) {
  struct Row {
    const char* name;
    std::string commands;
    std::pair<int, int> pointer;
    Events events;
  };
  const Row rows[] = {
      {"move and click at the centre", Pointer(10, 0.5f, 0.5f), {960, 540}, Click(1)},
      {"move and click at the far edges", Pointer(10, 1.0f, 1.0f), {1919, 1079}, Click(1)},
      {"move and click before the near edges", Pointer(10, -0.2f, -0.2f), {0, 0}, Click(1)},
      {"relative moves truncate", Pointer(1, 100, 100) + Pointer(1, 3.7f, -2.9f), {103, 97}, {}},
      {"relative move past the far edges", Pointer(1, 5000, 5000), {1919, 1079}, {}},
      {"relative move past the near edges", Pointer(1, -5000, -5000), {0, 0}, {}},
      {"a drag presses and releases once and moves the pointer",
       Pointer(2) + Pointer(1, 300, 200) + Pointer(1, 10, 10) + Pointer(2) + Pointer(1, 10, 10) +
           Pointer(4),
       {320, 220},
       {"button 1 press", "button 1 release"}},
      {"right click and double clicks",
       Pointer(8) + Pointer(9) + Pointer(11, 0.25f, 0.75f),
       {480, 810},
       Join({Click(3), Click(3), Click(3), Click(1), Click(1)})},
      {"scrolling down by whole notches only vertically",
       Pointer(12, 0, 30) + Pointer(12, 0, 15) + Pointer(12, 0, 15) + Pointer(12, 1, 30),
       {0, 0},
       Join({Click(5), Click(5)})},
      {"scrolling up", Pointer(12, 0, -30), {0, 0}, Click(4)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Send(Pointer(1, -5000, -5000));
    ASSERT_TRUE(observer_.WaitForPointer(0, 0));
    observer_.TakeEvents();

    Send(row.commands);
    EXPECT_TRUE(observer_.WaitForPointer(row.pointer.first, row.pointer.second))
        << observer_.Pointer().first << "," << observer_.Pointer().second;
    Settle();
    EXPECT_THAT(observer_.TakeEvents(), ElementsAreArray(row.events));
  }
}

TEST_F(RemoteInputWireTest, KeyCommandsPressTheirKeysWithTheHeldModifier) {
  observer_.ShowTextWindow();
  struct Row {
    const char* name;
    std::string commands;
    Events events;
  };
  const Row rows[] = {
      {"Shift and a", Key("Shift", 1) + Key("a") + Key("Shift", 0),
       Join({{"key Shift_L press"}, Tap("a"), {"key Shift_L release"}})},
      {"Control and c", Key("Control", 1) + Key("c") + Key("Control", 0),
       Join({{"key Control_L press"}, Tap("c"), {"key Control_L release"}})},
      {"F5", Key("F5"), Tap("F5")},
      {"ESCAPE and ReturnR2 are F18", Key("ESCAPE") + Key("ReturnR2"),
       Join({Tap("F18"), Tap("F18")})},
      {"DELETE is Backspace", Key("DELETE") + Key("Delete Right"),
       Join({Tap("BackSpace"), Tap("Delete")})},
      {"Alt with a named key", Key("Alt", 1) + Key("TAB") + Key("Alt", 0),
       Join({{"key Alt_L press"}, Tap("Tab"), {"key Alt_L release"}})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Send(row.commands);
    Settle();
    EXPECT_THAT(observer_.TakeEvents(), ElementsAreArray(row.events));
  }
  observer_.TakeText();
}

TEST_F(RemoteInputWireTest, TextIsTypedIntoTheWindowUnderThePointer) {
  observer_.ShowTextWindow();
  Send(Key("Hello, World! 42") + Key("RETURN") + Key("Shift", 1) + Key("x") + Key("Shift", 0));
  // Characters the layout has no key for: a Latin-1 letter, a Chinese one.
  Send(Key("\xC3\xA9\xE4\xB8\xAD\xC3\xA9"));
  Settle();
  EXPECT_EQ(observer_.TakeText(), "Hello, World! 42\nX\xC3\xA9\xE4\xB8\xAD\xC3\xA9");
  EXPECT_TRUE(observer_.KeymapHas(0x1004E2D));

  // The keys bound for them are given back when the server ends.
  device_.Close();
  EXPECT_EQ(server_->Stop(), 0);
  EXPECT_THAT(server_->Stderr(), IsEmpty());
  server_.reset();
  EXPECT_FALSE(observer_.KeymapHas(0x1004E2D));
  EXPECT_FALSE(observer_.KeymapHas(XK_eacute));
}

TEST_F(RemoteInputWireTest, CapsLockKeepsTheCaseOfTypedLetters) {
  observer_.ShowTextWindow();
  observer_.PressCapsLock();
  Settle();
  observer_.TakeEvents();
  Send(Key("aB1"));
  Settle();
  EXPECT_THAT(observer_.TakeEvents(),
              ElementsAreArray(Join(
                  {{"key Shift_L press"}, Tap("a"), {"key Shift_L release"}, Tap("b"), Tap("1")})));
  EXPECT_EQ(observer_.TakeText(), "aB1");
  observer_.PressCapsLock();
}

TEST_F(RemoteInputWireTest, TextWithNoWindowUnderThePointerIsDropped) {
  Send(Key("hello") + Key("Space"));
  Settle();
  EXPECT_THAT(observer_.TakeEvents(), IsEmpty());
  Send(Key("RETURN"));
  Settle();
  EXPECT_THAT(observer_.TakeEvents(), ElementsAreArray(Tap("Return")));
}

TEST(RemoteInputWithoutDisplayTest, InputIsANoOpAndTheSessionGoesOn) {
  ServerOptions options;
  options.binary = VANTARO_SERVER_PATH;
  options.env["DISPLAY"] = ":";  // names no display
  ServerProcess server(options);
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 1:"), 0) << server.Stderr();
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server.controlPort()));
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
  ASSERT_EQ(Hex(device.Receive(30)), Hex(WelcomeReply()));
  ASSERT_TRUE(device.Send(Pointer(10, 0.5f, 0.5f) + Pointer(11, 0.5f, 0.5f) + Pointer(1, 5, 5) +
                          Key("a") + Key("F5") + ControlMessage(300, 0, Le32(102))));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2006)));
  device.Close();
  EXPECT_EQ(server.Stop(), 0);
  const std::string errors = server.Stderr();
  EXPECT_THAT(errors, HasSubstr("no X display"));
  EXPECT_EQ(errors.find("no X display"), errors.rfind("no X display"));
}

TEST(RemoteInputDisplayLostTest, TheServerOutlivesItsDisplay) {
  XvfbDisplay xvfb;
  if (!xvfb.ok()) GTEST_SKIP() << "Xvfb could not be started: " << xvfb.error();
  ServerOptions options;
  options.binary = VANTARO_SERVER_PATH;
  options.env["DISPLAY"] = xvfb.name();
  ServerProcess server(options);
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 1:"), 0) << server.Stderr();
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server.controlPort()));
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
  ASSERT_EQ(Hex(device.Receive(30)), Hex(WelcomeReply()));
  ASSERT_TRUE(device.Send(Pointer(10, 0.5f, 0.5f) + ControlMessage(300, 0, Le32(102))));
  ASSERT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2006)));

  xvfb.Stop();
  ASSERT_TRUE(device.Send(Pointer(10, 0.5f, 0.5f) + Pointer(1, 5, 5) + Key("hello") + Key("F5") +
                          Key("\xE4\xB8\xAD") + ControlMessage(300, 0, Le32(102))));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2006)));
  device.Close();
  EXPECT_EQ(server.Stop(), 0) << server.Stderr();
  const std::string errors = server.Stderr();
  EXPECT_THAT(errors, HasSubstr("lost the X display"));
  EXPECT_EQ(errors.find("lost the X display"), errors.rfind("lost the X display"));
}

}  // namespace
}  // namespace vantaro::testing
