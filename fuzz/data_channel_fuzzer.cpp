// Device bytes on the data channel, split into receives as the first input byte says, served by a
// data session; the same bytes also go to the handler of command 500 as its payload.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "files/data_session.h"
#include "files/file_request_handler.h"
#include "fuzz_fakes.h"
#include "platform/fakes/fake_socket.h"

namespace {

class QuietObserver : public vantaro::app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantaro;
  if (size == 0) return 0;
  // Receive sizes from 1 byte (the worst split) up to whole blocks.
  const size_t step = size_t{1} + (data[0] % 8 == 0 ? size : data[0] % 64);
  ++data;
  --size;

  QuietObserver observer;
  app::AppState state(observer);
  fuzz::FuzzControlSession control;
  fuzz::ReadingFileOperations operations;

  platform::FakeStreamSocket socket(platform::Ipv4Endpoint{fuzz::kDevice, 40000});
  for (size_t i = 0; i < size; i += step) {
    socket.AddIncoming(
        std::string(reinterpret_cast<const char*>(data + i), std::min(step, size - i)));
  }
  // One session per input; a session that ends on an unrecognised mode leaves the rest unread, so
  // serve again until the bytes are used up, as the next connection would be.
  files::DataSession session(state, control, operations);
  for (int round = 0; round < 64; ++round) {
    if (session.Serve(socket, fuzz::kDevice) != files::DataSession::End::kUnrecognisedMode) break;
  }

  files::FileRequestHandler handler(state, operations.codec, operations);
  handler.OnFileOperation(data, size);
  return 0;
}
