#include "files/confinement.h"

#include "files/computer_path.h"

namespace vantaro::files {

Confinement::Confinement(platform::FileSystem& fileSystem,
                         std::function<std::vector<std::string>()> sharedFolders)
    : fileSystem_(fileSystem), sharedFolders_(std::move(sharedFolders)) {}

bool Confinement::Allows(const std::string& path) {
  auto parts = SplitComputerPath(path);
  if (!parts) return false;
  std::string canonical = JoinComputerPath(*parts);
  for (const std::string& folder : sharedFolders_()) {
    auto root = SplitComputerPath(folder);
    if (!root || !IsSameOrBelow(*parts, *root)) continue;
    // The text says inside; the links on the way must agree.
    if (fileSystem_.ResolvesWithin(canonical, JoinComputerPath(*root))) return true;
  }
  return false;
}

}  // namespace vantaro::files
