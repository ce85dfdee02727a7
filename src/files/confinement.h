#pragma once
// The rule that the device reaches only the folders the user shared, and the way every request
// reaches them. A path is allowed when it is a shared folder or lies below one, compared component
// by component after refusing "." and ".." components. It is then reached by opening the shared
// folder (the user chose it, so links on its own path are followed) and stepping down one open
// folder at a time without following any link: a link below a shared folder is never followed, so
// a folder swapped for a link while a request runs cannot lead the request out.
//
// Thread-safe as far as `sharedFolders` is: it is called on the control thread (listings) and on
// the data-channel thread (every other request).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vantaro::files {

// Where a request path leads: the open folder that holds the item, and its name there.
struct Located {
  std::unique_ptr<platform::Folder> parent;  // the shared folder itself when `name` is empty
  std::string name;                          // empty when the path is a shared folder
  std::string path;                          // the path in canonical form ("C:\a\b")
  bool IsSharedFolder() const { return name.empty(); }
  // The item as an open folder (nullptr when it is not one, or is a link).
  std::unique_ptr<platform::Folder> OpenAsFolder();
  // The status of the item itself, a link not followed.
  std::optional<platform::FileStatus> Status() { return parent->Status(name); }
};

class Confinement {
 public:
  // `fileSystem` must outlive this object; `sharedFolders` returns the current list each time.
  Confinement(platform::FileSystem& fileSystem,
              std::function<std::vector<std::string>()> sharedFolders);

  // The shared folders that the device may read but not change; `readOnlyFolders` returns the
  // current list each time, from either thread. Set before the service opens; none by default.
  void SetReadOnlyFolders(std::function<std::vector<std::string>()> readOnlyFolders) {
    readOnlyFolders_ = std::move(readOnlyFolders);
  }

  // Whether the text of `path` names a shared folder or something below one.
  bool Allows(const std::string& path);
  // Whether `path` may be written, created, moved or deleted: allowed, and in no read-only shared
  // folder (where two shared folders overlap, a read-only one wins).
  bool AllowsChange(const std::string& path);
  // Whether `path` names a shared folder itself.
  bool IsSharedFolder(const std::string& path);
  // Reaches the folder that holds `path`; absent when the path is not allowed or a folder on the
  // way is missing or a link. The item itself need not exist.
  std::optional<Located> Locate(const std::string& path);
  // The folder `path` names; with `createMissing`, missing folders on the way are created. nullptr
  // when it is not allowed, a step is a link or a file, or a folder cannot be created.
  std::unique_ptr<platform::Folder> OpenFolder(const std::string& path, bool createMissing = false);
  std::vector<std::string> SharedFolders() { return sharedFolders_(); }
  platform::FileSystem& fileSystem() { return fileSystem_; }

 private:
  // Walks from the deepest shared folder above `parts` down to its component `end` (exclusive).
  std::unique_ptr<platform::Folder> Walk(const std::vector<std::string>& parts, size_t end,
                                         bool createMissing);

  platform::FileSystem& fileSystem_;
  std::function<std::vector<std::string>()> sharedFolders_;
  std::function<std::vector<std::string>()> readOnlyFolders_;
};

}  // namespace vantaro::files
