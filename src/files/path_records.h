#pragma once
// The path-list payload of the copy, move, delete and download requests: records of a reserved
// int32, a length n and n bytes of UTF-8 path. The records must fill the byte count exactly; a
// list that does not add up yields no paths at all. Records of length 0, and paths that convert
// to nothing, are skipped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace vantaro::files {

// Paths in the narrow code page, in list order. Reads only the `size` bytes at `bytes`.
std::vector<std::string> ParsePathRecords(const uint8_t* bytes, size_t size,
                                          platform::TextCodec& codec);

}  // namespace vantaro::files
