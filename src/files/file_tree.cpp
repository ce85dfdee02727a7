#include "files/file_tree.h"

#include <set>

#include "files/computer_path.h"

namespace vantaro::files {

FileTree::FileTree(platform::FileSystem& fileSystem, const std::atomic<int32_t>& stopFlag,
                   Confinement& confinement)
    : fileSystem_(fileSystem), stopFlag_(stopFlag), confinement_(confinement) {}

std::string FileTree::MakeUniquePath(const std::string& folder, const std::string& name) {
  std::vector<platform::FolderEntry> entries;
  fileSystem_.ListFolder(folder, &entries);
  std::set<std::string> files, folders;
  for (const auto& e : entries) (e.status && e.status->isFolder ? folders : files).insert(e.name);
  std::string candidate = name;
  for (;;) {
    // The kind of the entry in the way decides the new name, not the kind of the new item.
    if (folders.count(candidate)) {
      candidate += "2";
    } else if (files.count(candidate)) {
      size_t dot = candidate.rfind('.');
      if (dot == std::string::npos) {
        candidate.insert(0, "2");
      } else {
        candidate.insert(dot, "2");
      }
    } else {
      return folder + "\\" + candidate;
    }
  }
}

bool FileTree::MakeDirectoryTree(const std::string& path) {
  std::string full = path;
  if (full.empty() || full.back() != '\\') full += '\\';
  // Only drive paths: the drive itself is never created, and a path without one names nothing.
  if (full.size() < 3 || full[1] != ':' || full[2] != '\\') return false;
  for (size_t slash = full.find('\\', 3); slash != std::string::npos;
       slash = full.find('\\', slash + 1)) {
    std::string prefix = full.substr(0, slash + 1);
    auto status = fileSystem_.Status(prefix);
    if (!status || !status->isFolder) fileSystem_.CreateFolder(prefix);
  }
  auto status = fileSystem_.Status(full);
  return status && status->isFolder;
}

bool FileTree::CopyFolderTree(const std::string& source, const std::string& target) {
  fileSystem_.CreateFolder(target);  // an existing target is fine
  std::vector<platform::FolderEntry> entries;
  if (!fileSystem_.ListFolder(source, &entries)) return true;
  for (const auto& e : entries) {
    if (StopRequested()) return false;
    std::string from = source + "\\" + e.name;
    std::string to = target + "\\" + e.name;
    if (e.link && (!e.status || e.status->isFolder || !confinement_.Allows(from))) return false;
    if (e.status && e.status->isFolder) {
      if (!CopyFolderTree(from, to)) return false;
    } else if (!fileSystem_.CopyFile(from, to)) {
      return false;
    }
  }
  return true;
}

bool FileTree::DeleteFolderTree(const std::string& folder) {
  std::vector<platform::FolderEntry> entries;
  fileSystem_.ListFolder(folder, &entries);
  for (const auto& e : entries) {
    if (StopRequested()) return false;
    std::string path = folder + "\\" + e.name;
    if (!e.link && e.status && e.status->isFolder) {
      DeleteFolderTree(path);  // a failure shows when the folder itself is removed
    } else {
      if (!e.link) fileSystem_.SetNormalAttributes(path);
      fileSystem_.DeleteFile(path);
    }
  }
  return fileSystem_.RemoveFolder(folder);
}

std::vector<std::string> FileTree::CollectFiles(const std::string& folder) {
  std::vector<std::string> out;
  std::vector<platform::FolderEntry> entries;
  fileSystem_.ListFolder(folder, &entries);
  for (const auto& e : entries) {
    if (e.hidden || !e.status) continue;
    std::string path = ChildPath(folder, e.name);
    if (e.link && (e.status->isFolder || !confinement_.Allows(path))) continue;
    if (e.status->isFolder) {
      auto inner = CollectFiles(path);
      out.insert(out.end(), inner.begin(), inner.end());
    } else {
      out.push_back(std::move(path));
    }
  }
  if (out.empty()) out.push_back(folder);
  return out;
}

}  // namespace vantaro::files
