#pragma once
// The list of folders shared with the device, as the settings store keeps it: section
// "TalvenServer_file_config" with "path_count" = N and the paths under the keys "0" .. "N-1".
// Called from the user-interface thread only (start-up and the File Manager page).

#include <string>
#include <vector>

#include "platform/profile_store.h"
#include "platform/user_folders.h"

namespace vantaro::app {

inline constexpr char kFileConfigSection[] = "TalvenServer_file_config";
inline constexpr char kPathCountKey[] = "path_count";
// The most folders a load reads. "path_count" is a number in a file that anyone may edit; without
// a bound a stray "2000000000" would make the load read and hold two billion empty paths.
inline constexpr int kMaxSharedFolders = 4096;

// Appends the user's existing default folders (the first-run choice) to `sharedFolders`.
void AddDefaultSharedFolders(platform::UserFolders& userFolders,
                             std::vector<std::string>& sharedFolders);

// Replaces `sharedFolders` with the stored list when "path_count" is above 0 (missing keys read as
// empty paths, kept in place). An absent, non-numeric or zero count leaves `sharedFolders` as it
// is. A count above kMaxSharedFolders reads kMaxSharedFolders entries (noted on stderr).
void LoadSharedFolders(platform::ProfileStore& store, std::vector<std::string>& sharedFolders);

// Rewrites the section from `sharedFolders`: deletes it, then writes every path under its index
// and "path_count" last. An empty list leaves the section deleted.
void SaveSharedFolders(platform::ProfileStore& store,
                       const std::vector<std::string>& sharedFolders);

// Writes every path under its index and then "path_count", without deleting the section first:
// what a first run does.
void WriteSharedFolderKeys(platform::ProfileStore& store,
                           const std::vector<std::string>& sharedFolders);

}  // namespace vantaro::app
