#pragma once
// Writing small per-user files so that a crash or a full disk never leaves a half-written file:
// the content goes to a temporary file in the same folder, is flushed to disk and then renamed over
// the old file. Safe on any thread for distinct paths.

#include <sys/types.h>

#include <string>

namespace vantaro::platform {

// Creates `folder` and its missing parents with `mode` (existing folders are left as they are).
// False with a reason in `error` when a folder cannot be created.
bool CreateFolders(const std::string& folder, mode_t mode, std::string* error);

// Replaces `path` with `content`. The new file has exactly `mode`, whatever the umask. The folder
// must exist. False with a reason in `error`; the old file is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content, mode_t mode,
                         std::string* error);

// Removes the temporary files that writes of `path` left behind when they were cut off (a crash,
// a power loss): the files next to it named as WriteFileAtomically names them. Only for a path
// that no other process writes at the same time. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

}  // namespace vantaro::platform
