#pragma once
// Whether the device may change each shared folder: key "access_<i>" of section
// "TalvenServer_file_config" beside the folder's path "<i>", "read_only" or "read_write". A
// missing or unknown value is read and write, so older settings keep full access.
// User-interface thread only.

#include <vector>

#include "platform/profile_store.h"

namespace vantaro::app {

inline constexpr char kAccessKeyPrefix[] = "access_";
inline constexpr char kReadOnlyValue[] = "read_only";
inline constexpr char kReadWriteValue[] = "read_write";

// One flag per folder, true for a read-only one.
std::vector<bool> LoadFolderAccess(platform::ProfileStore& store, size_t folderCount);
// Writes "access_<i>" for every folder; after SaveSharedFolders, which rewrites the section.
void WriteFolderAccess(platform::ProfileStore& store, const std::vector<bool>& readOnly);

}  // namespace vantaro::app
