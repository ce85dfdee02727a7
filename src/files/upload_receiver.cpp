#include "files/upload_receiver.h"

#include <cstdio>

#include "files/computer_path.h"
#include "files/data_header.h"

namespace vantaro::files {

namespace {

constexpr int32_t kRspOperationDone = 2011;
constexpr int32_t kRspOperationFailed = 2012;

// The device's own path must stay below the target folder: no "." or ".." steps, on either
// separator, since "\" separates on the computer.
bool RelativePathAcceptable(const std::string& relative) {
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("/\\", start);
    if (end == std::string::npos) end = relative.size();
    std::string part = relative.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string ParentFolderOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

UploadReceiver::UploadReceiver(platform::FileSystem& fileSystem, platform::TextCodec& codec,
                               FileTree& tree, Confinement& confinement,
                               control::ControlSession& session)
    : fileSystem_(fileSystem),
      codec_(codec),
      tree_(tree),
      confinement_(confinement),
      session_(session) {}

void UploadReceiver::BeginBatch() {
  uploadFolderNames_.clear();
  uploadFolderTargets_.clear();
}

std::optional<std::string> UploadReceiver::MapUploadPath(const std::string& uploadPath) {
  size_t split = uploadPath.find('/');
  if (split == std::string::npos) return std::nullopt;
  std::string target = uploadPath.substr(0, split);
  std::string relative = uploadPath.substr(split + 1);
  if (!target.empty() && target.back() == '\\') target.pop_back();
  if (relative.empty() || !RelativePathAcceptable(relative) || !confinement_.Allows(target))
    return std::nullopt;
  size_t slash = relative.find('/');
  if (slash == std::string::npos) return tree_.MakeUniquePath(target, relative);
  std::string first = relative.substr(0, slash);
  if (first.empty()) return std::nullopt;
  std::string rest = relative.substr(slash + 1);
  for (char& c : rest)
    if (c == '/') c = '\\';
  std::string folder;
  for (size_t j = 0; j < uploadFolderNames_.size() && folder.empty(); ++j)
    if (uploadFolderNames_[j] == first) folder = uploadFolderTargets_[j];
  if (folder.empty()) {
    folder = tree_.MakeUniquePath(target, first);
    uploadFolderNames_.push_back(first);
    uploadFolderTargets_.push_back(folder);
  }
  return folder + "\\" + rest;
}

void UploadReceiver::Handle(const uint8_t* message, size_t length) {
  if (length < kDataHeaderSize) return;
  DataHeader header = ParseDataHeader(message);
  const uint8_t* payload = message + kDataHeaderSize;
  size_t payloadSize = length >= kDataHeaderSize + kDataTerminatorSize
                           ? length - kDataHeaderSize - kDataTerminatorSize
                           : 0;
  switch (header.file_send_mode) {
    case 4:
      HandleWhole(payload, payloadSize, header.is_folder, header.file_path_length,
                  header.file_data_length);
      break;
    case 1:
      HandleBegin(payload, payloadSize, header.file_path_length);
      break;
    case 2:
      HandlePart(payload, payloadSize);
      break;
    case 3:
      HandleEnd();
      break;
    default:
      break;
  }
}

std::optional<std::string> UploadReceiver::TargetOf(const uint8_t* payload, size_t payloadSize,
                                                    int32_t pathLength) {
  if (pathLength < 0 || static_cast<size_t>(pathLength) > payloadSize) return std::nullopt;
  std::string text = codec_.Utf8ToAnsi(
      std::string_view(reinterpret_cast<const char*>(payload), static_cast<size_t>(pathLength)));
  auto path = MapUploadPath(text);
  // The mapped path may still meet a link on its way; it must stay inside as well.
  if (!path || !confinement_.Allows(*path)) {
    std::fprintf(stderr, "upload: refused path %s\n", text.c_str());
    return std::nullopt;
  }
  return path;
}

bool UploadReceiver::WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  auto file = fileSystem_.CreateFile(path);
  if (!file) return false;
  bool ok = file->Write(data, size);
  ok = file->Close() && ok;
  if (!ok) fileSystem_.DeleteFile(path);  // a cut file would pass for the whole one
  return ok;
}

void UploadReceiver::HandleWhole(const uint8_t* payload, size_t payloadSize, int32_t isFolder,
                                 int32_t pathLength, int32_t dataLength) {
  auto path = TargetOf(payload, payloadSize, pathLength);
  if (!path) return Reply(false);
  if (isFolder == 1) return Reply(tree_.MakeDirectoryTree(*path));
  size_t pathBytes = static_cast<size_t>(pathLength);
  if (dataLength < 0 || static_cast<size_t>(dataLength) > payloadSize - pathBytes)
    return Reply(false);
  if (!tree_.MakeDirectoryTree(ParentFolderOf(*path))) return Reply(false);
  bool ok = WriteWholeFile(*path, payload + pathBytes, static_cast<size_t>(dataLength));
  if (!ok) std::fprintf(stderr, "upload: could not write %s\n", path->c_str());
  Reply(ok);
}

void UploadReceiver::HandleBegin(const uint8_t* payload, size_t payloadSize, int32_t pathLength) {
  // A begin before the end of the previous item starts the new item; the previous file keeps
  // what it received.
  if (uploadFile_) uploadFile_->Close();
  uploadFile_.reset();
  partState_ = PartState::kFailed;
  auto path = TargetOf(payload, payloadSize, pathLength);
  if (!path || !tree_.MakeDirectoryTree(ParentFolderOf(*path))) return Reply(false);
  uploadPath_ = *path;
  uploadFile_ = fileSystem_.CreateFile(uploadPath_);
  if (!uploadFile_) {
    std::fprintf(stderr, "upload: could not create %s\n", uploadPath_.c_str());
    return Reply(false);
  }
  partState_ = PartState::kWriting;
}

void UploadReceiver::HandlePart(const uint8_t* payload, size_t payloadSize) {
  switch (partState_) {
    case PartState::kNone:
      return Reply(false);
    case PartState::kFailed:
      return;  // the item was already answered 2012 or will be at its end
    case PartState::kWriting:
      if (!uploadFile_->Write(payload, payloadSize)) {
        std::fprintf(stderr, "upload: could not write %s\n", uploadPath_.c_str());
        AbandonPartFile();
      }
      return;
  }
}

void UploadReceiver::HandleEnd() {
  bool ok = partState_ == PartState::kWriting && uploadFile_->Close();
  if (partState_ == PartState::kWriting && !ok) AbandonPartFile();
  uploadFile_.reset();
  partState_ = PartState::kNone;
  Reply(ok);
}

void UploadReceiver::AbandonPartFile() {
  uploadFile_->Close();
  uploadFile_.reset();
  fileSystem_.DeleteFile(uploadPath_);
  partState_ = PartState::kFailed;
}

void UploadReceiver::Reply(bool done) {
  session_.SendStatusReply(done ? kRspOperationDone : kRspOperationFailed);
}

}  // namespace vantaro::files
