#include "platform/linux/atomic_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantaro::platform {

namespace {

std::string Reason(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool CreateFolders(const std::string& folder, mode_t mode, std::string* error) {
  if (folder.empty()) return true;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    if (error) *error = Reason("cannot create folder", folder);
    return false;
  }
  std::string parent = ParentOf(folder);
  if (parent != folder && !CreateFolders(parent, mode, error)) return false;
  if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST) {
    if (error) *error = Reason("cannot create folder", folder);
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, mode_t mode,
                         std::string* error) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkstemp creates the file 0600, so nobody else can open it before the mode below is set.
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = Reason("cannot create", pattern);
    return false;
  }
  const std::string temp(name.data());
  auto fail = [&](const char* what) {
    if (error) *error = Reason(what, temp);
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };
  if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of");
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("cannot write");
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail("cannot flush");
  if (::close(fd) != 0) {
    fd = -1;
    if (error) *error = Reason("cannot close", temp);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    if (error) *error = Reason("cannot replace", path);
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk only with the folder's entry.
  int dir = ::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace vantaro::platform
