#pragma once
// File operations that do nothing and report success, for a server built without the file
// manager: the data channel still frames, dispatches and answers every request.

#include "files/file_operations.h"

namespace vantaro::files {

class NullFileOperations : public FileOperations {
 public:
  bool DoFileOperation(const DataHeader&, const uint8_t*, size_t, const std::string&) override {
    return true;
  }
  void BeginUploadBatch() override {}
  void HandleUpload(const uint8_t*, size_t) override {}
};

}  // namespace vantaro::files
