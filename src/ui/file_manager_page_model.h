#pragma once
// The File Manager page: the list of shared folders with add, remove, open and the per-folder
// access choice. Every change is stored at once. Toolkit-neutral; user-interface thread only.

#include <optional>
#include <string>
#include <vector>

namespace vantaro::ui {

struct SharedFolder {
  std::string path;  // computer path, Windows syntax ("Z:\home\ann\Music")
  bool readOnly = false;
};

// The shared-folder list as the program holds it. The data channel reads it on its own thread, so
// an implementation replaces the whole list at once.
class SharedFoldersAccess {
 public:
  virtual ~SharedFoldersAccess() = default;
  virtual std::vector<SharedFolder> Folders() = 0;
  // Replaces the list in memory and rewrites the stored section from it.
  virtual void SetFoldersAndSave(const std::vector<SharedFolder>& folders) = 0;
};

class FileManagerPageModel {
 public:
  explicit FileManagerPageModel(SharedFoldersAccess& folders) : folders_(folders) {}

  // The list box's entries, index for index: the text after the last "\", or the whole path when
  // it ends with one ("Z:\" stays "Z:\").
  std::vector<std::string> DisplayNames();
  // The folder chooser's result (absent when cancelled); an empty path adds nothing. The list is
  // stored in every case.
  void Add(const std::optional<std::string>& chosenPath);
  // Removes the selected entry, or the first when `selection` is not a valid index. Stores the
  // list in every case. Returns the index removed, or -1 on an empty list.
  int Remove(int selection);
  // The path to open for a double-click on entry `index`.
  std::optional<std::string> PathAt(int index);
  std::optional<bool> ReadOnlyAt(int index);
  void SetReadOnly(int index, bool readOnly);

 private:
  SharedFoldersAccess& folders_;
};

// Computer paths of the local file system: the whole tree is drive Z:. "/" is "Z:\" and
// "/home/ann" is "Z:\home\ann"; the reverse gives back the local path, or nothing for a path that
// is not on drive Z:.
std::string ComputerPathOfLocal(const std::string& localPath);
std::optional<std::string> LocalPathOfComputer(const std::string& computerPath);

}  // namespace vantaro::ui
