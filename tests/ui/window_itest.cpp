// The real server with its window on a private Xvfb display with a notification area (trayer):
// every page in every language is photographed (under the build folder, for people to look at),
// the window hides to the tray and a second copy brings it back, the icon's menu opens and its
// Exit ends the program, and a hidden start shows the window centred on the first click.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/server_process.h"
#include "support/xvfb_display.h"

// Last: Xlib defines macros (None, Status) that other headers use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantaro::testing {
namespace {

namespace fs = std::filesystem;

bool HasProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A program started for the test and ended by its PID.
class Child {
 public:
  explicit Child(std::vector<std::string> argv, const std::string& display) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setenv("DISPLAY", display.c_str(), 1);
      std::vector<char*> args;
      for (auto& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      std::freopen("/dev/null", "w", stderr);
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

struct WindowInfo {
  Window id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};

// The X side of the test: finds the server's windows by their class and talks to them.
class DisplayWatch {
 public:
  explicit DisplayWatch(const std::string& name) : name_(name), display_(XOpenDisplay(name.c_str())) {}
  ~DisplayWatch() {
    if (display_) XCloseDisplay(display_);
  }
  bool ok() const { return display_ != nullptr; }

  // Every window of the server's class (the main window, the icon, an open menu).
  std::vector<WindowInfo> ServerWindows() {
    std::vector<WindowInfo> found;
    Collect(DefaultRootWindow(display_), found);
    return found;
  }
  std::optional<WindowInfo> Find(int width, int height) {
    for (const WindowInfo& w : ServerWindows())
      if (w.width == width && w.height == height) return w;
    return std::nullopt;
  }
  bool MainWindowViewable() {
    std::optional<WindowInfo> w = Find(640, 400);
    return w && w->viewable;
  }
  // The icon: small, square and shown inside the notification area.
  std::optional<WindowInfo> TrayIcon() {
    for (const WindowInfo& w : ServerWindows())
      if (w.viewable && w.width <= 64 && w.width == w.height) return w;
    return std::nullopt;
  }
  // What the window manager's close button sends.
  void Close(Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, w, False, NoEventMask, &e);
    XFlush(display_);
  }
  bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
  }
  int Run(const std::string& command) {
    return std::system(("DISPLAY=" + name_ + " " + command + " >/dev/null 2>&1").c_str());
  }
  void Click(int x, int y, int button = 1) {
    Run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click " +
        std::to_string(button));
  }
  // A picture of the window (or of the whole screen), after the last click has been painted.
  bool Shoot(const std::string& file, std::optional<WindowInfo> window = std::nullopt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    fs::create_directories(fs::path(file).parent_path());
    std::string crop = window ? " -crop " + std::to_string(window->width) + "x" +
                                    std::to_string(window->height) + "+" + std::to_string(window->x) +
                                    "+" + std::to_string(window->y) + " +repage"
                              : "";
    return Run("import -window root" + crop + " " + file) == 0 && fs::file_size(file) > 0;
  }

 private:
  void Collect(Window w, std::vector<WindowInfo>& found) {
    XClassHint hint{};
    if (XGetClassHint(display_, w, &hint)) {
      bool ours = hint.res_name && std::string(hint.res_name) == "vantaro-server";
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
      XWindowAttributes a;
      if (ours && XGetWindowAttributes(display_, w, &a)) {
        WindowInfo info{w, 0, 0, a.width, a.height, a.map_state == IsViewable};
        Window child;
        XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &info.x, &info.y, &child);
        found.push_back(info);
      }
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, w, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) Collect(children[i], found);
    if (children) XFree(children);
  }

  std::string name_;
  Display* display_;
};

class WindowDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "import"})
      if (!HasProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    xvfb_ = std::make_unique<XvfbDisplay>("1024x768x24");
    if (!xvfb_->ok()) GTEST_SKIP() << "no Xvfb: " << xvfb_->error();
    screen_ = std::make_unique<DisplayWatch>(xvfb_->name());
    ASSERT_TRUE(screen_->ok());
    tray_ = std::make_unique<Child>(
        std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                                 "pixel", "--width", "120", "--heighttype", "pixel", "--height", "24"},
        xvfb_->name());
  }
  void TearDown() override {
    tray_.reset();
    screen_.reset();
    xvfb_.reset();
  }

  std::unique_ptr<ServerProcess> StartServer(const std::string& lang, bool hidden) {
    ServerOptions options;
    options.args = {"--dry-run-power", "--assume-network-up"};
    if (hidden) options.args.push_back("-ar");
    options.env = {{"DISPLAY", xvfb_->name()},
                   {"LANG", lang},
                   {"LSAN_OPTIONS", std::string("suppressions=") + VANTARO_LSAN_SUPPRESSIONS}};
    auto server = std::make_unique<ServerProcess>(options);
    EXPECT_TRUE(server->Start());
    return server;
  }

  std::unique_ptr<XvfbDisplay> xvfb_;
  std::unique_ptr<DisplayWatch> screen_;
  std::unique_ptr<Child> tray_;
};

