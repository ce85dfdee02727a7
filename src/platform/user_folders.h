#pragma once
// The folders that a first run shares with the device by default.

#include <string>
#include <vector>

namespace vantaro::platform {

class UserFolders {
 public:
  virtual ~UserFolders() = default;
  // The user's media and document folders (videos, pictures, documents, music, in this order) that
  // exist as folders right now, as computer paths (Windows syntax). Folders that are missing, or
  // that the system maps to the home folder itself, are left out. Never fails; may be empty.
  virtual std::vector<std::string> DefaultSharedFolders() = 0;
};

}  // namespace vantaro::platform
