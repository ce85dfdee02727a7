#pragma once
// The Settings page: three sub-page buttons on the left and the sub-page in a clipped area on the
// right; the General sub-page scrolls in steps of 30 pixels with the scroll bar and the wheel.

#include <QPushButton>
#include <QScrollBar>
#include <QWidget>
#include <functional>
#include <memory>

#include "ui/main_window_model.h"
#include "ui/scroll_model.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class GeneralPageView;
class FileManagerPageView;
class CameraRecorderPageView;

class SettingsPageView : public QWidget {
 public:
  // `model` holds the current sub-page and the flags; it must outlive the view.
  SettingsPageView(WindowServices& services, MainWindowModel& model,
                   std::function<void()> onSecurityChanged, QWidget* parent);
  void ShowSubPage(SettingsSubPage sub);
  GeneralPageView* general() const { return general_; }
  FileManagerPageView* fileManager() const { return fileManager_; }
  CameraRecorderPageView* cameraRecorder() const { return camera_; }
  QPushButton* subPageButton(SettingsSubPage sub) const;
  QScrollBar* scrollBar() const { return scrollBar_; }
  const ScrollModel& scroll() const { return *scroll_; }
  // The General page's content as it is placed in its clipped area.
  QWidget* generalArea() const { return generalArea_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void OnScrollAction(int action);
  void PlaceGeneral();

  MainWindowModel& model_;
  QPushButton* buttons_[3];
  QWidget* generalArea_;
  GeneralPageView* general_;
  FileManagerPageView* fileManager_;
  CameraRecorderPageView* camera_;
  QScrollBar* scrollBar_;
  std::unique_ptr<ScrollModel> scroll_;
};

}  // namespace vantaro::ui::qt
