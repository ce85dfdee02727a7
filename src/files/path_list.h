#pragma once
// The path list that copy, move, delete and download requests carry: records of a reserved int32,
// a length n (int32) and n bytes of UTF-8 path, filling the list's byte count exactly. Pure apart
// from the codec and the folder expansion it is given; callable from any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/data_header.h"
#include "platform/text_codec.h"

namespace vantaro::files {

// The files below `path` when it is an existing folder (the file manager implements it with
// CollectFiles), std::nullopt when it is not a folder.
using FolderExpander = std::function<std::optional<std::vector<std::string>>(const std::string&)>;

// The computer paths of a path list, converted with `codec`. `length` is the byte count the request
// declares and `available` the bytes actually received from where the list starts; a list whose
// records do not add up exactly to `length`, or whose `length` reaches past `available`, yields no
// paths at all. Records of length 0 are skipped. A record whose path does not convert whole (or
// holds a zero byte) makes the whole list absent: the device named something that cannot be
// reached, and acting on the rest, or on a cut path, is not what it asked for. With
// `expandFolders` set (and an `expander` given), a folder is replaced by the files that `expander`
// returns for it.
std::optional<std::vector<std::string>> ParsePathList(const uint8_t* bytes, size_t available, int64_t length,
                                       bool expandFolders, platform::TextCodec& codec,
                                       const FolderExpander& expander = {});

// The two parts of a copy, move, delete or download payload: `file_path_length` bytes of UTF-8
// target path, then `file_data_length` bytes of path list. Both views point into the payload.
struct RequestPaths {
  std::string_view targetPath;  // UTF-8, not converted
  const uint8_t* list = nullptr;
  size_t listAvailable = 0;  // payload bytes from `list` on
  int64_t listLength = 0;    // as declared; ParsePathList checks it against listAvailable
};

// Splits a request payload of `payloadSize` received bytes. std::nullopt when the declared target
// path length is negative or longer than the payload.
std::optional<RequestPaths> SplitRequestPaths(const DataHeader& header, const uint8_t* payload,
                                              size_t payloadSize);

}  // namespace vantaro::files
