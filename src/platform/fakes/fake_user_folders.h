#pragma once
// Default shared folders chosen by the test.

#include <string>
#include <vector>

#include "platform/user_folders.h"

namespace vantaro::platform {

class FakeUserFolders : public UserFolders {
 public:
  FakeUserFolders() = default;
  explicit FakeUserFolders(std::vector<std::string> folders) : folders(std::move(folders)) {}
  std::vector<std::string> DefaultSharedFolders() override { return folders; }

  std::vector<std::string> folders;
};

}  // namespace vantaro::platform
