#include "files/file_request_handler.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/escaped_text.h"

namespace vantaro::files {

FileRequestHandler::FileRequestHandler(app::AppState& state, platform::TextCodec& codec,
                                       FileOperations& operations,
                                       std::function<void()> awaitDataConnection)
    : state_(state),
      codec_(codec),
      operations_(operations),
      awaitDataConnection_(std::move(awaitDataConnection)) {}

void FileRequestHandler::OnFileOperation(const uint8_t* payload, size_t size) {
  state_.stopFileOperation.store(0);
  std::array<uint8_t, kDataHeaderSize> head{};
  const size_t headBytes = payload ? std::min(size, kDataHeaderSize) : 0;
  if (headBytes > 0) std::memcpy(head.data(), payload, headBytes);
  const DataHeader header = ParseDataHeader(head.data());

  if (header.operator_mode == 1 || header.operator_mode == 2) {
    const size_t pathBytes = size > kDataHeaderSize ? size - kDataHeaderSize : 0;
    const int32_t pathLength = header.file_path_length;
    if (pathLength > 0 && static_cast<size_t>(pathLength) > pathBytes) {
      // A cut path would list a different folder than the one asked for; the device still gets
      // an answer, or it would wait for ever.
      std::fprintf(stderr, "file request: path of %d bytes, only %zu received; not listed\n",
                   pathLength, pathBytes);
      if (awaitDataConnection_) awaitDataConnection_();
      operations_.SendEmptyListing();
    } else {
      std::optional<std::string> path = std::string();
      std::string_view raw;
      if (pathLength > 0) {
        raw = std::string_view(reinterpret_cast<const char*>(payload + kDataHeaderSize),
                               size_t(pathLength));
        path = codec_.Utf8ToAnsi(raw);
      }
      if (awaitDataConnection_) awaitDataConnection_();
      if (path) {
        operations_.DoFileOperation(header, nullptr, 0, *path);
      } else {
        // Not the shared folders, which is what an empty path would list.
        std::fprintf(stderr, "file request: refused listing path %s\n",
                     platform::EscapedForLog(raw).c_str());
        operations_.SendEmptyListing();
      }
    }
  }
  state_.SetConnectionStatus(app::kStatusFileManager);
}

void FileRequestHandler::OnStopFileOperation() { state_.stopFileOperation.store(1); }

}  // namespace vantaro::files
