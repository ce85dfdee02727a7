#pragma once
// Recording fakes of what the pages reach: the general settings and the shared-folder list.

#include <string>
#include <vector>

#include "ui/file_manager_page_model.h"
#include "ui/general_page_model.h"

namespace vantaro::ui {

class RecordingGeneralSettings : public GeneralSettingsAccess {
 public:
  GeneralValues Values() override { return values; }
  void SetValues(const GeneralValues& v) override { values = v; }
  // Each save records what reached the store: the code only while it is required.
  void SaveSettings() override {
    saved = values;
    if (!saved.securityLogin) saved.securityCode.clear();
    ++saves;
  }
  void SetAutoStart(bool enable) override { autoStart.push_back(enable); }

  GeneralValues values;
  GeneralValues saved;
  int saves = 0;
  std::vector<bool> autoStart;
};

class RecordingFolders : public SharedFoldersAccess {
 public:
  std::vector<SharedFolder> Folders() override { return folders; }
  void SetFoldersAndSave(const std::vector<SharedFolder>& list) override {
    folders = list;
    saves.push_back(list);
  }

  std::vector<SharedFolder> folders;
  std::vector<std::vector<SharedFolder>> saves;
};

inline std::vector<std::string> Paths(const std::vector<SharedFolder>& list) {
  std::vector<std::string> paths;
  for (const SharedFolder& f : list) paths.push_back(f.path);
  return paths;
}

}  // namespace vantaro::ui
