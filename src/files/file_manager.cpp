#include "files/file_manager.h"

#include <cstdio>
#include <cstring>

#include "files/computer_path.h"
#include "files/path_list.h"
#include "platform/escaped_text.h"

namespace vantaro::files {

namespace {

void ReportRefused(const char* what, const std::string& path) {
  std::fprintf(stderr, "file request: refused %s %s\n", what,
               platform::EscapedForLog(path).c_str());
}

}  // namespace

FileManager::FileManager(platform::FileSystem& fileSystem, platform::TextCodec& codec,
                         platform::Clock& clock, app::AppState& state,
                         control::ControlSession& session,
                         std::function<std::vector<std::string>()> sharedFolders)
    : codec_(codec),
      stopFlag_(state.stopFileOperation),
      confinement_(fileSystem, std::move(sharedFolders)),
      tree_(state.stopFileOperation),
      listing_(codec, confinement_, state.stopFileOperation, state.dataSocket),
      sender_(confinement_, codec, clock, state.stopFileOperation, state.dataSocket),
      uploads_(codec, confinement_, session) {}

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
  auto split = payload ? SplitRequestPaths(header, payload, payloadSize) : std::nullopt;
  if (!split || split->listLength < 0 ||
      static_cast<uint64_t>(split->listLength) > split->listAvailable)
    return false;
  auto target = codec_.Utf8ToAnsi(split->targetPath);
  bool withTarget = mode == 6 || mode == 9;
  if (withTarget && !target) {
    ReportRefused("target", std::string(split->targetPath));
    return false;
  }
  // A download expands its folders only after every listed path has passed the confinement check.
  auto items = ParsePathList(split->list, split->listAvailable, split->listLength,
                             /*expandFolders=*/false, codec_);
  if (!items) {
    std::fprintf(stderr, "file request: refused a path list with a path that does not convert\n");
    return false;
  }
  PathRequest request{target.value_or(std::string()), std::move(*items)};
  if (!AllAllowed(request, withTarget, mode == 9 || mode == 12)) return false;
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

void FileManager::SendEmptyListing() { listing_.SendEmptyListing(); }

void FileManager::BeginUploadBatch() { uploads_.BeginBatch(); }

void FileManager::EndDataSession() { uploads_.EndSession(); }

void FileManager::HandleUpload(const uint8_t* message, size_t length) {
  uploads_.Handle(message, length);
}

void FileManager::RemoveStaleUploads() {
  for (const std::string& shared : confinement_.SharedFolders()) {
    auto folder = confinement_.OpenFolder(shared);
    std::vector<platform::FolderEntry> entries;
    if (!folder || !folder->List(&entries)) continue;
    for (const auto& e : entries) {
      if (e.link || !e.status || e.status->isFolder || !IsUploadTemporaryName(e.name)) continue;
      if (folder->DeleteFile(e.name))
        std::fprintf(stderr, "upload: removed the unfinished upload %s\n",
                     platform::EscapedForLog(ChildPath(shared, e.name)).c_str());
    }
  }
}

bool FileManager::AllAllowed(const PathRequest& request, bool withTarget, bool removesItems) {
  if (withTarget && !confinement_.Allows(request.target)) {
    ReportRefused("target", request.target);
    return false;
  }
  if (withTarget && !confinement_.AllowsChange(request.target)) {
    ReportRefused("read-only target", request.target);
    return false;
  }
  for (const auto& item : request.items) {
    if (!confinement_.Allows(item)) {
      ReportRefused("path", item);
      return false;
    }
    // The folders the user chose stay; only what they hold can go.
    if (removesItems && confinement_.IsSharedFolder(item)) {
      ReportRefused("shared folder", item);
      return false;
    }
    if (removesItems && !confinement_.AllowsChange(item)) {
      ReportRefused("read-only path", item);
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
  if (length == 0) return true;
  std::string_view raw(reinterpret_cast<const char*>(payload), length);
  auto path = codec_.Utf8ToAnsi(raw);
  if (!path || !confinement_.Allows(*path)) {
    ReportRefused("path", std::string(raw));
    return false;
  }
  return sender_.SendFiles({*path}, 3) || StopRequested();
}

bool FileManager::Download(const PathRequest& request, int32_t operatorMode) {
  std::vector<std::string> files;
  for (const auto& item : request.items) {
    auto located = confinement_.Locate(item);
    auto status = located ? located->Status() : std::nullopt;
    auto folder = status && status->isFolder ? located->OpenAsFolder() : nullptr;
    if (folder) {
      auto inner = tree_.CollectFiles(*folder, located->path);
      files.insert(files.end(), inner.begin(), inner.end());
    } else {
      files.push_back(item);
    }
  }
  return sender_.SendFiles(files, operatorMode);
}

bool FileManager::Copy(const PathRequest& request, bool removeSource) {
  auto target = confinement_.OpenFolder(request.target);
  if (!target) return false;
  auto targetParts = SplitComputerPath(request.target);
  bool ok = true;
  for (const auto& item : request.items)
    if (!CopyItem(item, *target, JoinComputerPath(*targetParts), removeSource)) ok = false;
  return ok;
}

bool FileManager::CopyItem(const std::string& item, platform::Folder& target,
                           const std::string& targetPath, bool removeSource) {
  auto located = confinement_.Locate(item);
  auto status = located ? located->Status() : std::nullopt;
  // A link is not copied: links below a shared folder are not followed.
  if (!status || status->isLink) return false;
  std::string name = FileTree::MakeUniqueName(target, FileNameOf(located->path));
  if (status->isFolder) {
    // A folder is never copied into itself: the copy would keep growing inside its own source.
    auto targetParts = SplitComputerPath(targetPath);
    auto itemParts = SplitComputerPath(located->path);
    if (IsSameOrBelow(*targetParts, *itemParts)) return false;
    auto source = located->OpenAsFolder();
    if (!source || !tree_.CopyFolderTree(*source, target, name)) return false;
    return !removeSource || tree_.DeleteFolderTree(*located->parent, located->name);
  }
  if (!located->parent->CopyFileTo(located->name, target, name)) return false;
  return !removeSource || located->parent->DeleteFile(located->name);
}

bool FileManager::Delete(const PathRequest& request) {
  bool ok = true;
  for (const auto& item : request.items) {
    auto located = confinement_.Locate(item);
    auto status = located ? located->Status() : std::nullopt;
    if (!status || located->IsSharedFolder()) {
      ok = false;
      continue;
    }
    // A link is removed itself, never what it points to; a read-only file stays.
    bool done = status->isFolder ? tree_.DeleteFolderTree(*located->parent, located->name)
                                 : located->parent->DeleteFile(located->name);
    if (!done) ok = false;
  }
  return ok;
}

}  // namespace vantaro::files
