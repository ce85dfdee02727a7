#include "app/data_connection.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vantaro::app {
namespace {

// A connection whose sends either fail at once or hang until it is shut down, as toward a device
// that stopped reading.
class StuckSocket : public platform::StreamSocket {
 public:
  explicit StuckSocket(bool failAtOnce = false) : failAtOnce_(failAtOnce) {}
  long Receive(void*, size_t) override { return -1; }
  bool SendAll(const void*, size_t) override {
    std::unique_lock<std::mutex> lock(m_);
    sending_ = true;
    cv_.notify_all();
    if (!failAtOnce_) cv_.wait(lock, [this] { return down_; });
    return false;
  }
  void SetSendProgressTimeout(int ms) override { progressTimeoutMs = ms; }
  void Shutdown() override {
    std::lock_guard<std::mutex> g(m_);
    down_ = true;
    cv_.notify_all();
  }
  platform::Ipv4Endpoint Peer() const override { return {}; }
  void WaitSending() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return sending_; });
  }
  bool down() {
    std::lock_guard<std::mutex> g(m_);
    return down_;
  }
  int progressTimeoutMs = 0;

 private:
  bool failAtOnce_;
  std::mutex m_;
  std::condition_variable cv_;
  bool sending_ = false, down_ = false;
};

TEST(DataConnection, EveryConnectionGetsTheProgressDeadline) {
  DataConnection connection;
  auto socket = std::make_shared<StuckSocket>(true);
  connection.Replace(socket);
  EXPECT_EQ(socket->progressTimeoutMs, DataConnection::kDefaultProgressDeadlineMs);
  connection.SetProgressDeadlineMs(300);
  auto next = std::make_shared<StuckSocket>(true);
  connection.Replace(next);
  EXPECT_EQ(next->progressTimeoutMs, 300);
}

// A failed write (the deadline passed, or the device went) ends the connection, which also wakes
// its data session; later messages fail at once instead of trying a dead socket again.
TEST(DataConnection, AFailedWriteEndsTheConnection) {
  DataConnection connection;
  auto socket = std::make_shared<StuckSocket>(true);
  connection.Replace(socket);
  EXPECT_FALSE(connection.SendMessage("x", 1));
  EXPECT_TRUE(socket->down());
  EXPECT_FALSE(connection.HasConnection());
}

// A listing behind a write that hangs does not wait for ever for its turn: when it cannot start
// within the deadline, the connection is ended, and the hanging write with it.
TEST(DataConnection, AMessageThatCannotStartWithinTheDeadlineEndsTheConnection) {
  DataConnection connection;
  connection.SetProgressDeadlineMs(50);
  auto socket = std::make_shared<StuckSocket>();
  connection.Replace(socket);
  bool firstSent = true;
  std::thread download([&] { firstSent = connection.SendMessage("part", 4); });
  socket->WaitSending();
  EXPECT_FALSE(connection.SendMessage("listing", 7));
  download.join();
  EXPECT_FALSE(firstSent);
  EXPECT_TRUE(socket->down());
  EXPECT_FALSE(connection.HasConnection());
}

}  // namespace
}  // namespace vantaro::app
