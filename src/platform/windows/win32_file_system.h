#pragma once
// The Windows file system behind platform::FileSystem, through the wide API, so that every name
// works whatever the code page. Drive letters are the system's own (C:\Users is C:\Users); tests
// may map letters to folders instead. Names compare without case, as NTFS does. Symbolic links and
// junctions are reported as links and never followed below an open folder.

#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vantaro::platform {

// `mappedDrives` maps upper-case letters to absolute native folders ("C:\Temp\x"); when it is
// empty, every drive of the system is reachable as it is. With a map, only its letters are.
std::unique_ptr<FileSystem> CreateWin32FileSystem(const std::map<char, std::string>& mappedDrives = {});

}  // namespace vantaro::platform
