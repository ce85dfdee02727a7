#pragma once
// A window on fakes: English texts, recorded settings and folders, devices of a test's choosing,
// and a clock the test sets.

#include <atomic>
#include <memory>
#include <mutex>

#include "app/texts.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_http_getter.h"
#include "ui/window_services.h"
#include "../ui/ui_fakes.h"

namespace vantaro::ui {

// Two cameras and a microphone; the test feeds frames and levels through the stored callbacks,
// from any thread, as a capture thread would.
class FakeCapture : public CapturePreview {
 public:
  std::vector<std::string> VideoInputs() override { return video; }
  std::vector<std::string> AudioInputs() override { return audio; }
  bool StartPreview(int index, std::function<void(PreviewFrame)> onFrame) override {
    std::lock_guard<std::mutex> g(lock);
    previewIndex = index;
    frameSink = std::move(onFrame);
    ++previewStarts;
    return true;
  }
  void StopPreview() override {
    std::lock_guard<std::mutex> g(lock);
    frameSink = nullptr;
    ++previewStops;
  }
  bool StartLevelMeter(int index, std::function<void(int)> onLevel) override {
    std::lock_guard<std::mutex> g(lock);
    meterIndex = index;
    levelSink = std::move(onLevel);
    return true;
  }
  void StopLevelMeter() override {
    std::lock_guard<std::mutex> g(lock);
    levelSink = nullptr;
  }
  void Frame(PreviewFrame f) {
    std::lock_guard<std::mutex> g(lock);
    if (frameSink) frameSink(std::move(f));
  }
  void Level(int level) {
    std::lock_guard<std::mutex> g(lock);
    if (levelSink) levelSink(level);
  }

  std::vector<std::string> video{"Cam A", "Cam B"};
  std::vector<std::string> audio{"Mic 1"};
  std::mutex lock;
  std::function<void(PreviewFrame)> frameSink;
  std::function<void(int)> levelSink;
  int previewIndex = -1, meterIndex = -1, previewStarts = 0, previewStops = 0;
};

struct WindowFixture {
  explicit WindowFixture(bool startedHidden = false) {
    app::LoadLanguageTexts(app::kEnglish, texts);
    general.values = {true, true, "Ab3x9Q", "5868"};
    services = std::make_unique<WindowServices>(WindowServices{
        texts, LoadWindowTexts(app::kEnglish), general, folders, capture, http,
        [this] { ++opens; }, [this] { ++closes; },
        [this] { return facts; }, [this] { return status.load(); }, [this] { return now; },
        "http://127.0.0.1:9/versionDetecting.htm", "2.2", latest, startedHidden,
        [this] { ++powerOpens; return true; }});
    window = std::make_unique<qt::CTalvenServer_WinDlg>(*services, [this] { ++exits; });
  }

  app::Texts texts;
  RecordingGeneralSettings general;
  RecordingFolders folders;
  FakeCapture capture;
  qt::QtHttpGetter http;
  std::string latest = "2.2";
  ConnectionFacts facts{"host", "192.168.1.5", "-", "Pixel", "192.168.1.20"};
  std::atomic<int32_t> status{2};
  int64_t now = 1000;
  int opens = 0, closes = 0, exits = 0, powerOpens = 0;
  std::unique_ptr<WindowServices> services;
  std::unique_ptr<qt::CTalvenServer_WinDlg> window;
};

}  // namespace vantaro::ui
