#pragma once
// The seam between the data channel (framing, dispatch, status replies) and the file operations
// (listing, transfer, copy, move, delete). Called on the data-channel thread, and on the control
// thread for listings.

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/data_header.h"

namespace vantaro::files {

class FileOperations {
 public:
  virtual ~FileOperations() = default;
  // One file request. `payload` is the zeroed 8192-byte copy of the request payload (nullptr for the
  // listings that command 500 asks for), `payloadSize` the number of payload bytes received (at most
  // 8192), `path` the path text already converted to the narrow code page (listings only).
  // Returns true when the request was carried out (2011), false when it was refused or an item
  // failed (2012).
  virtual bool DoFileOperation(const DataHeader& header, const uint8_t* payload, size_t payloadSize,
                               const std::string& path) = 0;
  // Sends the 34-byte empty listing: the answer to a listing request that cannot be carried out.
  virtual void SendEmptyListing() = 0;
  // A new upload batch starts (an upload message with file_current_number 0).
  virtual void BeginUploadBatch() = 0;
  // A data session starts or ends: nothing of an earlier session's uploads carries over.
  virtual void EndDataSession() = 0;
  // Upload messages (operator modes 4 and 7): the whole message, header included, `length` counting
  // the terminator. Sends its own status reply when one is due.
  virtual void HandleUpload(const uint8_t* message, size_t length) = 0;
};

}  // namespace vantaro::files
