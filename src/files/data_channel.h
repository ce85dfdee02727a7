#pragma once
// The data-channel server: the listener on the service port + 2 and `DataChannelThread`, which
// accepts one device connection at a time, makes it the data connection that every sender writes
// to (app::AppState::dataSocket) and serves its requests (DataSession).
//
// Only the device of the current control session is served: a connection from any other address
// is closed at once and never becomes the data connection. A connection that arrives just before
// its control connection is held for a short grace until the control session shows its address.
//
// Threads: Start, Stop and CheckConnectionOwner may be called from any thread but the data-channel
// thread; the objects given to the constructor must outlive this one.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "control/control_session.h"
#include "files/data_session.h"
#include "files/file_operations.h"
#include "platform/socket.h"

namespace vantaro::files {

struct DataChannelTiming {
  // How long a connection may wait for its control session to appear.
  int ownerGraceMs = 3000;
  // Pause before the listener is reopened after a failed accept.
  int reopenPauseMs = 250;
};

class DataChannelServer {
 public:
  using Timing = DataChannelTiming;

  DataChannelServer(platform::Network& network, app::AppState& state,
                    control::ControlSession& control, FileOperations& operations,
                    Timing timing = Timing());
  ~DataChannelServer();  // Stop()
  DataChannelServer(const DataChannelServer&) = delete;
  DataChannelServer& operator=(const DataChannelServer&) = delete;

  // Opens the listener on `port` and starts the thread. False when the port cannot be opened or
  // the server is already running; the reason goes to `error`, or as one line to standard error
  // when `error` is null.
  bool Start(uint16_t port, std::string* error = nullptr);
  // Clears `dataServerRunning`, shuts the listener and the connection down, joins the thread and
  // closes the data connection. Safe to call twice, and when Start failed.
  void Stop();
  // To be called when a control session starts or ends: when the control session now belongs to a
  // device other than the one on the data connection, that connection is closed, so that no other
  // device receives what the senders write.
  void CheckConnectionOwner();

  // Waits up to `timeoutMs` until the data connection belongs to the device of the current control
  // session; true when it does. A listing asked for on the control channel right after the data
  // connection was opened would otherwise race its accept and go nowhere.
  bool WaitForSessionConnection(int timeoutMs);

  bool running() const { return dataServerRunning.load(); }
  // True while a connection is being served.
  bool sessionActive() const { return dataSessionActive.load(); }

 private:
  void DataChannelThread();
  std::shared_ptr<platform::ListenSocket> CurrentListener();
  // After a failed accept: waits, then opens the listener again. False once the server stops.
  bool ReopenListener();
  // Waits (within the grace) until the control session belongs to `peer`.
  bool WaitForOwner(uint32_t peer);
  void ServeConnection(std::shared_ptr<platform::StreamSocket> connection);
  // Waits up to `ms` or until Stop; false when the server stopped.
  bool Pause(int ms);

  platform::Network& network_;
  app::AppState& state_;
  control::ControlSession& control_;
  Timing timing_;
  uint16_t port_ = 0;  // written by Start before the thread starts

  // Written by Start and Stop, read by the data-channel thread.
  std::atomic<bool> dataServerRunning{false};
  // Written by the data-channel thread, read by anyone.
  std::atomic<bool> dataSessionActive{false};

  // Guards the three members below and is the lock of `wake_` and `connectionSet_`. Taken by the
  // data-channel thread, Stop, CheckConnectionOwner and WaitForSessionConnection (control thread);
  // never held while blocking in a socket call.
  std::mutex socketsLock_;
  std::condition_variable wake_;
  std::condition_variable connectionSet_;  // a connection became the data connection, or Stop
  std::shared_ptr<platform::ListenSocket> dataListenSocket;
  std::shared_ptr<platform::StreamSocket> servedConnection_;  // the connection being served
  uint32_t dataSocketPeer_ = 0;  // device address of the connection in `state_.dataSocket`, or 0

  // Serialises Start and Stop; only they touch `thread_`.
  std::mutex lifecycleLock_;
  std::thread thread_;

  DataSession session_;  // used by the data-channel thread only
};

}  // namespace vantaro::files
