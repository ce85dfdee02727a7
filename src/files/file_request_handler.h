#pragma once
// Commands 500 (a file request on the control channel: the listings) and 501 (stop the running
// file operation). Called on the control thread; the objects given to the constructor must outlive
// this one.

#include <functional>

#include "app/app_state.h"
#include "control/command_handlers.h"
#include "files/file_operations.h"
#include "platform/text_codec.h"

namespace vantaro::files {

class FileRequestHandler : public control::FileRequestHandler {
 public:
  // `awaitDataConnection`, when given, runs before each listing and may block briefly until the
  // device's data connection is being served (the listing goes out on it).
  FileRequestHandler(app::AppState& state, platform::TextCodec& codec, FileOperations& operations,
                     std::function<void()> awaitDataConnection = {});

  // Clears the stop flag, carries out the listings (operator modes 1 and 2) and shows the file
  // manager state; no reply is sent, the listing is the answer. A header cut short reads as zeros;
  // a path that reaches past the received bytes is not listed.
  void OnFileOperation(const uint8_t* payload, size_t size) override;
  // Sets the stop flag that the file loops poll.
  void OnStopFileOperation() override;

 private:
  app::AppState& state_;
  platform::TextCodec& codec_;
  FileOperations& operations_;
  std::function<void()> awaitDataConnection_;
};

}  // namespace vantaro::files
