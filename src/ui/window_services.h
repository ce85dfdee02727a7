#pragma once
// Everything the window reaches of the rest of the program, gathered by whoever creates it (the
// program's start-up, or a test with fakes). References must outlive the window.

#include <cstdint>
#include <functional>
#include <string>

#include "app/texts.h"
#include "ui/capture_preview.h"
#include "ui/connection_page_model.h"
#include "ui/file_manager_page_model.h"
#include "ui/general_page_model.h"
#include "ui/version_check.h"
#include "ui/window_texts.h"

namespace vantaro::ui {

struct WindowServices {
  const app::Texts& texts;
  WindowTexts windowTexts;
  GeneralSettingsAccess& general;
  SharedFoldersAccess& folders;
  CapturePreview& capture;
  HttpGetter& http;
  std::function<void()> openService;   // the ON button
  std::function<void()> closeService;  // the OFF button
  std::function<ConnectionFacts()> facts;
  std::function<int32_t()> connectionStatus;
  std::function<int64_t()> nowSeconds;  // calendar time, for the connected-time clock
  std::string versionUrl;
  std::string currentVersion;
  std::string& latestVersion;
  bool startedHidden = false;
  // Opens the desktop's power settings; false when no program could be started.
  std::function<bool()> openPowerSettings;
};

}  // namespace vantaro::ui
