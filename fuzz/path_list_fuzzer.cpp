// Path lists with declared counts that may disagree with the bytes received, expanded through a
// folder expander that answers for some paths.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/data_header.h"
#include "files/path_list.h"
#include "fuzz_fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantaro;
  if (size < 5) return 0;
  // The declared count: the first four bytes, and the flag of folder expansion in the fifth.
  const int64_t declared = files::ReadLe32(data);
  const bool expand = (data[4] & 1) != 0;
  data += 5;
  size -= 5;

  fuzz::FuzzCodec codec;
  files::FolderExpander expander =
      [](const std::string& path) -> std::optional<std::vector<std::string>> {
    if (path.empty() || path.back() != '\\') return std::nullopt;
    return std::vector<std::string>{path + "a", path + "b"};
  };
  // The exact count, and the declared one: both must stay within the bytes given.
  auto exact =
      files::ParsePathList(data, size, static_cast<int64_t>(size), expand, codec, expander);
  auto asDeclared = files::ParsePathList(data, size, declared, expand, codec, expander);
  for (const auto& list : {exact, asDeclared}) {
    if (!list) continue;
    for (const auto& path : *list) {
      if (path.empty() || path.find('\0') != std::string::npos) __builtin_trap();
    }
  }
  return 0;
}
