#include "input/remote_input.h"

namespace vantaro::input {

RemoteInput::RemoteInput(platform::InputInjector& injector, platform::Clock& clock,
                         platform::TextCodec& codec)
    : held_(injector), pointer_(held_, clock), keyboard_(held_, codec) {}

void RemoteInput::OnPointer(const uint8_t* payload, size_t size) {
  if (const auto event = ParsePointerEvent(payload, size)) pointer_.Handle(*event);
}

void RemoteInput::OnKey(const uint8_t* payload, size_t size) {
  if (const auto event = ParseKeyEvent(payload, size)) keyboard_.Handle(*event);
}

void RemoteInput::OnSessionEnded() {
  held_.ReleaseAll();
  pointer_.Reset();
  keyboard_.Reset();
}

}  // namespace vantaro::input
