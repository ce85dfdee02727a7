#include "files/file_sender.h"

#include <cstdio>

#include "platform/escaped_text.h"

namespace vantaro::files {

namespace {

constexpr uint64_t kLargestSendable = 0x7fffffffu;  // sizes are signed 32-bit on the wire

void StartMessage(std::string& msg, const DataHeader& header) {
  msg.clear();
  AppendDataHeader(msg, header);
}

// The pauses between parts hold the stream to the rate the device keeps up with. Each pause lasts
// at least its length (a sleep that ends early is continued); a pause that lasted longer is not
// taken off the next one.
class Pacer {
 public:
  explicit Pacer(platform::Clock& clock) : clock_(clock) {}
  void Pause(int milliseconds) {
    const int64_t until = clock_.MonotonicMs() + milliseconds;
    for (int64_t left = milliseconds; left > 0; left = until - clock_.MonotonicMs())
      clock_.SleepMs(static_cast<int>(left));
  }

 private:
  platform::Clock& clock_;
};

void Report(const char* what, const std::string& path) {
  std::fprintf(stderr, "download: %s %s\n", what, platform::EscapedForLog(path).c_str());
}

}  // namespace

FileSender::FileSender(Confinement& confinement, platform::TextCodec& codec,
                       platform::Clock& clock, const std::atomic<int32_t>& stopFlag,
                       app::DataConnection& connection)
    : confinement_(confinement),
      codec_(codec),
      clock_(clock),
      stopFlag_(stopFlag),
      connection_(connection) {}

std::unique_ptr<platform::FileReader> FileSender::Open(const Item& item) {
  auto located = confinement_.Locate(item.path);
  if (!located || located->IsSharedFolder()) return nullptr;
  return located->parent->OpenRead(located->name);
}

std::vector<FileSender::Item> FileSender::SendableItems(const std::vector<std::string>& paths,
                                                        bool* leftOut) {
  std::vector<Item> items;
  for (const auto& path : paths) {
    Item item;
    item.path = path;
    std::string slashed = path;
    for (char& c : slashed)
      if (c == '\\') c = '/';
    auto name = codec_.AnsiToUtf8(slashed);
    auto located = confinement_.Locate(path);
    auto status = located ? located->Status() : std::nullopt;
    item.isFolder = status && status->isFolder;
    bool sendable = name && status && !status->isLink;
    if (sendable && !item.isFolder) {
      auto reader = located->parent->OpenRead(located->name);
      sendable = reader && reader->Size() <= kLargestSendable;
    }
    if (!sendable) {
      Report("left out (missing, unreadable, a link, no UTF-8 name or 2 GiB or more)", path);
      *leftOut = true;
      continue;
    }
    item.name = std::move(*name);
    items.push_back(std::move(item));
  }
  return items;
}

bool FileSender::SendFiles(const std::vector<std::string>& paths, int32_t operatorMode) {
  bool failed = false;
  std::vector<Item> items = SendableItems(paths, &failed);
  DataHeader header;
  header.operator_mode = operatorMode;
  header.file_total_number = static_cast<int32_t>(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    header.file_current_number = static_cast<int32_t>(i);
    Outcome outcome = SendItem(items[i], header);
    if (outcome == Outcome::kStopped) return true;
    if (outcome == Outcome::kConnectionLost) {
      std::fprintf(stderr, "download: the data connection failed; the download ends\n");
      return false;
    }
    if (outcome == Outcome::kFailed) failed = true;
  }
  return !failed;
}

FileSender::Outcome FileSender::SendItem(const Item& item, DataHeader header) {
  if (StopRequested()) return Outcome::kStopped;
  std::unique_ptr<platform::FileReader> reader;
  uint64_t size = 0;
  if (!item.isFolder) {
    // Opened again: what was checked before may have been replaced since.
    reader = Open(item);
    if (reader) size = reader->Size();
    if (!reader || size > kLargestSendable) {
      Report("could not open", item.path);
      return Outcome::kFailed;
    }
  }
  header.is_folder = item.isFolder ? 1 : 0;
  header.file_path_length = static_cast<int32_t>(item.name.size());
  header.file_data_length = static_cast<int32_t>(size);
  if (size + item.name.size() <= kTransferUnit) return SendWhole(item, reader.get(), header);
  return SendInParts(item, *reader, header);
}

FileSender::Outcome FileSender::SendWhole(const Item& item, platform::FileReader* reader,
                                          DataHeader header) {
  header.file_send_mode = 4;
  const auto size = static_cast<size_t>(header.file_data_length);
  std::string msg;
  StartMessage(msg, header);
  msg += item.name;
  if (reader && size > 0) {
    size_t at = msg.size();
    msg.resize(at + size);
    // A file that changed since its size was read is not sent: the device would store it wrong.
    if (reader->ReadAt(0, msg.data() + at, size) != static_cast<long>(size)) {
      Report("could not read", item.path);
      return Outcome::kFailed;
    }
  }
  msg.append(kDataTerminator, kDataTerminatorSize);
  if (!connection_.SendMessage(msg.data(), msg.size())) return Outcome::kConnectionLost;
  return Outcome::kSent;
}

FileSender::Outcome FileSender::SendInParts(const Item& item, platform::FileReader& reader,
                                            DataHeader header) {
  const auto size = static_cast<uint64_t>(header.file_data_length);
  std::string msg;
  header.file_send_mode = 1;
  StartMessage(msg, header);
  msg += item.name;
  msg.append(kDataTerminator, kDataTerminatorSize);
  if (!connection_.SendMessage(msg.data(), msg.size())) return Outcome::kConnectionLost;
  Pacer pacer(clock_);
  pacer.Pause(kPauseAfterBeginMs);

  header.file_send_mode = 2;
  Outcome outcome = Outcome::kSent;
  for (uint64_t offset = 0; offset < size; offset += kTransferUnit) {
    if (StopRequested()) return Outcome::kStopped;  // no end message: the item is abandoned
    size_t part = static_cast<size_t>(std::min<uint64_t>(kTransferUnit, size - offset));
    StartMessage(msg, header);
    msg.resize(kDataHeaderSize + part);
    if (reader.ReadAt(offset, msg.data() + kDataHeaderSize, part) != static_cast<long>(part)) {
      // The device has the begin; the end follows at once and the request reports the failure.
      Report("could not read", item.path);
      outcome = Outcome::kFailed;
      break;
    }
    msg.append(kDataTerminator, kDataTerminatorSize);
    if (!connection_.SendMessage(msg.data(), msg.size())) return Outcome::kConnectionLost;
    pacer.Pause(kPauseAfterPartMs);
  }
  header.file_send_mode = 3;
  StartMessage(msg, header);
  msg.append(kDataTerminator, kDataTerminatorSize);
  if (!connection_.SendMessage(msg.data(), msg.size())) return Outcome::kConnectionLost;
  return outcome;
}

}  // namespace vantaro::files
