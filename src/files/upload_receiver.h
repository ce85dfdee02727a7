#pragma once
// Receives the files and folders the device uploads (operator modes 4 and 7). An upload path is
// the target folder as the device got it from a listing, "/", and the item's path below it with
// "/" separators. First-level items get a name that is free in the target folder; the items of one
// batch below the same first-level folder share the folder chosen for the first of them (the
// folder map, emptied at the start of each batch and of each data session). No upload replaces an
// existing file: a file whose name is taken gets a free name as well, at the moment it is complete.
//
// A file is written under a hidden temporary name in its folder (kUploadTemporaryPrefix, a
// number, kUploadTemporarySuffix) and given its name only when it is whole; one that is
// interrupted or fails is removed, so that no cut file passes for a complete one. Temporaries
// left by a crash are removed at the next start (FileManager::RemoveStaleUploads).
//
// Every reply tells the truth: 2011 only when the item was written whole and named; 2012 when
// the path is refused (outside the shared folders, no UTF-8 form, a "." or ".." component, no
// "/"), the folder cannot be prepared, the file cannot be created or written, or a data part or
// end arrives without a begin. Called on the data-channel thread only.

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

inline constexpr char kUploadTemporaryPrefix[] = ".vantaro-upload-";
inline constexpr char kUploadTemporarySuffix[] = ".part";

// Whether `name` has the form of an upload temporary.
bool IsUploadTemporaryName(const std::string& name);

class UploadReceiver {
 public:
  // Every collaborator must outlive this object.
  UploadReceiver(platform::TextCodec& codec, Confinement& confinement,
                 control::ControlSession& session);
  ~UploadReceiver();

  // A new batch: forgets the folder map.
  void BeginBatch();
  // The data session ended: a file still being received is removed, the folder map forgotten.
  void EndSession();
  // One upload message, header included; `length` counts the terminator.
  void Handle(const uint8_t* message, size_t length);
  // The computer path of an upload path (narrow code page), updating the folder map; absent when
  // the path is refused.
  std::optional<std::string> MapUploadPath(const std::string& uploadPath);

 private:
  // A file being written under its temporary name.
  struct Pending {
    std::unique_ptr<platform::Folder> folder;
    std::string temporaryName;
    std::string finalName;
    std::string path;  // for diagnostics
    std::unique_ptr<platform::FileWriter> file;
  };

  std::optional<std::string> TargetOf(const uint8_t* payload, size_t payloadSize,
                                      int32_t pathLength);
  // Prepares the folder of `path` and creates its temporary file.
  std::optional<Pending> Start(const std::string& path);
  // Closes the file and gives it its final (free) name; removes it on failure.
  bool Finish(Pending& pending);
  void Abandon(Pending& pending);
  void HandleWhole(const uint8_t* payload, size_t payloadSize, int32_t isFolder,
                   int32_t pathLength, int32_t dataLength);
  void HandleBegin(const uint8_t* payload, size_t payloadSize, int32_t pathLength);
  void HandlePart(const uint8_t* payload, size_t payloadSize);
  void HandleEnd();
  void Reply(bool done);

  platform::TextCodec& codec_;
  Confinement& confinement_;
  control::ControlSession& session_;

  std::vector<std::string> uploadFolderNames_;    // first-level folders of the batch, as named
  std::vector<std::string> uploadFolderTargets_;  // the computer folder of each, same index
  enum class PartState { kNone, kWriting, kFailed };
  PartState partState_ = PartState::kNone;
  std::optional<Pending> inParts_;  // the file being received in parts
  uint32_t nextTemporary_ = 0;
};

}  // namespace vantaro::files
