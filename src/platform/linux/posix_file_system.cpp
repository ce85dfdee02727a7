// Computer paths are mapped to native ones here and nowhere else, so the core can keep the
// Windows path rules (drive prefix, "\" separators) that the device relies on.

#include "platform/linux/posix_file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vantaro::platform {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The order a Windows volume enumerates in, closely enough: case-insensitive, ties by bytes.
bool NameBefore(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool HiddenName(const char* name) { return name[0] == '.'; }

FileStatus FromStat(const struct stat& st, bool isLink, const char* name) {
  FileStatus s;
  s.isFolder = S_ISDIR(st.st_mode);
  s.isLink = isLink;
  s.hidden = HiddenName(name);
  s.readOnly = (st.st_mode & S_IWUSR) == 0;
  s.size = s.isFolder ? 0 : static_cast<uint64_t>(st.st_size);
  s.modifiedSeconds = static_cast<int64_t>(st.st_mtim.tv_sec);
  return s;
}

const char* BaseName(const std::string& native) {
  size_t slash = native.find_last_of('/');
  return native.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

bool WriteAllFd(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PosixReader : public FileReader {
 public:
  explicit PosixReader(int fd) : fd_(fd) {}
  ~PosixReader() override { ::close(fd_); }
  long ReadAt(uint64_t offset, void* buffer, size_t size) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
      ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
  }

 private:
  int fd_;
};

class PosixWriter : public FileWriter {
 public:
  explicit PosixWriter(int fd) : fd_(fd) {}
  ~PosixWriter() override { Close(); }
  bool Write(const void* data, size_t size) override {
    return fd_ >= 0 && WriteAllFd(fd_, static_cast<const char*>(data), size);
  }
  bool Close() override {
    if (fd_ < 0) return false;
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(const std::map<char, std::string>& extraDrives) {
    roots_['Z'] = "";
    for (const auto& [letter, folder] : extraDrives) {
      std::string root = folder;
      while (!root.empty() && root.back() == '/') root.pop_back();
      roots_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = root;
    }
  }

  std::optional<FileStatus> Status(const std::string& path) override {
    auto native = Native(path);
    if (!native) return std::nullopt;
    struct stat st;
    if (::lstat(native->c_str(), &st) != 0) return std::nullopt;
    bool isLink = S_ISLNK(st.st_mode);
    if (isLink && ::stat(native->c_str(), &st) != 0) return std::nullopt;
    return FromStat(st, isLink, BaseName(*native));
  }

  bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) override;

  bool CreateFolder(const std::string& path) override {
    auto native = Native(path);
    return native && ::mkdir(native->c_str(), 0777) == 0;
  }

  bool CopyFile(const std::string& source, const std::string& target) override;

  bool DeleteFile(const std::string& path) override {
    auto native = Native(path);
    struct stat st;
    if (!native || ::lstat(native->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    // A read-only file is protected until its attributes are set to normal.
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;
    return ::unlink(native->c_str()) == 0;
  }

  bool RemoveFolder(const std::string& path) override {
    auto native = Native(path);
    return native && ::rmdir(native->c_str()) == 0;
  }

  bool SetNormalAttributes(const std::string& path) override {
    auto native = Native(path);
    struct stat st;
    if (!native || ::lstat(native->c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return true;
    return ::chmod(native->c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
  }

  std::unique_ptr<FileReader> OpenRead(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixReader>(fd);
  }

  std::unique_ptr<FileWriter> CreateFile(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    // Never write through a link: it could lead out of the folders the device may use.
    int fd = ::open(native->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixWriter>(fd);
  }

  bool ResolvesWithin(const std::string& path, const std::string& root) override {
    auto nativePath = Native(path);
    auto nativeRoot = Native(root);
    if (!nativePath || !nativeRoot) return false;
    auto p = Resolve(*nativePath);
    auto r = Resolve(*nativeRoot);
    if (!p || !r) return false;
    if (*r == "/") return true;
    return *p == *r || (p->size() > r->size() && p->compare(0, r->size(), *r) == 0 &&
                        (*p)[r->size()] == '/');
  }

 private:
  // The native path of a computer path; "/" is accepted as a separator too, as Windows does.
  std::optional<std::string> Native(const std::string& path) const {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    auto it = roots_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
    if (it == roots_.end()) return std::nullopt;
    if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return std::nullopt;
    if (path.find('\0') != std::string::npos) return std::nullopt;
    std::string native = it->second;
    for (size_t i = 2; i < path.size(); ++i) native.push_back(path[i] == '\\' ? '/' : path[i]);
    if (native.empty()) native = "/";
    return native;
  }

  // The canonical form of `native`: the existing part with its links resolved, the rest as
  // written. Fails when a component exists but cannot be resolved (a dangling link, a loop).
  static std::optional<std::string> Resolve(const std::string& native) {
    std::string head = native;
    std::string tail;
    for (;;) {
      char buf[PATH_MAX];
      if (::realpath(head.c_str(), buf)) {
        std::string out = buf;
        if (!tail.empty()) out += (out == "/" ? "" : "/") + tail;
        return out;
      }
      struct stat st;
      if (errno != ENOENT || ::lstat(head.c_str(), &st) == 0) return std::nullopt;
      while (head.size() > 1 && head.back() == '/') head.pop_back();
      size_t slash = head.find_last_of('/');
      if (slash == std::string::npos) return std::nullopt;
      std::string last = head.substr(slash + 1);
      if (!last.empty()) tail = tail.empty() ? last : last + "/" + tail;
      head = slash == 0 ? "/" : head.substr(0, slash);
    }
  }

  std::map<char, std::string> roots_;  // set by the constructor, read-only afterwards
};

bool PosixFileSystem::ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) {
  entries->clear();
  auto native = Native(folder);
  if (!native) return false;
  int fd = ::open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  while (dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // A "\" would split the name into two components of the computer path.
    if (std::strchr(name, '\\')) continue;
    FolderEntry entry;
    entry.name = name;
    entry.hidden = HiddenName(name);
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.link = S_ISLNK(st.st_mode);
      if (!entry.link || ::fstatat(fd, name, &st, 0) == 0)
        entry.status = FromStat(st, entry.link, name);
    }
    entries->push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameBefore(a.name, b.name); });
  return true;
}

bool PosixFileSystem::CopyFile(const std::string& source, const std::string& target) {
  auto from = Native(source);
  auto to = Native(target);
  if (!from || !to) return false;
  int in = ::open(from->c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  int out = ::open(to->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                   st.st_mode & 0777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  static constexpr size_t kChunk = 1 << 20;
  std::unique_ptr<char[]> buf(new char[kChunk]);
  for (;;) {
    ssize_t n = ::read(in, buf.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!WriteAllFd(out, buf.get(), static_cast<size_t>(n))) {
      ok = false;
      break;
    }
  }
  // The copy keeps the time of the last write, so a listing shows it as old as its source.
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(out, times);
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFileSystem(const std::map<char, std::string>& extraDrives) {
  return std::make_unique<PosixFileSystem>(extraDrives);
}

}  // namespace vantaro::platform
