#pragma once
// The process-wide state that the services share: the connection status, the device's facts, the
// media flags, the data connection and the file stop flag. One object, owned by the application
// object and passed by reference to every component that needs it. Threads hand work to each other
// only through these atomics; texts are guarded by `textLock_`.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "app/data_connection.h"
#include "app/status_observer.h"

namespace vantaro::app {

// Values of the connection status.
enum ConnectionStatusValue : int32_t {
  kStatusWaiting = 1,
  kStatusClosed = 2,
  kStatusConnected = 3,
  kStatusConnectedWithCode = 4,
  kStatusFileManager = 5,
  kStatusRemoteDesktop = 6,
  kStatusCamera = 7,
  kStatusTouchMouse = 8,
  kStatusModeEnded = 11,
  kStatusDisconnected = 12,
  kStatusRecorder = 13,
};

// Values of `sessionMode`.
enum SessionModeValue : int32_t {
  kModeNone = 0,
  kModeRemoteDesktop = 13,
  kModeCamera = 14,
  kModeRecorder = 15,
};

// Flags read and written by the control thread, the stream threads and the capture timers.
struct MediaFlags {
  std::atomic<int32_t> sessionMode{kModeNone};  // never reset by the end of a mode or session
  std::atomic<bool> streamRunning{false};       // loop flag of the desktop stream
  std::atomic<bool> videoHeaderPending{false};
  std::atomic<bool> cameraOn{false};
  std::atomic<bool> cameraChangePending{false};
  std::atomic<bool> recorderOn{false};
  std::atomic<bool> recorderChangePending{false};
  std::atomic<bool> audioHeaderPending{false};
  std::atomic<bool> omitAudioLevel{false};  // cleared only at program start
};

class AppState {
 public:
  // `observer` must outlive this object.
  explicit AppState(StatusObserver& observer) : observer_(observer) {}
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  // Stores the status, then reports it (`UpdateStatusDisplay`) on the calling thread.
  void SetConnectionStatus(int32_t status) {
    connectionStatus_.store(status);
    observer_.StatusChanged(status);
  }
  int32_t connectionStatus() const { return connectionStatus_.load(); }
  StatusObserver& observer() { return observer_; }

  void SetDeviceName(std::string name) {
    std::lock_guard<std::mutex> guard(textLock_);
    deviceName_ = std::move(name);
  }
  std::string DeviceName() {
    std::lock_guard<std::mutex> guard(textLock_);
    return deviceName_;
  }
  void SetDeviceAddress(std::string address) {
    std::lock_guard<std::mutex> guard(textLock_);
    deviceAddress_ = std::move(address);
  }
  std::string DeviceAddress() {
    std::lock_guard<std::mutex> guard(textLock_);
    return deviceAddress_;
  }

  std::atomic<int32_t> deviceDisplayWidth{0};
  std::atomic<int32_t> deviceDisplayHeight{0};
  // Capture devices found by the last enumeration; 0 while none has run.
  std::atomic<int32_t> videoInputCount{0};
  std::atomic<int32_t> audioInputCount{0};
  MediaFlags media;
  // Set by the stop command, cleared by each file request; the file loops poll it.
  std::atomic<int32_t> stopFileOperation{0};
  DataConnection dataSocket;

 private:
  StatusObserver& observer_;
  std::atomic<int32_t> connectionStatus_{kStatusClosed};
  std::mutex textLock_;
  std::string deviceName_;
  std::string deviceAddress_;
};

}  // namespace vantaro::app
