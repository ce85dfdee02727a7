// The watchdog against a real network: the server runs in a network namespace of the test's own
// with a veth pair inside it; taking the link down closes the service, bringing it back reopens it.
// Needs root and iproute2; skipped otherwise.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/server_process.h"

namespace vantaro::testing {
namespace {

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class NetworkNamespace {
 public:
  NetworkNamespace() : name_("vantaro-t" + std::to_string(::getpid())) {
    ok_ = Shell("ip netns add " + name_) &&
          Shell("ip -n " + name_ + " link add va type veth peer name vb") &&
          Shell("ip -n " + name_ + " addr add 10.77.0.2/24 dev vb") &&
          Shell("ip -n " + name_ + " link set va up") && Up();
  }
  ~NetworkNamespace() { Shell("ip netns del " + name_); }
  bool ok() const { return ok_; }
  const std::string& name() const { return name_; }
  bool Down() { return Shell("ip -n " + name_ + " link set vb down"); }
  bool Up() {
    return Shell("ip -n " + name_ + " link set vb up") &&
           Shell("ip -n " + name_ + " route replace default dev vb");
  }

 private:
  std::string name_;
  bool ok_ = false;
};

TEST(NetworkWatchdog, LinkDownClosesTheServiceAndLinkUpReopensIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for a network namespace";
  if (!Shell("command -v ip")) GTEST_SKIP() << "needs iproute2";
  NetworkNamespace ns;
  if (!ns.ok()) GTEST_SKIP() << "network namespaces are not available here";

  ServerOptions options;
  options.binary = "/usr/bin/env";
  options.args = {"ip", "netns", "exec", ns.name(), VANTARO_SERVER_PATH, "--headless",
                  "--dry-run-power"};
  ServerProcess server(options);
  ASSERT_TRUE(server.Start());
  int open = server.WaitForLine("status 1:", 8000);
  ASSERT_GE(open, 0) << server.Stderr();
  ASSERT_TRUE(ns.Down());
  int closed = server.WaitForLine("status 2: -", 8000, static_cast<size_t>(open) + 1);
  ASSERT_GE(closed, 0);
  ASSERT_TRUE(ns.Up());
  EXPECT_GE(server.WaitForLine("status 1:", 8000, static_cast<size_t>(closed) + 1), 0);
  EXPECT_EQ(server.Stop(), 0);
}

}  // namespace
}  // namespace vantaro::testing
