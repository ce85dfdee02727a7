#include "files/folder_listing.h"

#include <cstring>

#include "files/computer_path.h"
#include "files/data_header.h"

namespace vantaro::files {

bool AppendListingRecord(std::string& out, const ListingItem& item, platform::TextCodec& codec) {
  std::optional<std::string> converted = codec.AnsiToUtf8(item.path);
  if (!converted) return false;
  const std::string& name = *converted;
  const auto& s = item.status;
  AppendLe32(out, s && s->isFolder ? 1 : 0);
  // Sizes beyond 32 bits show their low 32 bits; the wire has no room for more.
  AppendLe32(out, s ? static_cast<int32_t>(static_cast<uint32_t>(s->size & 0xffffffffu)) : 0);
  AppendLe32(out, static_cast<int32_t>(name.size()));
  double modified = s ? static_cast<double>(s->modifiedSeconds) : 0.0;
  uint64_t bits;
  std::memcpy(&bits, &modified, sizeof(bits));
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
  out += name;
  return true;
}

void SendListingMessage(app::DataConnection& connection, const std::string& records) {
  DataHeader header;
  header.operator_mode = 2;
  header.file_data_length = static_cast<int32_t>(records.size());
  std::string head;
  AppendDataHeader(head, header);
  if (records.size() <= kListingPieceSize) {
    connection.SendMessage((head + records + kDataTerminator).data(),
                           head.size() + records.size() + kDataTerminatorSize);
    return;
  }
  auto writer = connection.BeginMessage();
  writer.Write(head.data(), head.size());
  for (size_t at = 0; at < records.size(); at += kListingPieceSize)
    writer.Write(records.data() + at, std::min(kListingPieceSize, records.size() - at));
  writer.Write(kDataTerminator, kDataTerminatorSize);
}

FolderListing::FolderListing(platform::TextCodec& codec, Confinement& confinement,
                             const std::atomic<int32_t>& stopFlag, app::DataConnection& connection)
    : codec_(codec),
      confinement_(confinement),
      stopFlag_(stopFlag),
      connection_(connection) {}

std::vector<ListingItem> FolderListing::FolderItems(const std::string& path) {
  std::vector<ListingItem> items;
  std::vector<platform::FolderEntry> entries;
  auto folder = confinement_.OpenFolder(path);
  if (!folder || !folder->List(&entries)) return items;
  std::string prefix = !path.empty() && path.back() == '\\' ? path : path + "\\";
  items.reserve(entries.size());
  for (auto& e : entries) {
    // Links are not followed below a shared folder, so they are not offered either.
    if (e.hidden || e.link) continue;
    items.push_back({prefix + e.name, e.status});
  }
  return items;
}

void FolderListing::SendFolderListing(const std::string& path) {
  std::vector<ListingItem> items;
  if (path.empty()) {
    for (auto& folder : confinement_.SharedFolders())
      items.push_back({folder, confinement_.fileSystem().Status(folder)});
  } else {
    items = FolderItems(path);
  }
  std::string records;
  records.reserve(items.size() * 80);
  for (const auto& item : items) {
    if (stopFlag_.load() != 0) return;
    AppendListingRecord(records, item, codec_);
  }
  SendListingMessage(connection_, records);
}

void FolderListing::SendEmptyListing() { SendListingMessage(connection_, std::string()); }

}  // namespace vantaro::files
