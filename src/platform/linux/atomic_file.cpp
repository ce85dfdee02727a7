#include "platform/linux/atomic_file.h"

#include <dirent.h>
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

// The suffix that mkostemp puts in place of "XXXXXX".
constexpr size_t kTemporarySuffixSize = 6;

bool IsTemporaryName(const std::string& name, const std::string& base) {
  if (name.size() != base.size() + 1 + kTemporarySuffixSize) return false;
  if (name.compare(0, base.size(), base) != 0 || name[base.size()] != '.') return false;
  for (size_t i = base.size() + 1; i < name.size(); ++i) {
    char c = name[i];
    bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
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
  std::string pattern = path + "." + std::string(kTemporarySuffixSize, 'X');
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

int RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = ParentOf(path);
  const size_t slash = path.find_last_of('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryName(name, base)) continue;
    // Only plain files: a folder or a link of that name is nothing this writer made.
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode)) continue;
    if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace vantaro::platform
