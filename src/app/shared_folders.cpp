#include "app/shared_folders.h"

#include <cstdio>

#include "app/leading_digits.h"

namespace vantaro::app {

void AddDefaultSharedFolders(platform::UserFolders& userFolders,
                             std::vector<std::string>& sharedFolders) {
  for (std::string& folder : userFolders.DefaultSharedFolders())
    sharedFolders.push_back(std::move(folder));
}

void LoadSharedFolders(platform::ProfileStore& store, std::vector<std::string>& sharedFolders) {
  int32_t count = LeadingDigitsValue(store.GetString(kFileConfigSection, kPathCountKey));
  if (count <= 0) return;
  if (count > kMaxSharedFolders) {
    std::fprintf(stderr, "vantaro: %d shared folders stored; reading the first %d\n", count,
                 kMaxSharedFolders);
    count = kMaxSharedFolders;
  }
  sharedFolders.clear();
  for (int32_t i = 0; i < count; ++i)
    sharedFolders.push_back(store.GetString(kFileConfigSection, std::to_string(i)));
}

void WriteSharedFolderKeys(platform::ProfileStore& store,
                           const std::vector<std::string>& sharedFolders) {
  for (size_t i = 0; i < sharedFolders.size(); ++i)
    store.WriteString(kFileConfigSection, std::to_string(i), sharedFolders[i]);
  store.WriteString(kFileConfigSection, kPathCountKey, std::to_string(sharedFolders.size()));
}

void SaveSharedFolders(platform::ProfileStore& store,
                       const std::vector<std::string>& sharedFolders) {
  store.DeleteSection(kFileConfigSection);
  if (!sharedFolders.empty()) WriteSharedFolderKeys(store, sharedFolders);
}

}  // namespace vantaro::app
