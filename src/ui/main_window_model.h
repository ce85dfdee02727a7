#pragma once
// The main window's rules: which page and sub-page is current (and the flags that the pages read),
// the tab looks, the notification-area menu, where the window appears when it is brought back, and
// the desktop notifications for devices that come and go. Toolkit-neutral; user-interface thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/texts.h"
#include "ui/connection_page_model.h"
#include "ui/window_texts.h"

namespace vantaro::ui {

// Window geometry in window pixels: a fixed 640 x 400 window, pages at (22, 40) of 598 x 350, the
// tab buttons 62 x 23 at y 13.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};
inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 400;
inline constexpr Rect kPageRect{22, 40, 598, 350};
inline constexpr int kTabWidth = 62;
inline constexpr int kTabHeight = 23;
inline constexpr int kTabTop = 13;
inline constexpr std::array<int, 3> kTabLefts{229, 291, 353};
// Sub-page rectangles inside a page of kPageRect's size.
inline constexpr Rect kSettingsSubPageRect{170, 5, kPageRect.width - 75 - 170, kPageRect.height - 5};
inline constexpr Rect kMoreSubPageRect{165, 1, kPageRect.width - 20 - 165, kPageRect.height - 1};

enum class Page { kConnection = 0, kSettings = 1, kMore = 2 };
enum class SettingsSubPage { kGeneral, kFileManager, kCameraRecorder };
enum class MoreSubPage { kSupport, kAbout };

// The page-visibility flags that the pages consult (the Camera Recorder page previews only while
// it is on screen; the wheel scrolls the General page only while it is shown).
struct PageFlags {
  bool settingsPageShown = false;
  bool morePageShown = false;
  bool generalSubPageShown = true;
  bool cameraSubPageShown = false;
};

// The notification-area menu, top to bottom.
enum class TrayCommand { kStatus, kPreferences, kSeparator, kUpdate, kExit };
struct TrayMenuItem {
  TrayCommand command;
  std::string caption;
  bool enabled;
};

// The first menu item's caption: open while waiting (1, 12), closed at 2, connected otherwise.
const std::string& TrayStatusCaption(const app::Texts& texts, int32_t status);
std::vector<TrayMenuItem> TrayMenuItems(const app::Texts& texts, int32_t status);

// A desktop notification for a device that connected or went away, or nothing.
struct Notification {
  std::string title;
  std::string body;
};
// `previous` and `status` are consecutive connection statuses; `facts` are the device's at the
// time of the change (the name and address of the device that connected or left).
std::optional<Notification> NotificationFor(const WindowTexts& texts, int32_t previous,
                                            int32_t status, const ConnectionFacts& facts);

class MainWindowModel {
 public:
  explicit MainWindowModel(bool startedHidden) : startedHidden_(startedHidden) {}

  // The tab commands: the chosen page becomes current and the flags follow.
  void SelectPage(Page page);
  void SelectSettingsSubPage(SettingsSubPage sub);
  void SelectMoreSubPage(MoreSubPage sub) { moreSubPage_ = sub; }
  Page page() const { return page_; }
  SettingsSubPage settingsSubPage() const { return settingsSubPage_; }
  MoreSubPage moreSubPage() const { return moreSubPage_; }
  const PageFlags& flags() const { return flags_; }
  // The current page's tab is lit with a light caption; the other two are plain with dark ones.
  struct TabLook {
    bool lit;
    bool darkCaption;
  };
  TabLook Tab(Page page) const { return {page == page_, page != page_}; }

  // Where ShowMainWindow puts the window: after a hidden start the first showing centres it on
  // the screen (integer division); every other showing keeps the place the user left it.
  std::optional<Rect> ShowPlacement(int screenWidth, int screenHeight, int width, int height);

  // "Preferences...": shows the window and switches to the Settings page unless it is current.
  void OnPreferences();

 private:
  bool startedHidden_;
  bool centredOnce_ = false;
  Page page_ = Page::kConnection;
  SettingsSubPage settingsSubPage_ = SettingsSubPage::kGeneral;
  MoreSubPage moreSubPage_ = MoreSubPage::kSupport;
  PageFlags flags_;
};

}  // namespace vantaro::ui
