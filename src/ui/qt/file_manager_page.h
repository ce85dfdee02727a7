#pragma once
// The File Manager page: the shared folders with "+", "-", a double-click that opens a folder in
// the desktop's file browser, and the access choice of the selected folder.

#include <QButtonGroup>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "ui/file_manager_page_model.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class FileManagerPageView : public QWidget {
 public:
  // Asks the user for a folder; absent when cancelled. Returns a local path.
  using FolderChooser = std::function<std::optional<QString>()>;
  // Opens a local folder for the user; false when that failed.
  using FolderOpener = std::function<bool(const QString& localPath)>;

  FileManagerPageView(WindowServices& services, QWidget* parent);
  void SetFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
  void SetFolderOpener(FolderOpener opener) { opener_ = std::move(opener); }

  QListWidget* list() const { return list_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* removeButton() const { return remove_; }
  QRadioButton* readOnlyButton() const { return readOnly_; }
  QRadioButton* readWriteButton() const { return readWrite_; }
  // The double-click on entry `row`.
  void OpenEntry(int row);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Reload(int selectRow);
  void ShowAccess();

  FileManagerPageModel model_;
  FolderChooser chooser_;
  FolderOpener opener_;
  QListWidget* list_;
  QPushButton* add_;
  QPushButton* remove_;
  QRadioButton* readOnly_;
  QRadioButton* readWrite_;
  QButtonGroup* accessGroup_;
};

}  // namespace vantaro::ui::qt
