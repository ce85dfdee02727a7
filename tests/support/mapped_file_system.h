#pragma once
// The system's own file system with drive letters mapped to test folders ({'C', "/tmp/x/c"}), so
// that file tests run against the real implementation of whichever system they are built for.

#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vantaro::testing {

std::unique_ptr<platform::FileSystem> CreateMappedFileSystem(const std::map<char, std::string>& drives);

}  // namespace vantaro::testing
