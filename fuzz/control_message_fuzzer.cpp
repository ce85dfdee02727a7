// Feeds arbitrary bytes, in arbitrary segment sizes, through the control message reader and the
// dispatcher, as the control thread would read them from a device.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/settings.h"
#include "control/command_handlers.h"
#include "control/control_dispatcher.h"
#include "control/control_message_reader.h"
#include "platform/fakes/fake_socket.h"

namespace {

using namespace vantaro;

class QuietObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

class PassCodec : public platform::TextCodec {
 public:
  std::optional<std::string> Utf8ToAnsi(std::string_view s) override { return std::string(s); }
  std::optional<std::string> AnsiToUtf8(std::string_view s) override { return std::string(s); }
  bool IsValidUtf8(std::string_view) override { return true; }
};

class StillClock : public platform::Clock {
 public:
  double UnixTimeSeconds() override { return 0; }
  int64_t MonotonicMs() override { return 0; }
  void SleepMs(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the security setting and the segment size.
  uint8_t control = data[0];
  ++data;
  --size;
  QuietObserver observer;
  app::AppState state(observer);
  app::Settings settings;
  settings.securityLogin = control & 1;
  settings.securityCode = "abcd";
  PassCodec codec;
  StillClock clock;
  control::WrongCodeThrottle throttle(clock);
  control::NullHandlers handlers;
  std::atomic<bool> authorised{false};
  platform::FakeStreamSocket socket;
  size_t segment = 1 + (control >> 1);
  for (size_t at = 0; at < size; at += segment)
    socket.AddIncoming(std::string(reinterpret_cast<const char*>(data + at),
                                   std::min(segment, size - at)));
  control::ControlDispatcher dispatcher(
      state, settings, codec, control::ControlServices{handlers, handlers, handlers, handlers},
      throttle, 20200, [&socket](const std::string& b) { socket.SendAll(b.data(), b.size()); },
      control::ControlDispatcher::Session{1, &authorised});
  control::ControlMessageReader reader;
  uint8_t chunk[control::kFirstReceiveSize];
  for (;;) {
    reader.Reset();
    auto result = control::ControlMessageReader::Result::kNeedMore;
    while (result == control::ControlMessageReader::Result::kNeedMore) {
      long n = socket.Receive(chunk, reader.NextReceiveSize());
      if (n <= 0) return 0;
      result = reader.Add(chunk, static_cast<size_t>(n));
    }
    if (result == control::ControlMessageReader::Result::kError) return 0;
    if (dispatcher.Dispatch(reader) == control::ControlDispatcher::Outcome::kEndSession) return 0;
  }
}
