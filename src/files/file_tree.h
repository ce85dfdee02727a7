#pragma once
// The file-system helpers of copy, move, delete, downloads and uploads, working on open folders
// so that no link met on the way is followed. They keep no state; the tree walks poll the stop
// flag once per entry. Symbolic links inside a tree are never descended into: a copy stops at a
// link (so a move keeps its source), deleting a tree removes links, not what they point to, and a
// download leaves them out. Called on the data-channel thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vantaro::files {

class FileTree {
 public:
  // `stopFlag` must outlive this object.
  explicit FileTree(const std::atomic<int32_t>& stopFlag);

  // A name no entry of `folder` has: `name`, or `name` with "2" inserted (after a folder's name,
  // before a file's last ".", or in front of a file name without one) as often as needed. Names
  // compare as exact bytes.
  static std::string MakeUniqueName(platform::Folder& folder, const std::string& name);
  // Copies the tree of `source` into the new folder `targetName` of `targetParent`; false at the
  // first entry that could not be copied or when the stop flag ended it.
  bool CopyFolderTree(platform::Folder& source, platform::Folder& targetParent,
                      const std::string& targetName);
  // Deletes the folder `name` of `parent` with its tree, read-only files included; true when the
  // folder itself was removed. A link in its place is not followed and not removed.
  bool DeleteFolderTree(platform::Folder& parent, const std::string& name);
  // Every visible file below `folder` (whose computer path is `path`), depth first in enumeration
  // order; a folder without visible content stands for itself.
  std::vector<std::string> CollectFiles(platform::Folder& folder, const std::string& path);

 private:
  bool StopRequested() const { return stopFlag_.load() != 0; }

  const std::atomic<int32_t>& stopFlag_;
};

}  // namespace vantaro::files
