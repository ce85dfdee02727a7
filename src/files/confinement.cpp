#include "files/confinement.h"

#include <algorithm>

#include "files/computer_path.h"

namespace vantaro::files {

std::unique_ptr<platform::Folder> Located::OpenAsFolder() {
  if (!parent) return nullptr;
  if (name.empty()) return std::move(parent);
  return parent->OpenFolder(name);
}

Confinement::Confinement(platform::FileSystem& fileSystem,
                         std::function<std::vector<std::string>()> sharedFolders)
    : fileSystem_(fileSystem), sharedFolders_(std::move(sharedFolders)) {}

bool Confinement::Allows(const std::string& path) {
  auto parts = SplitComputerPath(path);
  if (!parts) return false;
  for (const std::string& folder : sharedFolders_()) {
    auto root = SplitComputerPath(folder);
    if (root && IsSameOrBelow(*parts, *root)) return true;
  }
  return false;
}

bool Confinement::AllowsChange(const std::string& path) {
  if (!Allows(path)) return false;
  if (!readOnlyFolders_) return true;
  auto parts = SplitComputerPath(path);
  for (const std::string& folder : readOnlyFolders_()) {
    auto root = SplitComputerPath(folder);
    if (root && IsSameOrBelow(*parts, *root)) return false;
  }
  return true;
}

bool Confinement::IsSharedFolder(const std::string& path) {
  auto parts = SplitComputerPath(path);
  if (!parts) return false;
  for (const std::string& folder : sharedFolders_())
    if (SplitComputerPath(folder) == parts) return true;
  return false;
}

std::unique_ptr<platform::Folder> Confinement::Walk(const std::vector<std::string>& parts,
                                                    size_t end, bool createMissing) {
  // The deepest shared folder first: a shared folder may itself be a link inside another one.
  std::vector<std::vector<std::string>> roots;
  for (const std::string& folder : sharedFolders_()) {
    auto root = SplitComputerPath(folder);
    if (root && root->size() <= end && IsSameOrBelow(parts, *root)) roots.push_back(*root);
  }
  std::sort(roots.begin(), roots.end(),
            [](const auto& a, const auto& b) { return a.size() > b.size(); });
  for (const auto& root : roots) {
    auto folder = fileSystem_.OpenFolderPath(JoinComputerPath(root));
    for (size_t i = root.size(); folder && i < end; ++i) {
      auto next = folder->OpenFolder(parts[i]);
      if (!next && createMissing && folder->CreateFolder(parts[i]))
        next = folder->OpenFolder(parts[i]);
      folder = std::move(next);
    }
    if (folder) return folder;
  }
  return nullptr;
}

std::optional<Located> Confinement::Locate(const std::string& path) {
  auto parts = SplitComputerPath(path);
  if (!parts || !Allows(path)) return std::nullopt;
  Located out;
  out.path = JoinComputerPath(*parts);
  if (IsSharedFolder(path)) {
    out.parent = Walk(*parts, parts->size(), false);
  } else {
    out.parent = Walk(*parts, parts->size() - 1, false);
    out.name = parts->back();
  }
  if (!out.parent) return std::nullopt;
  return out;
}

std::unique_ptr<platform::Folder> Confinement::OpenFolder(const std::string& path,
                                                          bool createMissing) {
  auto parts = SplitComputerPath(path);
  if (!parts || !Allows(path)) return nullptr;
  return Walk(*parts, parts->size(), createMissing);
}

}  // namespace vantaro::files
