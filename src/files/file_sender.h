#pragma once
// Sends files and folders to the device (open and download requests). An item fits one message
// when its size is at most the 131038-byte unit less its name; a larger file goes out as a begin
// message, data parts of one unit each (the last one shorter), and an end message, with a pause of
// 20 ms after the begin and 15 ms after every part so that the device keeps up. Every pause lasts
// at least its length: one that was overslept is not made up for by shorter ones later, since
// parts sent back to back are what the device cannot keep up with.
//
// Each item is reached afresh through the open folders of its shared folder (see Confinement) and
// its announced size is the size of the file actually opened. An item that cannot be sent
// correctly is left out instead of being sent wrong: a file that cannot be opened or read, a link,
// a file of 2 GiB or more, whose size the 32-bit fields cannot hold, and a path that has no UTF-8
// form. `file_total_number` counts the items that are sent. The first write to the data connection
// that fails ends the whole download: the device is gone. Called on the data-channel thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/data_connection.h"
#include "files/confinement.h"
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
  FileSender(Confinement& confinement, platform::TextCodec& codec, platform::Clock& clock,
             const std::atomic<int32_t>& stopFlag, app::DataConnection& connection);

  // Sends the items of `paths` in order with `operatorMode` (3, 5 or 8). True when every item was
  // sent whole or the stop flag ended the request; false when an item was left out or cut short,
  // or the connection failed.
  bool SendFiles(const std::vector<std::string>& paths, int32_t operatorMode);

 private:
  struct Item {
    std::string path;
    std::string name;  // "/" separators, UTF-8
    bool isFolder = false;
  };
  enum class Outcome { kSent, kFailed, kStopped, kConnectionLost };

  std::vector<Item> SendableItems(const std::vector<std::string>& paths, bool* leftOut);
  // The file of `item` opened afresh (nullptr when it cannot be, or is no longer a regular file).
  std::unique_ptr<platform::FileReader> Open(const Item& item);
  Outcome SendItem(const Item& item, DataHeader header);
  Outcome SendWhole(const Item& item, platform::FileReader* reader, DataHeader header);
  Outcome SendInParts(const Item& item, platform::FileReader& reader, DataHeader header);
  bool StopRequested() const { return stopFlag_.load() != 0; }

  Confinement& confinement_;
  platform::TextCodec& codec_;
  platform::Clock& clock_;
  const std::atomic<int32_t>& stopFlag_;
  app::DataConnection& connection_;
};

}  // namespace vantaro::files
