#include "files/path_list.h"

namespace vantaro::files {

std::optional<std::vector<std::string>> ParsePathList(const uint8_t* bytes, size_t available, int64_t length,
                                       bool expandFolders, platform::TextCodec& codec,
                                       const FolderExpander& expander) {
  std::vector<std::string> paths;
  if (length <= 0) return paths;
  // A declared count past the received bytes would make the records read beyond them.
  if (bytes == nullptr || static_cast<uint64_t>(length) > available) return paths;
  const size_t total = static_cast<size_t>(length);

  size_t p = 0;
  while (p < total) {
    const size_t remaining = total - p;
    if (remaining < 8) break;
    const int32_t n = ReadLe32(bytes + p + 4);
    if (n < 0 || static_cast<size_t>(n) > remaining - 8) break;
    std::string_view raw(reinterpret_cast<const char*>(bytes + p + 8), static_cast<size_t>(n));
    std::optional<std::string> converted = codec.Utf8ToAnsi(raw);
    if (!converted) return std::nullopt;
    std::string path = std::move(*converted);
    if (!path.empty()) {
      std::optional<std::vector<std::string>> files;
      if (expandFolders && expander) files = expander(path);
      if (files) {
        for (auto& file : *files) paths.push_back(std::move(file));
      } else {
        paths.push_back(std::move(path));
      }
    }
    p += static_cast<size_t>(n) + 8;
  }
  // Records that do not fill the count exactly mean the list is not what the device meant: doing
  // nothing is safer than acting on part of it.
  if (p != total) paths.clear();
  return paths;
}

std::optional<RequestPaths> SplitRequestPaths(const DataHeader& header, const uint8_t* payload,
                                              size_t payloadSize) {
  if (header.file_path_length < 0) return std::nullopt;
  const auto pathLength = static_cast<size_t>(header.file_path_length);
  if (pathLength > payloadSize) return std::nullopt;
  RequestPaths out;
  out.targetPath = std::string_view(reinterpret_cast<const char*>(payload), pathLength);
  out.list = payload + pathLength;
  out.listAvailable = payloadSize - pathLength;
  out.listLength = header.file_data_length;
  return out;
}

}  // namespace vantaro::files
