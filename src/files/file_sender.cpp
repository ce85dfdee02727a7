#include "files/file_sender.h"

#include <cstdio>

namespace vantaro::files {

namespace {

constexpr uint64_t kLargestSendable = 0x7fffffffu;  // sizes are signed 32-bit on the wire

void StartMessage(std::string& msg, const DataHeader& header) {
  msg.clear();
  AppendDataHeader(msg, header);
}

// The pauses between parts hold the stream to the rate the device keeps up with. A sleep often
// lasts longer than asked on a busy computer; the pacer takes what was overslept off the next
// pause, so that the pauses of a file add up to what they should and no more.
class Pacer {
 public:
  explicit Pacer(platform::Clock& clock) : clock_(clock) {}
  void Pause(int milliseconds) {
    owed_ += milliseconds;
    if (owed_ <= 0) return;
    int64_t before = clock_.MonotonicMs();
    clock_.SleepMs(static_cast<int>(owed_));
    owed_ -= clock_.MonotonicMs() - before;
  }

 private:
  platform::Clock& clock_;
  int64_t owed_ = 0;  // pause time still due, negative when overslept
};

}  // namespace

FileSender::FileSender(platform::FileSystem& fileSystem, platform::TextCodec& codec,
                       platform::Clock& clock, const std::atomic<int32_t>& stopFlag,
                       app::DataConnection& connection)
    : fileSystem_(fileSystem),
      codec_(codec),
      clock_(clock),
      stopFlag_(stopFlag),
      connection_(connection) {}

std::vector<FileSender::Item> FileSender::SendableItems(const std::vector<std::string>& paths,
                                                        bool* leftOut) {
  std::vector<Item> items;
  for (const auto& path : paths) {
    auto status = fileSystem_.Status(path);
    bool sendable = status && (status->isFolder || (status->size <= kLargestSendable &&
                                                    fileSystem_.OpenRead(path) != nullptr));
    if (!sendable) {
      std::fprintf(stderr, "download: left out %s (missing, unreadable or 2 GiB or more)\n",
                   path.c_str());
      *leftOut = true;
      continue;
    }
    Item item;
    item.path = path;
    std::string slashed = path;
    for (char& c : slashed)
      if (c == '\\') c = '/';
    item.name = codec_.AnsiToUtf8(slashed);
    item.isFolder = status->isFolder;
    item.size = status->isFolder ? 0 : static_cast<uint32_t>(status->size);
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
    const Item& item = items[i];
    header.file_current_number = static_cast<int32_t>(i);
    header.is_folder = item.isFolder ? 1 : 0;
    header.file_path_length = static_cast<int32_t>(item.name.size());
    header.file_data_length = static_cast<int32_t>(item.size);
    bool whole = item.size + item.name.size() <= kTransferUnit;
    Outcome outcome = whole ? SendWhole(item, header) : SendInParts(item, header);
    if (outcome == Outcome::kStopped) return true;
    if (outcome == Outcome::kFailed) failed = true;
  }
  return !failed;
}

FileSender::Outcome FileSender::SendWhole(const Item& item, DataHeader header) {
  if (StopRequested()) return Outcome::kStopped;
  header.file_send_mode = 4;
  std::string msg;
  StartMessage(msg, header);
  msg += item.name;
  if (!item.isFolder && item.size > 0) {
    size_t at = msg.size();
    msg.resize(at + item.size);
    auto reader = fileSystem_.OpenRead(item.path);
    // A file that changed since its size was read is not sent: the device would store it wrong.
    if (!reader || reader->ReadAt(0, msg.data() + at, item.size) != static_cast<long>(item.size)) {
      std::fprintf(stderr, "download: could not read %s\n", item.path.c_str());
      return Outcome::kFailed;
    }
  }
  msg.append(kDataTerminator, kDataTerminatorSize);
  connection_.SendMessage(msg.data(), msg.size());
  return Outcome::kSent;
}

FileSender::Outcome FileSender::SendInParts(const Item& item, DataHeader header) {
  if (StopRequested()) return Outcome::kStopped;
  auto reader = fileSystem_.OpenRead(item.path);
  if (!reader) return Outcome::kFailed;
  std::string msg;
  header.file_send_mode = 1;
  StartMessage(msg, header);
  msg += item.name;
  msg.append(kDataTerminator, kDataTerminatorSize);
  connection_.SendMessage(msg.data(), msg.size());
  Pacer pacer(clock_);
  pacer.Pause(kPauseAfterBeginMs);

  header.file_send_mode = 2;
  Outcome outcome = Outcome::kSent;
  for (uint64_t offset = 0; offset < item.size; offset += kTransferUnit) {
    if (StopRequested()) return Outcome::kStopped;  // no end message: the item is abandoned
    size_t part = static_cast<size_t>(std::min<uint64_t>(kTransferUnit, item.size - offset));
    StartMessage(msg, header);
    msg.resize(kDataHeaderSize + part);
    if (reader->ReadAt(offset, msg.data() + kDataHeaderSize, part) != static_cast<long>(part)) {
      // The device has the begin; the end follows at once and the request reports the failure.
      std::fprintf(stderr, "download: could not read %s\n", item.path.c_str());
      outcome = Outcome::kFailed;
      break;
    }
    msg.append(kDataTerminator, kDataTerminatorSize);
    connection_.SendMessage(msg.data(), msg.size());
    pacer.Pause(kPauseAfterPartMs);
  }
  header.file_send_mode = 3;
  StartMessage(msg, header);
  msg.append(kDataTerminator, kDataTerminatorSize);
  connection_.SendMessage(msg.data(), msg.size());
  return outcome;
}

}  // namespace vantaro::files
