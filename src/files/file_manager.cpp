#include "files/file_manager.h"

#include <cstdio>
#include <cstring>

#include "files/computer_path.h"
#include "files/path_list.h"

namespace vantaro::files {

FileManager::FileManager(platform::FileSystem& fileSystem, platform::TextCodec& codec,
                         platform::Clock& clock, app::AppState& state,
                         control::ControlSession& session,
                         std::function<std::vector<std::string>()> sharedFolders)
    : fileSystem_(fileSystem),
      codec_(codec),
      stopFlag_(state.stopFileOperation),
      confinement_(fileSystem, std::move(sharedFolders)),
      tree_(fileSystem, state.stopFileOperation, confinement_),
      listing_(fileSystem, codec, confinement_, state.stopFileOperation, state.dataSocket),
      sender_(fileSystem, codec, clock, state.stopFileOperation, state.dataSocket),
      uploads_(fileSystem, codec, tree_, confinement_, session) {}

bool FileManager::DoFileOperation(const DataHeader& header, const uint8_t* payload,
                                  size_t payloadSize, const std::string& path) {
  int32_t mode = header.operator_mode;
  if (mode == 1 || mode == 2) {
    listing_.SendFolderListing(mode == 1 || path == "/" ? std::string() : path);
    return true;
  }
  if (mode == 3) return OpenFile(payload, payloadSize);
  if (mode != 5 && mode != 6 && mode != 8 && mode != 9 && mode != 12) return true;

  // The two lengths must describe bytes that arrived.
  int32_t targetLength = header.file_path_length, listLength = header.file_data_length;
  if (!payload || targetLength < 0 || listLength < 0 ||
      static_cast<size_t>(targetLength) + static_cast<size_t>(listLength) > payloadSize)
    return false;
  PathRequest request;
  request.target = codec_.Utf8ToAnsi(std::string_view(reinterpret_cast<const char*>(payload),
                                                      static_cast<size_t>(targetLength)));
  // A download expands its folders only after every listed path has passed the confinement check.
  request.items = ParsePathList(payload + targetLength, static_cast<size_t>(listLength), listLength,
                                /*expandFolders=*/false, codec_);
  bool withTarget = mode == 6 || mode == 9;
  if (!AllAllowed(request, withTarget)) return false;
  bool ok = false;
  switch (mode) {
    case 5:
    case 8:
      ok = Download(request, mode);
      break;
    case 6:
    case 9:
      ok = Copy(request, mode == 9);
      break;
    default:
      ok = Delete(request);
      break;
  }
  return ok || StopRequested();
}

void FileManager::BeginUploadBatch() { uploads_.BeginBatch(); }

void FileManager::HandleUpload(const uint8_t* message, size_t length) {
  uploads_.Handle(message, length);
}

std::vector<std::string> FileManager::CollectFiles(const std::string& folder) {
  return tree_.CollectFiles(folder);
}

bool FileManager::AllAllowed(const PathRequest& request, bool withTarget) {
  if (withTarget && !confinement_.Allows(request.target)) {
    std::fprintf(stderr, "file request: refused target %s\n", request.target.c_str());
    return false;
  }
  for (const auto& item : request.items) {
    if (!confinement_.Allows(item)) {
      std::fprintf(stderr, "file request: refused path %s\n", item.c_str());
      return false;
    }
  }
  return true;
}

bool FileManager::OpenFile(const uint8_t* payload, size_t payloadSize) {
  if (!payload) return true;
  // The path is the zero-terminated text at the start of the payload.
  size_t length = 0;
  while (length < payloadSize && payload[length] != 0) ++length;
  std::string path = codec_.Utf8ToAnsi(std::string_view(reinterpret_cast<const char*>(payload), length));
  if (path.empty()) return true;
  if (!confinement_.Allows(path)) {
    std::fprintf(stderr, "file request: refused path %s\n", path.c_str());
    return false;
  }
  return sender_.SendFiles({path}, 3) || StopRequested();
}

bool FileManager::Download(const PathRequest& request, int32_t operatorMode) {
  std::vector<std::string> files;
  for (const auto& item : request.items) {
    auto status = fileSystem_.Status(item);
    if (status && status->isFolder) {
      auto inner = tree_.CollectFiles(item);
      files.insert(files.end(), inner.begin(), inner.end());
    } else {
      files.push_back(item);
    }
  }
  return sender_.SendFiles(files, operatorMode);
}

bool FileManager::Copy(const PathRequest& request, bool removeSource) {
  bool ok = true;
  for (const auto& item : request.items)
    if (!CopyItem(item, request.target, removeSource)) ok = false;
  return ok;
}

bool FileManager::CopyItem(const std::string& item, const std::string& targetFolder,
                           bool removeSource) {
  std::string destination = tree_.MakeUniquePath(targetFolder, FileNameOf(item));
  auto status = fileSystem_.Status(item);
  if (status && status->isFolder) {
    // A link to a folder is not copied (its target may hold the tree itself), and a folder is
    // never copied into itself: the copy would keep growing inside its own source.
    if (status->isLink || fileSystem_.ResolvesWithin(destination, item)) return false;
    if (!tree_.CopyFolderTree(item, destination)) return false;
    return !removeSource || tree_.DeleteFolderTree(item);
  }
  if (!fileSystem_.CopyFile(item, destination)) return false;
  return !removeSource || fileSystem_.DeleteFile(item);
}

bool FileManager::Delete(const PathRequest& request) {
  bool ok = true;
  for (const auto& item : request.items) {
    auto status = fileSystem_.Status(item);
    // A link is removed itself, never what it points to; a read-only file stays.
    bool done = status && status->isFolder && !status->isLink ? tree_.DeleteFolderTree(item)
                                                              : fileSystem_.DeleteFile(item);
    if (!done) ok = false;
  }
  return ok;
}

}  // namespace vantaro::files
