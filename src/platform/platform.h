#pragma once
// Every platform facility the program uses, created together by the operating system's factory.
// The application object owns this and hands references to the components that need them.

#include <functional>
#include <memory>

#include "platform/autostart.h"
#include "platform/capture_devices.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/input_injector.h"
#include "platform/network_state.h"
#include "platform/power.h"
#include "platform/profile_store.h"
#include "platform/screen_source.h"
#include "platform/single_instance.h"
#include "platform/socket.h"
#include "platform/system_info.h"
#include "platform/termination_signal.h"
#include "platform/text_codec.h"
#include "platform/user_folders.h"

namespace vantaro::platform {

struct Platform {
  std::unique_ptr<Network> network;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<FileSystem> fileSystem;
  std::unique_ptr<SystemInfo> systemInfo;
  std::unique_ptr<TextCodec> textCodec;
  std::unique_ptr<ProfileStore> profileStore;
  std::unique_ptr<AutoStart> autoStart;
  std::unique_ptr<SingleInstance> singleInstance;
  std::unique_ptr<NetworkState> networkState;
  std::unique_ptr<IdleInhibitor> idleInhibitor;
  std::unique_ptr<Power> power;
  std::unique_ptr<UserFolders> userFolders;
  // Opens the input injector. Called once the program knows it is the only copy, since opening it
  // may say on standard error that there is no display.
  std::function<std::unique_ptr<InputInjector>()> createInputInjector;
  std::unique_ptr<ScreenSource> screenSource;
  // The real cameras and microphones (the option for synthetic ones replaces them at start).
  std::unique_ptr<CaptureDevices> captureDevices;
};

// The implementations of the running system (X11 and POSIX on Linux). Call once, early in main():
// it also adopts the user's locale for the character type (setlocale LC_CTYPE), which the text
// codec needs to know the narrow code page.
std::unique_ptr<Platform> CreatePlatform();

// SIGINT/SIGTERM or their equivalent. Create it first thing in main(), before any other thread.
std::unique_ptr<TerminationSignal> CreateTerminationSignal();

}  // namespace vantaro::platform
