#include "app/folder_access.h"

#include <string>

#include "app/shared_folders.h"

namespace vantaro::app {

std::vector<bool> LoadFolderAccess(platform::ProfileStore& store, size_t folderCount) {
  std::vector<bool> readOnly;
  for (size_t i = 0; i < folderCount; ++i)
    readOnly.push_back(store.GetString(kFileConfigSection, kAccessKeyPrefix + std::to_string(i)) ==
                       kReadOnlyValue);
  return readOnly;
}

void WriteFolderAccess(platform::ProfileStore& store, const std::vector<bool>& readOnly) {
  for (size_t i = 0; i < readOnly.size(); ++i)
    store.WriteString(kFileConfigSection, kAccessKeyPrefix + std::to_string(i),
                      readOnly[i] ? kReadOnlyValue : kReadWriteValue);
}

}  // namespace vantaro::app
