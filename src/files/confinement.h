#pragma once
// The rule that the device reaches only the folders the user shared: a path is allowed when it is a
// shared folder or lies below one, compared component by component after refusing "." and ".."
// components, and when its symbolic links do not lead out of that folder.
//
// Thread-safe as far as `sharedFolders` is: it is called on the control thread (listings) and on
// the data-channel thread (every other request).

#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vantaro::files {

class Confinement {
 public:
  // `fileSystem` must outlive this object; `sharedFolders` returns the current list each time.
  Confinement(platform::FileSystem& fileSystem,
              std::function<std::vector<std::string>()> sharedFolders);

  bool Allows(const std::string& path);
  std::vector<std::string> SharedFolders() { return sharedFolders_(); }

 private:
  platform::FileSystem& fileSystem_;
  std::function<std::vector<std::string>()> sharedFolders_;
};

}  // namespace vantaro::files