TEST_F(WindowDisplayTest, EveryPageInEveryLanguageHidesToTheTrayAndComesBack) {
  struct Shot {
    const char* name;
    int x, y;  // the click, in window coordinates, that leads to the page
  };
  // Tab positions that hold for captions of every width; sub-page buttons on the left.
  const Shot shots[] = {{"1-connection", 262, 24},     {"2-settings-general", 320, 24},
                        {"3-settings-file-manager", 80, 113}, {"4-settings-camera-recorder", 80, 153},
                        {"5-more-support", 385, 24},  {"6-more-about", 80, 113}};
  for (const char* lang : {"en_US.UTF-8", "zh_CN.UTF-8", "zh_TW.UTF-8"}) {
    SCOPED_TRACE(lang);
    auto server = StartServer(lang, false);
    std::optional<WindowInfo> window;
    ASSERT_TRUE(screen_->WaitFor([&] {
      window = screen_->Find(640, 400);
      return window && window->viewable;
    })) << server->Stderr();
    ASSERT_TRUE(screen_->WaitFor([&] { return screen_->TrayIcon().has_value(); })) << server->Stderr();

    const std::string folder = std::string(VANTARO_SCREENSHOT_DIR) + "/" + std::string(lang).substr(0, 5);
    for (const Shot& s : shots) {
      screen_->Click(window->x + s.x, window->y + s.y);
      EXPECT_TRUE(screen_->Shoot(folder + "/" + s.name + ".png", window)) << s.name;
    }

    // The close button hides the window; the icon stays.
    screen_->Close(window->id);
    EXPECT_TRUE(screen_->WaitFor([&] { return !screen_->MainWindowViewable(); }));
    EXPECT_TRUE(screen_->TrayIcon().has_value());

    // A second copy on the same settings shows the first and ends with 0.
    const std::string second = "XDG_CONFIG_HOME=" + server->configHome() + " HOME=" + server->home() +
                               " LSAN_OPTIONS=suppressions=" + VANTARO_LSAN_SUPPRESSIONS + " " +
                               VANTARO_SERVER_PATH + " --dry-run-power";
    EXPECT_EQ(screen_->Run(second), 0);
    EXPECT_TRUE(screen_->WaitFor([&] { return screen_->MainWindowViewable(); }));

    // The icon's menu, and Exit from it.
    std::optional<WindowInfo> icon = screen_->TrayIcon();
    ASSERT_TRUE(icon);
    size_t before = screen_->ServerWindows().size();
    screen_->Click(icon->x + icon->width / 2, icon->y + icon->height / 2, 3);
    EXPECT_TRUE(screen_->WaitFor([&] {
      for (const WindowInfo& w : screen_->ServerWindows())
        if (w.viewable && w.width > 64 && w.width != 640) return true;
      return false;
    })) << "the menu opens";
    EXPECT_GE(screen_->ServerWindows().size(), before);
    EXPECT_TRUE(screen_->Shoot(folder + "/7-tray-menu.png"));
    screen_->Run("xdotool key Up Return");
    EXPECT_EQ(server->WaitExit(10000), 0) << server->Stderr();
    EXPECT_FALSE(screen_->TrayIcon().has_value()) << "the icon goes with the program";
  }
}

TEST_F(WindowDisplayTest, AHiddenStartShowsOnlyTheIconUntilItIsClicked) {
  auto server = StartServer("en_US.UTF-8", true);
  ASSERT_TRUE(screen_->WaitFor([&] { return screen_->TrayIcon().has_value(); })) << server->Stderr();
  std::optional<WindowInfo> window = screen_->Find(640, 400);
  EXPECT_TRUE(!window || !window->viewable);
  std::optional<WindowInfo> icon = screen_->TrayIcon();
  screen_->Click(icon->x + icon->width / 2, icon->y + icon->height / 2);
  ASSERT_TRUE(screen_->WaitFor([&] {
    window = screen_->Find(640, 400);
    return window && window->viewable;
  }));
  // Centred on the 1024 x 768 screen (there is no frame without a window manager).
  EXPECT_EQ(window->x, (1024 - 640) / 2);
  EXPECT_EQ(window->y, (768 - 400) / 2);
  EXPECT_EQ(server->Stop(), 0);
}

}  // namespace
}  // namespace vantaro::testing
