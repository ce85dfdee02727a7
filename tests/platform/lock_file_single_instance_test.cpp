#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/linux/posix_factories.h"
#include "support/server_process.h"

namespace vantaro::platform {
namespace {

// Counts show requests that arrive on the socket thread.
class ShowCounter {
 public:
  std::function<void()> Handler() {
    return [this] {
      std::lock_guard<std::mutex> guard(lock_);
      ++count_;
      changed_.notify_all();
    };
  }
  bool WaitFor(int count) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::seconds(5), [&] { return count_ >= count; });
  }
  int count() {
    std::lock_guard<std::mutex> guard(lock_);
    return count_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  int count_ = 0;
};

TEST(LockFileSingleInstanceTest, SecondCopyIsRefusedAndAsksTheFirstToShow) {
  // The long folder name passes the limit of Unix socket paths.
  const std::vector<std::string> subfolders = {"TalvenServer", std::string(120, 'x')};
  for (const std::string& sub : subfolders) {
    SCOPED_TRACE(sub.size());
    testing::TempDir dir;
    const std::string folder = dir.path() + "/" + sub;
    ShowCounter shows;
    auto first = CreateLockFileSingleInstance(folder);
    first->SetShowRequestHandler(shows.Handler());
    ASSERT_TRUE(first->Acquire("TalvenServer"));
    for (int copy = 1; copy <= 2; ++copy) {
      auto later = CreateLockFileSingleInstance(folder);
      EXPECT_FALSE(later->Acquire("TalvenServer"));
      EXPECT_TRUE(shows.WaitFor(copy));
    }
    EXPECT_EQ(shows.count(), 2);
  }
}

TEST(LockFileSingleInstanceTest, ClaimsAreScopedToTheStoreAndEndWithTheirOwner) {
  testing::TempDir dir;
  auto a = CreateLockFileSingleInstance(dir.path() + "/one");
  auto b = CreateLockFileSingleInstance(dir.path() + "/two");
  EXPECT_TRUE(a->Acquire("TalvenServer"));
  EXPECT_TRUE(b->Acquire("TalvenServer"));
  auto otherName = CreateLockFileSingleInstance(dir.path() + "/one");
  EXPECT_TRUE(otherName->Acquire("OtherName"));

  a.reset();  // stops and joins its socket thread, releases the lock
  ShowCounter shows;
  auto next = CreateLockFileSingleInstance(dir.path() + "/one");
  next->SetShowRequestHandler(shows.Handler());
  ASSERT_TRUE(next->Acquire("TalvenServer"));
  EXPECT_FALSE(CreateLockFileSingleInstance(dir.path() + "/one")->Acquire("TalvenServer"));
  EXPECT_TRUE(shows.WaitFor(1)) << "the new first copy listens on the reused socket path";
}

}  // namespace
}  // namespace vantaro::platform
