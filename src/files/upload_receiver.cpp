#include "files/upload_receiver.h"

#include <cstdio>
#include <cstring>

#include "files/computer_path.h"
#include "files/data_header.h"
#include "platform/escaped_text.h"

namespace vantaro::files {

namespace {

constexpr int32_t kRspOperationDone = 2011;
constexpr int32_t kRspOperationFailed = 2012;
constexpr int kNameAttempts = 100;

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

void Report(const char* what, const std::string& path) {
  std::fprintf(stderr, "upload: %s %s\n", what, platform::EscapedForLog(path).c_str());
}

}  // namespace

bool IsUploadTemporaryName(const std::string& name) {
  const size_t prefix = std::strlen(kUploadTemporaryPrefix);
  const size_t suffix = std::strlen(kUploadTemporarySuffix);
  if (name.size() <= prefix + suffix || name.compare(0, prefix, kUploadTemporaryPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kUploadTemporarySuffix) != 0)
    return false;
  for (size_t i = prefix; i < name.size() - suffix; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

UploadReceiver::UploadReceiver(platform::TextCodec& codec, Confinement& confinement,
                               control::ControlSession& session)
    : codec_(codec), confinement_(confinement), session_(session) {}

UploadReceiver::~UploadReceiver() { EndSession(); }

void UploadReceiver::BeginBatch() {
  uploadFolderNames_.clear();
  uploadFolderTargets_.clear();
}

void UploadReceiver::EndSession() {
  if (inParts_) Abandon(*inParts_);
  inParts_.reset();
  partState_ = PartState::kNone;
  BeginBatch();
}

std::optional<std::string> UploadReceiver::MapUploadPath(const std::string& uploadPath) {
  size_t split = uploadPath.find('/');
  if (split == std::string::npos) return std::nullopt;
  std::string target = uploadPath.substr(0, split);
  std::string relative = uploadPath.substr(split + 1);
  if (!target.empty() && target.back() == '\\') target.pop_back();
  if (relative.empty() || !RelativePathAcceptable(relative)) return std::nullopt;
  auto targetFolder = confinement_.OpenFolder(target);
  if (!targetFolder) return std::nullopt;
  size_t slash = relative.find('/');
  if (slash == std::string::npos)
    return target + "\\" + FileTree::MakeUniqueName(*targetFolder, relative);
  std::string first = relative.substr(0, slash);
  if (first.empty()) return std::nullopt;
  std::string rest = relative.substr(slash + 1);
  for (char& c : rest)
    if (c == '/') c = '\\';
  std::string folder;
  for (size_t j = 0; j < uploadFolderNames_.size() && folder.empty(); ++j)
    if (uploadFolderNames_[j] == first) folder = uploadFolderTargets_[j];
  if (folder.empty()) {
    folder = target + "\\" + FileTree::MakeUniqueName(*targetFolder, first);
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
  std::string_view raw(reinterpret_cast<const char*>(payload), static_cast<size_t>(pathLength));
  auto text = codec_.Utf8ToAnsi(raw);
  auto path = text ? MapUploadPath(*text) : std::nullopt;
  if (!path || !confinement_.AllowsChange(*path)) {
    Report("refused path", std::string(raw));
    return std::nullopt;
  }
  return path;
}

std::optional<UploadReceiver::Pending> UploadReceiver::Start(const std::string& path) {
  Pending pending;
  pending.path = path;
  pending.finalName = FileNameOf(path);
  std::string parent = ParentFolderOf(path);
  if (pending.finalName.empty() || parent.empty()) return std::nullopt;
  pending.folder = confinement_.OpenFolder(parent, /*createMissing=*/true);
  if (!pending.folder) return std::nullopt;
  for (int attempt = 0; attempt < kNameAttempts && !pending.file; ++attempt) {
    pending.temporaryName =
        kUploadTemporaryPrefix + std::to_string(nextTemporary_++) + kUploadTemporarySuffix;
    pending.file = pending.folder->CreateNewFile(pending.temporaryName);
  }
  if (!pending.file) {
    Report("could not create", path);
    return std::nullopt;
  }
  return pending;
}

bool UploadReceiver::Finish(Pending& pending) {
  bool ok = pending.file && pending.file->Close();
  pending.file.reset();
  // The name is chosen only now: a file of that name may have appeared while this one arrived.
  for (int attempt = 0; ok && attempt < kNameAttempts; ++attempt) {
    std::string name = FileTree::MakeUniqueName(*pending.folder, pending.finalName);
    if (pending.folder->MoveTo(pending.temporaryName, *pending.folder, name)) return true;
  }
  Report("could not complete", pending.path);
  pending.folder->DeleteFile(pending.temporaryName);
  return false;
}

void UploadReceiver::Abandon(Pending& pending) {
  if (pending.file) pending.file->Close();
  pending.file.reset();
  pending.folder->DeleteFile(pending.temporaryName);
}

void UploadReceiver::HandleWhole(const uint8_t* payload, size_t payloadSize, int32_t isFolder,
                                 int32_t pathLength, int32_t dataLength) {
  auto path = TargetOf(payload, payloadSize, pathLength);
  if (!path) return Reply(false);
  if (isFolder == 1) return Reply(confinement_.OpenFolder(*path, /*createMissing=*/true) != nullptr);
  size_t pathBytes = static_cast<size_t>(pathLength);
  if (dataLength < 0 || static_cast<size_t>(dataLength) > payloadSize - pathBytes)
    return Reply(false);
  auto pending = Start(*path);
  if (!pending) return Reply(false);
  if (!pending->file->Write(payload + pathBytes, static_cast<size_t>(dataLength))) {
    Report("could not write", *path);
    Abandon(*pending);
    return Reply(false);
  }
  Reply(Finish(*pending));
}

void UploadReceiver::HandleBegin(const uint8_t* payload, size_t payloadSize, int32_t pathLength) {
  // A begin before the end of the previous item starts the new item; the previous one was
  // interrupted and is removed.
  if (inParts_) Abandon(*inParts_);
  inParts_.reset();
  partState_ = PartState::kFailed;
  auto path = TargetOf(payload, payloadSize, pathLength);
  if (!path) return Reply(false);
  inParts_ = Start(*path);
  if (!inParts_) return Reply(false);
  partState_ = PartState::kWriting;
}

void UploadReceiver::HandlePart(const uint8_t* payload, size_t payloadSize) {
  switch (partState_) {
    case PartState::kNone:
      return Reply(false);
    case PartState::kFailed:
      return;  // the item was already answered 2012 or will be at its end
    case PartState::kWriting:
      if (!inParts_->file->Write(payload, payloadSize)) {
        Report("could not write", inParts_->path);
        Abandon(*inParts_);
        inParts_.reset();
        partState_ = PartState::kFailed;
      }
      return;
  }
}

void UploadReceiver::HandleEnd() {
  bool ok = partState_ == PartState::kWriting && Finish(*inParts_);
  inParts_.reset();
  partState_ = PartState::kNone;
  Reply(ok);
}

void UploadReceiver::Reply(bool done) {
  session_.SendStatusReply(done ? kRspOperationDone : kRspOperationFailed);
}

}  // namespace vantaro::files
