#include "files/data_session.h"

#include <algorithm>
#include <cstring>

namespace vantaro::files {

DataSession::DataSession(app::AppState& state, control::ControlSession& control,
                         FileOperations& operations)
    : state_(state), control_(control), operations_(operations) {}

void DataSession::SendOperationDone() { control_.SendStatusReply(RspOperationDone); }

void DataSession::SendOperationFailed() { control_.SendStatusReply(RspOperationFailed); }

// Bytes are received in blocks rather than one at a time; the reader still ends each message at
// its terminator, and what follows it is kept as the start of the next message.
DataSession::End DataSession::Serve(platform::StreamSocket& socket, uint32_t peerAddress) {
  operations_.EndDataSession();
  End end = ServeMessages(socket, peerAddress);
  // An upload cut off with the connection is removed, and no folder map outlives its session.
  operations_.EndDataSession();
  return end;
}

DataSession::End DataSession::ServeMessages(platform::StreamSocket& socket, uint32_t peerAddress) {
  reader_.Reset();
  size_t position = 0;
  size_t filled = 0;
  for (;;) {
    if (position == filled) {
      long received = socket.Receive(receiveBuffer_.data(), receiveBuffer_.size());
      if (received <= 0) return End::kClosed;
      position = 0;
      filled = static_cast<size_t>(received);
    }
    size_t consumed = 0;
    auto status = reader_.Feed(receiveBuffer_.data() + position, filled - position, &consumed);
    position += consumed;
    if (status == DataMessageReader::Status::kTooLong) return End::kTooLong;
    if (status == DataMessageReader::Status::kMessage) {
      End end{};
      if (!Dispatch(peerAddress, &end)) return end;
    }
  }
}

bool DataSession::Dispatch(uint32_t peerAddress, End* end) {
  const DataHeader& header = reader_.header();
  state_.stopFileOperation.store(0);
  const int32_t mode = header.operator_mode;
  if (!IsFileRequestMode(mode) && !IsUploadMode(mode)) {
    *end = End::kUnrecognisedMode;
    return false;
  }
  // Checked per request rather than once per connection: the control session may end, or another
  // device may take over, while this connection stays open.
  if (!control_.SessionAuthorised() || control_.SessionPeerAddress() != peerAddress) {
    *end = End::kNotAuthorised;
    return false;
  }
  if (IsUploadMode(mode)) {
    if (header.file_current_number == 0) operations_.BeginUploadBatch();
    operations_.HandleUpload(reader_.message(), reader_.size());
    return true;
  }
  DoFileRequest(header);
  return true;
}

void DataSession::DoFileRequest(const DataHeader& header) {
  if (header.file_send_mode != 4) {
    // Requests sent in parts are not supported; the device learns it at once.
    SendOperationFailed();
    return;
  }
  const size_t payloadSize = reader_.payloadSize();  // the reader keeps it within the buffer
  std::fill(requestBuffer_.begin(), requestBuffer_.end(), uint8_t{0});
  if (payloadSize > 0) {
    std::memcpy(requestBuffer_.data(), reader_.message() + kDataHeaderSize, payloadSize);
  }
  bool done =
      operations_.DoFileOperation(header, requestBuffer_.data(), payloadSize, std::string());
  if (done) {
    SendOperationDone();
  } else {
    SendOperationFailed();
  }
}

}  // namespace vantaro::files
