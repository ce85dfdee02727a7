// Computer paths are mapped to native ones here and nowhere else, so the core can keep the
// Windows path rules (drive prefix, "\" separators) that the device relies on. Below an opened
// folder every call is relative to its descriptor and refuses links, so that no path string is
// resolved again after the folder was opened.

#include "platform/linux/posix_file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
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

// One component, never a way out of the folder.
bool IsEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

FileStatus FromStat(const struct stat& st, const char* name) {
  FileStatus s;
  s.isLink = S_ISLNK(st.st_mode);
  s.isFolder = S_ISDIR(st.st_mode);
  s.hidden = HiddenName(name);
  s.readOnly = (st.st_mode & S_IWUSR) == 0;
  s.size = s.isFolder || s.isLink ? 0 : static_cast<uint64_t>(st.st_size);
  s.modifiedSeconds = static_cast<int64_t>(st.st_mtim.tv_sec);
  return s;
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
  uint64_t Size() override {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }
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

class PosixFolder : public Folder {
 public:
  explicit PosixFolder(int fd) : fd_(fd) {}
  ~PosixFolder() override { ::close(fd_); }

  bool List(std::vector<FolderEntry>* entries) override;

  std::optional<FileStatus> Status(const std::string& name) override {
    struct stat st;
    if (name.empty()) {
      if (::fstat(fd_, &st) != 0) return std::nullopt;
      return FromStat(st, "");
    }
    if (!IsEntryName(name) || ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      return std::nullopt;
    return FromStat(st, name.c_str());
  }

  std::unique_ptr<Folder> OpenFolder(const std::string& name) override {
    if (!IsEntryName(name)) return nullptr;
    int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFolder>(fd);
  }

  bool CreateFolder(const std::string& name) override {
    return IsEntryName(name) && ::mkdirat(fd_, name.c_str(), 0777) == 0;
  }

  std::unique_ptr<FileReader> OpenRead(const std::string& name) override {
    int fd = OpenRegular(name);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixReader>(fd);
  }

  std::unique_ptr<FileWriter> CreateNewFile(const std::string& name) override {
    if (!IsEntryName(name)) return nullptr;
    int fd = ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixWriter>(fd);
  }

  bool CopyFileTo(const std::string& name, Folder& target, const std::string& targetName) override;

  bool MoveTo(const std::string& name, Folder& target, const std::string& targetName) override {
    auto* to = dynamic_cast<PosixFolder*>(&target);
    if (!to || !IsEntryName(name) || !IsEntryName(targetName)) return false;
    if (::renameat2(fd_, name.c_str(), to->fd_, targetName.c_str(), RENAME_NOREPLACE) == 0)
      return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the no-replace rename: a hard link fails on an existing name as well.
    if (::linkat(fd_, name.c_str(), to->fd_, targetName.c_str(), 0) != 0) return false;
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
  }

  bool DeleteFile(const std::string& name) override {
    struct stat st;
    if (!IsEntryName(name) || ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(st.st_mode))
      return false;
    // A read-only file is protected until its attributes are set to normal.
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
  }

  bool RemoveFolder(const std::string& name) override {
    // unlinkat does not follow a link in the last component; on a link it fails with ENOTDIR.
    return IsEntryName(name) && ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0;
  }

  bool SetNormalAttributes(const std::string& name) override {
    if (!IsEntryName(name)) return false;
    // Through a descriptor opened without following links, so a link swapped in is not changed.
    int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      struct stat st;
      return ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 &&
              ((st.st_mode & S_IWUSR) || ::fchmod(fd, (st.st_mode & 07777) | S_IWUSR) == 0);
    ::close(fd);
    return ok;
  }

 private:
  int OpenRegular(const std::string& name) {
    if (!IsEntryName(name)) return -1;
    int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are read.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
  }

  int fd_;
};

bool PosixFolder::List(std::vector<FolderEntry>* entries) {
  entries->clear();
  // readdir consumes the descriptor it is given, so it gets its own.
  int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
      entry.status = FromStat(st, name);
    }
    entries->push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameBefore(a.name, b.name); });
  return true;
}

bool PosixFolder::CopyFileTo(const std::string& name, Folder& target,
                             const std::string& targetName) {
  auto* to = dynamic_cast<PosixFolder*>(&target);
  if (!to || !IsEntryName(targetName)) return false;
  int in = OpenRegular(name);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0) {
    ::close(in);
    return false;
  }
  int out = ::openat(to->fd_, targetName.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 0777);
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
  // A cut copy would pass for the whole file.
  if (!ok) ::unlinkat(to->fd_, targetName.c_str(), 0);
  return ok;
}

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
    struct stat st;
    if (!native || ::stat(native->c_str(), &st) != 0) return std::nullopt;
    size_t slash = native->find_last_of('/');
    return FromStat(st, native->c_str() + (slash == std::string::npos ? 0 : slash + 1));
  }

  std::unique_ptr<Folder> OpenFolderPath(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    int fd = ::open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFolder>(fd);
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

  std::map<char, std::string> roots_;  // set by the constructor, read-only afterwards
};

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFileSystem(const std::map<char, std::string>& extraDrives) {
  return std::make_unique<PosixFileSystem>(extraDrives);
}

}  // namespace vantaro::platform
