#include "files/file_tree.h"

#include <set>

#include "files/computer_path.h"

namespace vantaro::files {

FileTree::FileTree(const std::atomic<int32_t>& stopFlag) : stopFlag_(stopFlag) {}

std::string FileTree::MakeUniqueName(platform::Folder& folder, const std::string& name) {
  std::vector<platform::FolderEntry> entries;
  folder.List(&entries);
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
      return candidate;
    }
  }
}

bool FileTree::CopyFolderTree(platform::Folder& source, platform::Folder& targetParent,
                              const std::string& targetName) {
  targetParent.CreateFolder(targetName);  // an existing target is fine
  auto target = targetParent.OpenFolder(targetName);
  if (!target) return false;
  std::vector<platform::FolderEntry> entries;
  if (!source.List(&entries)) return true;
  for (const auto& e : entries) {
    if (StopRequested()) return false;
    if (e.link || !e.status) return false;
    if (e.status->isFolder) {
      auto from = source.OpenFolder(e.name);
      if (!from || !CopyFolderTree(*from, *target, e.name)) return false;
    } else if (!source.CopyFileTo(e.name, *target, e.name)) {
      return false;
    }
  }
  return true;
}

bool FileTree::DeleteFolderTree(platform::Folder& parent, const std::string& name) {
  auto folder = parent.OpenFolder(name);
  if (!folder) return false;
  std::vector<platform::FolderEntry> entries;
  folder->List(&entries);
  for (const auto& e : entries) {
    if (StopRequested()) return false;
    if (!e.link && e.status && e.status->isFolder) {
      DeleteFolderTree(*folder, e.name);  // a failure shows when the folder itself is removed
    } else {
      if (!e.link) folder->SetNormalAttributes(e.name);
      folder->DeleteFile(e.name);
    }
  }
  return parent.RemoveFolder(name);
}

std::vector<std::string> FileTree::CollectFiles(platform::Folder& folder, const std::string& path) {
  std::vector<std::string> out;
  std::vector<platform::FolderEntry> entries;
  folder.List(&entries);
  for (const auto& e : entries) {
    if (e.hidden || e.link || !e.status) continue;
    std::string child = ChildPath(path, e.name);
    if (e.status->isFolder) {
      auto inner = folder.OpenFolder(e.name);
      if (!inner) continue;
      auto files = CollectFiles(*inner, child);
      out.insert(out.end(), files.begin(), files.end());
    } else {
      out.push_back(std::move(child));
    }
  }
  if (out.empty()) out.push_back(path);
  return out;
}

}  // namespace vantaro::files
