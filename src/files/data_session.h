#pragma once
// Serves the messages of one data connection: frames them, carries out the file requests through
// FileOperations and answers each on the control connection (2011 done, 2012 failed). Requests are
// carried out only while the control session belongs to the same device and is authorised.
//
// Used by one thread at a time (the data-channel thread, or a test or fuzz target); the objects
// given to the constructor must outlive it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/app_state.h"
#include "control/control_session.h"
#include "files/data_message_reader.h"
#include "files/file_operations.h"
#include "platform/socket.h"

namespace vantaro::files {

// Status replies on the control connection.
inline constexpr int32_t RspOperationDone = 2011;
inline constexpr int32_t RspOperationFailed = 2012;

class DataSession {
 public:
  enum class End {
    kUnrecognisedMode,  // a message whose operator mode is not served; the connection stays usable
    kClosed,            // the connection ended or failed
    kTooLong,           // a message did not fit its buffer; the stream is no longer framed
    kNotAuthorised,     // a request came while its device's control session was not authorised
  };

  DataSession(app::AppState& state, control::ControlSession& control, FileOperations& operations);
  DataSession(const DataSession&) = delete;
  DataSession& operator=(const DataSession&) = delete;

  // Serves `socket`, whose peer is the device at `peerAddress` (host order), until the session
  // ends. Never closes the socket: what happens to it is the caller's decision.
  End Serve(platform::StreamSocket& socket, uint32_t peerAddress);

  void SendOperationDone();
  void SendOperationFailed();

 private:
  End ServeMessages(platform::StreamSocket& socket, uint32_t peerAddress);
  // One complete message; returns true when the session goes on.
  bool Dispatch(uint32_t peerAddress, End* end);
  void DoFileRequest(const DataHeader& header);

  app::AppState& state_;
  control::ControlSession& control_;
  FileOperations& operations_;
  DataMessageReader reader_;
  std::vector<uint8_t> receiveBuffer_ = std::vector<uint8_t>(16384);
  // One byte more than the largest payload, so that the path of an open request is always followed
  // by a zero.
  std::vector<uint8_t> requestBuffer_ = std::vector<uint8_t>(kMaxRequestPayloadSize + 1);
};

}  // namespace vantaro::files
