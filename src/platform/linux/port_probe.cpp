// A port is tried the way the service takes it: bound on every IPv4 address, TCP with
// SO_REUSEADDR (so that old connections in TIME_WAIT do not count), UDP without. A port that is
// taken is looked up in /proc/net to find the socket's inode, and /proc/<pid>/fd to find the
// process that has it; processes of other users stay invisible, and then only the owner's uid is
// known.

#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

struct Holder {
  std::set<unsigned long> inodes;
  std::string uid;
};

// The sockets bound to `port` in one /proc/net table; TCP counts only listeners (state 0A).
void ScanTable(const char* table, uint16_t port, bool tcp, Holder* holder) {
  std::ifstream in(table);
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
    unsigned long inode = 0;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
          timeout >> inode))
      continue;
    size_t colon = local.rfind(':');
    if (colon == std::string::npos) continue;
    if (std::strtoul(local.c_str() + colon + 1, nullptr, 16) != port) continue;
    if (tcp && state != "0A") continue;
    holder->inodes.insert(inode);
    if (holder->uid.empty()) holder->uid = uid;
  }
}

std::string ReadLink(const std::string& path) {
  char buffer[4096];
  ssize_t n = ::readlink(path.c_str(), buffer, sizeof(buffer) - 1);
  if (n <= 0) return {};
  std::string target(buffer, static_cast<size_t>(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
  return target;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The first process that has one of `inodes` open, as its pid; 0 when none can be seen.
long FindProcess(const std::set<unsigned long>& inodes) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  long found = 0;
  while (dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string fdFolder = "/proc/" + std::string(entry->d_name) + "/fd";
    DIR* fds = ::opendir(fdFolder.c_str());
    if (!fds) continue;
    while (dirent* fd = ::readdir(fds)) {
      std::string target = ReadLink(fdFolder + "/" + fd->d_name);
      if (!target.starts_with("socket:[")) continue;
      if (inodes.count(std::strtoul(target.c_str() + 8, nullptr, 10))) {
        found = pid;
        break;
      }
    }
    ::closedir(fds);
    if (found) break;
  }
  ::closedir(proc);
  return found;
}

class SocketPortProbe : public PortProbe {
 public:
  explicit SocketPortProbe(std::string programPath) : programPath_(std::move(programPath)) {}

  PortFacts Probe(Transport transport, uint16_t port) override {
    PortFacts facts;
    const bool tcp = transport == Transport::kTcp;
    int fd = ::socket(AF_INET, (tcp ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      facts.detail = std::strerror(errno);
      return facts;
    }
    int one = 1;
    if (tcp) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int bindError = errno;
    ::close(fd);
    if (bound == 0) {
      facts.state = PortFacts::kFree;
      return facts;
    }
    if (bindError != EADDRINUSE) {
      facts.detail = std::strerror(bindError);
      return facts;
    }
    return FindHolder(tcp, port);
  }

 private:
  PortFacts FindHolder(bool tcp, uint16_t port) const {
    PortFacts facts;
    facts.state = PortFacts::kHeldByOther;
    Holder holder;
    ScanTable(tcp ? "/proc/net/tcp" : "/proc/net/udp", port, tcp, &holder);
    ScanTable(tcp ? "/proc/net/tcp6" : "/proc/net/udp6", port, tcp, &holder);
    long pid = holder.inodes.empty() ? 0 : FindProcess(holder.inodes);
    if (pid == 0) {
      facts.detail = holder.uid.empty() ? "?" : "uid " + holder.uid;
      return facts;
    }
    const std::string exe = ReadLink("/proc/" + std::to_string(pid) + "/exe");
    std::string name;
    std::ifstream("/proc/" + std::to_string(pid) + "/comm") >> name;
    if (!exe.empty() && (exe == programPath_ || BaseName(exe) == BaseName(programPath_)))
      facts.state = PortFacts::kHeldByThisProgram;
    facts.detail = (name.empty() ? BaseName(exe) : name) + ", pid " + std::to_string(pid);
    return facts;
  }

  const std::string programPath_;
};

}  // namespace

std::unique_ptr<PortProbe> CreateSocketPortProbe(std::string programPath) {
  return std::make_unique<SocketPortProbe>(std::move(programPath));
}

}  // namespace vantaro::platform
