#pragma once
// The file requests of the device: listings, open, downloads, uploads, copy, move and delete, all
// confined to the shared folders. A request naming a path outside them touches nothing: a listing
// of it is empty, every other request is refused (2012), and so is a path list holding one such
// path, a path that has no form in the narrow code page or that holds a zero byte. A shared folder
// itself is never deleted or moved (2012); its content is. Copy, move and delete carry on after an
// item fails and then report the failure (2012); the items that succeeded stay done. A stop
// (command 501) still ends a request as done.
//
// Threads: DoFileOperation runs on the control thread for listings (operator modes 1 and 2) and on
// the data-channel thread for everything else; BeginUploadBatch and HandleUpload run on the
// data-channel thread only. What the two threads share (the file system, the codec, the shared
// folders accessor, the stop flag, the data connection) is thread-safe.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "control/control_session.h"
#include "files/confinement.h"
#include "files/file_operations.h"
#include "files/file_sender.h"
#include "files/file_tree.h"
#include "files/folder_listing.h"
#include "files/upload_receiver.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace vantaro::files {

class FileManager : public FileOperations {
 public:
  // Every reference must outlive this object. `sharedFolders` returns the current shared folders
  // (computer paths) each time it is called, from either thread.
  FileManager(platform::FileSystem& fileSystem, platform::TextCodec& codec, platform::Clock& clock,
              app::AppState& state, control::ControlSession& session,
              std::function<std::vector<std::string>()> sharedFolders);

  bool DoFileOperation(const DataHeader& header, const uint8_t* payload, size_t payloadSize,
                       const std::string& path) override;
  void SendEmptyListing() override;
  void BeginUploadBatch() override;
  void EndDataSession() override;
  void HandleUpload(const uint8_t* message, size_t length) override;

  // The shared folders the device may only read: uploads, copies and moves into them, and moves
  // and deletes in them, are refused (2012). Set before the service opens.
  void SetReadOnlyFolders(std::function<std::vector<std::string>()> readOnlyFolders) {
    confinement_.SetReadOnlyFolders(std::move(readOnlyFolders));
  }

  // Removes the upload temporaries that an interrupted run left in the top level of the shared
  // folders (where first-level uploads land). Call once at start, before the service opens.
  void RemoveStaleUploads();

 private:
  struct PathRequest {
    std::string target;              // the folder text before the path list
    std::vector<std::string> items;  // the path list
  };

  bool OpenFile(const uint8_t* payload, size_t payloadSize);
  bool Download(const PathRequest& request, int32_t operatorMode);
  bool Copy(const PathRequest& request, bool removeSource);
  bool CopyItem(const std::string& item, platform::Folder& target, const std::string& targetPath,
                bool removeSource);
  bool Delete(const PathRequest& request);
  // Whether every path may be used: allowed and, for a delete or move, not a shared folder.
  bool AllAllowed(const PathRequest& request, bool withTarget, bool removesItems);
  bool StopRequested() const { return stopFlag_.load() != 0; }

  platform::TextCodec& codec_;
  const std::atomic<int32_t>& stopFlag_;
  Confinement confinement_;
  FileTree tree_;
  FolderListing listing_;
  FileSender sender_;
  UploadReceiver uploads_;  // data-channel thread only
};

}  // namespace vantaro::files
