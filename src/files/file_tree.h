#pragma once
// The file-system helpers of copy, move, delete, downloads and uploads. They keep no state; the
// tree walks poll the stop flag once per entry. Symbolic links met inside a tree are never
// descended into: a link that leaves the shared folders is refused, a link to a folder is not
// copied (its target may hold the tree itself), and deleting a tree removes links, not what they
// point to. Called on the data-channel thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "files/confinement.h"
#include "platform/file_system.h"

namespace vantaro::files {

class FileTree {
 public:
  // All three must outlive this object.
  FileTree(platform::FileSystem& fileSystem, const std::atomic<int32_t>& stopFlag,
           Confinement& confinement);

  // `folder` + "\" + a name no entry of the folder has: `name`, or `name` with "2" inserted (after
  // a folder's name, before a file's last ".", or in front of a file name without one) as often
  // as needed. Names compare as exact bytes; the folder is used as given.
  std::string MakeUniquePath(const std::string& folder, const std::string& name);
  // Creates every missing folder of `path` (which starts with a drive, "C:\..."); true when the
  // whole path is a folder at the end.
  bool MakeDirectoryTree(const std::string& path);
  // Copies the tree below `source` into `target` (created); false at the first entry that could
  // not be copied or when the stop flag ended it.
  bool CopyFolderTree(const std::string& source, const std::string& target);
  // Deletes the tree, read-only files included; true when `folder` itself was removed.
  bool DeleteFolderTree(const std::string& folder);
  // Every visible file below `folder`, depth first in enumeration order; a folder without visible
  // content stands for itself.
  std::vector<std::string> CollectFiles(const std::string& folder);

 private:
  bool StopRequested() const { return stopFlag_.load() != 0; }

  platform::FileSystem& fileSystem_;
  const std::atomic<int32_t>& stopFlag_;
  Confinement& confinement_;
};

}  // namespace vantaro::files
