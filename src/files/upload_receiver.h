#pragma once
// Receives the files and folders the device uploads (operator modes 4 and 7). An upload path is
// the target folder as the device got it from a listing, "/", and the item's path below it with
// "/" separators. First-level items get a name that is free in the target folder; the items of one
// batch below the same first-level folder share the folder chosen for the first of them (the
// folder map, emptied at the start of each batch).
//
// Every reply tells the truth: 2011 only when the item was written whole and closed; 2012 when
// the path is refused (outside the shared folders, a "." or ".." component, no "/"), the folder
// cannot be prepared, the file cannot be created or written, or a data part or end arrives
// without a begin. Called on the data-channel thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/control_session.h"
#include "files/confinement.h"
#include "files/file_tree.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace vantaro::files {

class UploadReceiver {
 public:
  // Every collaborator must outlive this object.
  UploadReceiver(platform::FileSystem& fileSystem, platform::TextCodec& codec, FileTree& tree,
                 Confinement& confinement, control::ControlSession& session);

  // A new batch: forgets the folder map.
  void BeginBatch();
  // One upload message, header included; `length` counts the terminator.
  void Handle(const uint8_t* message, size_t length);
  // The computer path of an upload path (narrow code page), updating the folder map; absent when
  // the path is refused.
  std::optional<std::string> MapUploadPath(const std::string& uploadPath);

 private:
  enum class PartState { kNone, kWriting, kFailed };

  std::optional<std::string> TargetOf(const uint8_t* payload, size_t payloadSize,
                                      int32_t pathLength);
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);
  void HandleWhole(const uint8_t* payload, size_t payloadSize, int32_t isFolder,
                   int32_t pathLength, int32_t dataLength);
  void HandleBegin(const uint8_t* payload, size_t payloadSize, int32_t pathLength);
  void HandlePart(const uint8_t* payload, size_t payloadSize);
  void HandleEnd();
  void AbandonPartFile();
  void Reply(bool done);

  platform::FileSystem& fileSystem_;
  platform::TextCodec& codec_;
  FileTree& tree_;
  Confinement& confinement_;
  control::ControlSession& session_;

  std::vector<std::string> uploadFolderNames_;    // first-level folders of the batch, as named
  std::vector<std::string> uploadFolderTargets_;  // the computer folder of each, same index
  std::string uploadPath_;                        // the file being received in parts
  std::unique_ptr<platform::FileWriter> uploadFile_;
  PartState partState_ = PartState::kNone;
};

}  // namespace vantaro::files
