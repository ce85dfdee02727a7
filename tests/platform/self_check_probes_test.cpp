#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {
namespace {

const ServicePorts kDefaultPorts{5868, 5869, 5870};

TEST(UfwRulesTest, EveryPortNeedsAnAllowingRuleAndTheFirstMatchDecides) {
  struct Row {
    const char* name;
    const char* rules;
    bool open;
  };
  const Row rows[] = {
      {"the packaged profile",
       "### tuple ### allow udp 5868 0.0.0.0/0 any 0.0.0.0/0 Vantaro - in\n"
       "-A ufw-user-input -p udp --dport 5868 -j ACCEPT\n"
       "### tuple ### allow tcp 5869:5870 0.0.0.0/0 any 0.0.0.0/0 Vantaro - in\n",
       true},
      {"ports by number, any protocol, with a comment",
       "### tuple ### allow any 5868,5869:5870 0.0.0.0/0 any 0.0.0.0/0 in comment=6869\n", true},
      {"limit counts as allow", "### tuple ### limit any 5000:6000 0.0.0.0/0 any 0.0.0.0/0 in\n",
       true},
      {"the control and data ports missing",
       "### tuple ### allow udp 5868 0.0.0.0/0 any 0.0.0.0/0 in\n", false},
      {"TCP opened, UDP only for another port",
       "### tuple ### allow tcp 5868:5870 0.0.0.0/0 any 0.0.0.0/0 in\n"
       "### tuple ### allow udp 5867 0.0.0.0/0 any 0.0.0.0/0 in\n",
       false},
      {"a deny before the allow",
       "### tuple ### deny tcp 5869 0.0.0.0/0 any 0.0.0.0/0 in\n"
       "### tuple ### allow any any 0.0.0.0/0 any 0.0.0.0/0 in\n",
       false},
      {"outgoing rules do not let anything in",
       "### tuple ### allow any 5868:5870 0.0.0.0/0 any 0.0.0.0/0 out\n", false},
      {"no rules", "", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(UfwRulesAllow(row.rules, kDefaultPorts), row.open) << row.name;
}

class FirewallFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantaro-firewall-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  void Write(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(root_ + path).parent_path());
    std::ofstream(root_ + path) << content;
  }
  std::string root_;
};

TEST_F(FirewallFilesTest, UfwStateComesFromItsFiles) {
  auto probe = CreateLinuxFirewallProbe(root_);
  EXPECT_EQ(probe->Ufw(kDefaultPorts).state, FirewallFacts::kNotInstalled);
  EXPECT_EQ(probe->Firewalld(kDefaultPorts).state, FirewallFacts::kNotInstalled);

  Write("/usr/sbin/ufw", "");
  Write("/etc/ufw/ufw.conf", "# comment\nENABLED=no\n");
  EXPECT_EQ(probe->Ufw(kDefaultPorts).state, FirewallFacts::kInactive);

  Write("/etc/ufw/ufw.conf", "ENABLED=yes\nLOGLEVEL=low\n");
  Write("/etc/default/ufw", "DEFAULT_INPUT_POLICY=\"DROP\"\n");
  FirewallFacts facts = probe->Ufw(kDefaultPorts);
  EXPECT_EQ(facts.state, FirewallFacts::kActive);
  EXPECT_EQ(facts.ports, FirewallFacts::kCannotTell);  // no readable rules file
  EXPECT_NE(facts.detail.find("user.rules"), std::string::npos) << facts.detail;

  Write("/etc/ufw/user.rules", "### tuple ### allow any 22 0.0.0.0/0 any 0.0.0.0/0 in\n");
  EXPECT_EQ(probe->Ufw(kDefaultPorts).ports, FirewallFacts::kClosed);

  Write("/etc/default/ufw", "DEFAULT_INPUT_POLICY=\"ACCEPT\"\n");
  EXPECT_EQ(probe->Ufw(kDefaultPorts).ports, FirewallFacts::kOpen);
}

std::string ThisExecutable() {
  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// A socket of this test process on 127.0.0.1 and a port the kernel picked.
struct LoopbackSocket {
  explicit LoopbackSocket(int type) : fd(::socket(AF_INET, type, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return;
    if (type == SOCK_STREAM) ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    port = ntohs(addr.sin_port);
  }
  ~LoopbackSocket() { ::close(fd); }
  int fd;
  uint16_t port = 0;
};

TEST(PortProbeTest, ATakenPortIsTracedToTheProcessThatHoldsIt) {
  const std::string self = ThisExecutable();
  const std::string pid = "pid " + std::to_string(::getpid());
  for (auto [type, transport] :
       {std::pair{SOCK_STREAM, Transport::kTcp}, std::pair{SOCK_DGRAM, Transport::kUdp}}) {
    LoopbackSocket held(type);
    ASSERT_NE(held.port, 0);
    PortFacts ours = CreateSocketPortProbe(self)->Probe(transport, held.port);
    EXPECT_EQ(ours.state, PortFacts::kHeldByThisProgram) << ours.detail;
    EXPECT_NE(ours.detail.find(pid), std::string::npos) << ours.detail;
    PortFacts other = CreateSocketPortProbe("/usr/bin/vantaro-server")->Probe(transport, held.port);
    EXPECT_EQ(other.state, PortFacts::kHeldByOther) << other.detail;
    EXPECT_NE(other.detail.find(pid), std::string::npos) << other.detail;
  }
}

}  // namespace
}  // namespace vantaro::platform
