#pragma once
// The POSIX file system behind platform::FileSystem. Computer paths are mapped to native paths by
// their drive letter: Z: is always the native root "/", so that Z:\home\ann\Music is
// /home/ann/Music; further letters may be mapped to other folders (tests map C: and D: to
// temporary folders). On this platform a name beginning with "." is hidden and a file without
// the owner's write permission is read-only.

#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vantaro::platform {

// `extraDrives` maps upper-case drive letters to absolute native folders; an entry for Z replaces
// the default root.
std::unique_ptr<FileSystem> CreatePosixFileSystem(const std::map<char, std::string>& extraDrives = {});

}  // namespace vantaro::platform
