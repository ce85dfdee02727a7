#include "platform/windows/win32_file_system.h"
#include "support/mapped_file_system.h"

namespace vantaro::testing {

std::unique_ptr<platform::FileSystem> CreateMappedFileSystem(const std::map<char, std::string>& drives) {
  return platform::CreateWin32FileSystem(drives);
}

}  // namespace vantaro::testing
