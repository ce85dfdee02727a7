#include "files/path_records.h"

#include "files/data_header.h"

namespace vantaro::files {

std::vector<std::string> ParsePathRecords(const uint8_t* bytes, size_t size,
                                          platform::TextCodec& codec) {
  std::vector<std::string> paths;
  size_t at = 0;
  while (at < size) {
    if (size - at < 8) return {};
    int32_t length = ReadLe32(bytes + at + 4);
    if (length < 0 || static_cast<size_t>(length) > size - at - 8) return {};
    std::string path = codec.Utf8ToAnsi(
        std::string_view(reinterpret_cast<const char*>(bytes + at + 8), static_cast<size_t>(length)));
    if (!path.empty()) paths.push_back(std::move(path));
    at += 8 + static_cast<size_t>(length);
  }
  return paths;
}

}  // namespace vantaro::files
