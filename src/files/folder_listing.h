#pragma once
// The listing message that answers command 500: a data header with operator mode 2 and the record
// byte count, one record per item (is_folder, low 32 bits of the size, name length, last write as
// a double of seconds since 1970, the full path in UTF-8), the terminator. Records of more than
// 25600 bytes in all go out as the header, pieces of 25600 bytes and the terminator, one message
// under the data connection's lock.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/data_connection.h"
#include "files/confinement.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace vantaro::files {

inline constexpr size_t kListingPieceSize = 25600;

struct ListingItem {
  std::string path;                          // computer path, narrow code page
  std::optional<platform::FileStatus> status;  // absent: listed as a file of size 0, time 0
};

// Appends one record; false, and nothing appended, when the path has no UTF-8 form (the device
// could not name the item again, and a cut name would name another one).
bool AppendListingRecord(std::string& out, const ListingItem& item, platform::TextCodec& codec);

// Sends `records` as one listing message.
void SendListingMessage(app::DataConnection& connection, const std::string& records);

// Builds and sends listings. Called on the control thread; every collaborator must outlive it.
class FolderListing {
 public:
  FolderListing(platform::TextCodec& codec, Confinement& confinement,
                const std::atomic<int32_t>& stopFlag, app::DataConnection& connection);

  // The listing of `path`; the empty path lists the shared folders. A path the device may not
  // see, a missing folder and one that cannot be read give the empty listing. A stop request
  // abandons the listing and nothing is sent. Links below a shared folder are not listed.
  void SendFolderListing(const std::string& path);
  // The 34-byte listing of nothing: the answer to a request that cannot be carried out.
  void SendEmptyListing();

 private:
  std::vector<ListingItem> FolderItems(const std::string& path);

  platform::TextCodec& codec_;
  Confinement& confinement_;
  const std::atomic<int32_t>& stopFlag_;
  app::DataConnection& connection_;
};

}  // namespace vantaro::files
