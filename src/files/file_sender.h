#pragma once
// Sends files and folders to the device (open and download requests). An item fits one message
// when its size is at most the 131038-byte unit less its name; a larger file goes out as a begin
// message, data parts of one unit each (the last one shorter), and an end message, with a pause of
// 20 ms after the begin and 15 ms after every part so that the device keeps up (time overslept in
// one pause is taken off the next).
//
// An item that cannot be sent correctly is left out instead of being sent wrong: a file that
// cannot be opened or read, and a file of 2 GiB or more, whose size the 32-bit fields cannot hold.
// `file_total_number` counts the items that are sent. Called on the data-channel thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/data_connection.h"
#include "files/data_header.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace vantaro::files {

inline constexpr size_t kTransferUnit = 131038;
inline constexpr int kPauseAfterBeginMs = 20;
inline constexpr int kPauseAfterPartMs = 15;

class FileSender {
 public:
  // Every collaborator must outlive this object.
  FileSender(platform::FileSystem& fileSystem, platform::TextCodec& codec, platform::Clock& clock,
             const std::atomic<int32_t>& stopFlag, app::DataConnection& connection);

  // Sends the items of `paths` in order with `operatorMode` (3, 5 or 8). True when every item was
  // sent whole or the stop flag ended the request; false when an item was left out or cut short.
  bool SendFiles(const std::vector<std::string>& paths, int32_t operatorMode);

 private:
  struct Item {
    std::string path;
    std::string name;  // "/" separators, UTF-8
    bool isFolder = false;
    uint32_t size = 0;
  };
  enum class Outcome { kSent, kFailed, kStopped };

  std::vector<Item> SendableItems(const std::vector<std::string>& paths, bool* leftOut);
  Outcome SendWhole(const Item& item, DataHeader header);
  Outcome SendInParts(const Item& item, DataHeader header);
  bool StopRequested() const { return stopFlag_.load() != 0; }

  platform::FileSystem& fileSystem_;
  platform::TextCodec& codec_;
  platform::Clock& clock_;
  const std::atomic<int32_t>& stopFlag_;
  app::DataConnection& connection_;
};

}  // namespace vantaro::files
