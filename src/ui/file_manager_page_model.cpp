#include "ui/file_manager_page_model.h"

#include "files/computer_path.h"

namespace vantaro::ui {

std::vector<std::string> FileManagerPageModel::DisplayNames() {
  std::vector<std::string> names;
  for (const SharedFolder& f : folders_.Folders()) names.push_back(files::FileNameOf(f.path));
  return names;
}

void FileManagerPageModel::Add(const std::optional<std::string>& chosenPath) {
  std::vector<SharedFolder> list = folders_.Folders();
  if (chosenPath && !chosenPath->empty()) list.push_back({*chosenPath, false});
  folders_.SetFoldersAndSave(list);
}

int FileManagerPageModel::Remove(int selection) {
  std::vector<SharedFolder> list = folders_.Folders();
  int removed = -1;
  if (!list.empty()) {
    removed = selection >= 0 && selection < static_cast<int>(list.size()) ? selection : 0;
    list.erase(list.begin() + removed);
  }
  folders_.SetFoldersAndSave(list);
  return removed;
}

std::optional<std::string> FileManagerPageModel::PathAt(int index) {
  std::vector<SharedFolder> list = folders_.Folders();
  if (index < 0 || index >= static_cast<int>(list.size())) return std::nullopt;
  return list[static_cast<size_t>(index)].path;
}

std::optional<bool> FileManagerPageModel::ReadOnlyAt(int index) {
  std::vector<SharedFolder> list = folders_.Folders();
  if (index < 0 || index >= static_cast<int>(list.size())) return std::nullopt;
  return list[static_cast<size_t>(index)].readOnly;
}

void FileManagerPageModel::SetReadOnly(int index, bool readOnly) {
  std::vector<SharedFolder> list = folders_.Folders();
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  if (list[static_cast<size_t>(index)].readOnly == readOnly) return;
  list[static_cast<size_t>(index)].readOnly = readOnly;
  folders_.SetFoldersAndSave(list);
}

std::string ComputerPathOfLocal(const std::string& localPath) {
  std::string path = "Z:";
  size_t i = 0;
  while (i < localPath.size()) {
    size_t end = localPath.find('/', i);
    if (end == std::string::npos) end = localPath.size();
    std::string part = localPath.substr(i, end - i);
    if (!part.empty() && part != ".") path += "\\" + part;
    i = end + 1;
  }
  return path == "Z:" ? "Z:\\" : path;
}

std::optional<std::string> LocalPathOfComputer(const std::string& computerPath) {
  auto parts = files::SplitComputerPath(computerPath);
  if (!parts || parts->empty() || (*parts)[0] != "Z:") return std::nullopt;
  std::string local;
  for (size_t i = 1; i < parts->size(); ++i) local += "/" + (*parts)[i];
  return local.empty() ? "/" : local;
}

}  // namespace vantaro::ui
