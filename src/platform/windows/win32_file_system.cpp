// Computer paths are native paths on Windows; they are still checked here, so that a path from
// the device can name nothing but a file or folder: no alternate data stream ("a.txt:hidden"), no
// device ("\\.\"), no wildcard. Paths go to the API with the "\\?\" prefix, which lifts the
// MAX_PATH limit and turns off the name rewriting that would otherwise drop trailing dots.

#include "platform/windows/win32_file_system.h"

#include <windows.h>

#include <algorithm>

// <windows.h> renames these to their wide forms, which would hide the interface's methods.
#undef CopyFile
#undef DeleteFile
#undef CreateFile
#include <cctype>

#include "platform/windows/wide_text.h"

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

int64_t UnixSeconds(const FILETIME& t) {
  int64_t ticks = (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return (ticks - 116444736000000000LL) / 10000000LL;
}

// Symbolic links and junctions; other reparse points (cloud placeholders, deduplicated files)
// are ordinary files to the user.
bool IsLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

FileStatus StatusOf(DWORD attributes, uint64_t size, const FILETIME& written, bool isLink) {
  FileStatus s;
  s.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  s.isLink = isLink;
  s.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  s.readOnly = !s.isFolder && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  s.size = s.isFolder ? 0 : size;
  s.modifiedSeconds = UnixSeconds(written);
  return s;
}

HANDLE OpenForAttributes(const std::wstring& path, bool follow) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

// The status of what `path` leads to (through a link); absent when it cannot be read.
std::optional<FileStatus> TargetStatus(const std::wstring& path, bool isLink) {
  HANDLE h = OpenForAttributes(path, true);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = ::GetFileInformationByHandle(h, &info);
  ::CloseHandle(h);
  if (!ok) return std::nullopt;
  uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return StatusOf(info.dwFileAttributes, size, info.ftLastWriteTime, isLink);
}

// The attributes and the reparse tag of `path` itself, not following a link.
bool OwnAttributes(const std::wstring& path, DWORD* attributes, DWORD* tag) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    // A bare drive has no entry of its own to find.
    DWORD a = ::GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = a;
    *tag = 0;
    return true;
  }
  ::FindClose(find);
  *attributes = data.dwFileAttributes;
  *tag = data.dwReserved0;
  return true;
}

class Win32Reader : public FileReader {
 public:
  explicit Win32Reader(HANDLE h) : h_(h) {}
  ~Win32Reader() override { ::CloseHandle(h_); }
  long ReadAt(uint64_t offset, void* buffer, size_t size) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
      OVERLAPPED at{};
      uint64_t position = offset + done;
      at.Offset = static_cast<DWORD>(position);
      at.OffsetHigh = static_cast<DWORD>(position >> 32);
      DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(h_, out + done, want, &got, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        return -1;
      }
      if (got == 0) break;
      done += got;
    }
    return static_cast<long>(done);
  }

 private:
  HANDLE h_;
};

class Win32Writer : public FileWriter {
 public:
  explicit Win32Writer(HANDLE h) : h_(h) {}
  ~Win32Writer() override { Close(); }
  bool Write(const void* data, size_t size) override {
    auto* p = static_cast<const char*>(data);
    while (h_ != INVALID_HANDLE_VALUE && size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(h_, p, chunk, &written, nullptr) || written == 0) return false;
      p += written;
      size -= written;
    }
    return h_ != INVALID_HANDLE_VALUE;
  }
  bool Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return false;
    bool ok = ::CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

class Win32FileSystem : public FileSystem {
 public:
  explicit Win32FileSystem(const std::map<char, std::string>& mappedDrives) {
    for (const auto& [letter, folder] : mappedDrives) {
      std::string root = folder;
      for (char& c : root)
        if (c == '/') c = '\\';
      while (!root.empty() && root.back() == '\\') root.pop_back();
      roots_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = root;
    }
  }

  std::optional<FileStatus> Status(const std::string& path) override {
    auto native = Native(path);
    DWORD attributes = 0, tag = 0;
    if (!native || !OwnAttributes(*native, &attributes, &tag)) return std::nullopt;
    return TargetStatus(*native, IsLinkTag(attributes, tag));
  }

  bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) override;

  bool CreateFolder(const std::string& path) override {
    auto native = Native(path);
    return native && ::CreateDirectoryW(native->c_str(), nullptr);
  }

  bool CopyFile(const std::string& source, const std::string& target) override {
    auto from = Native(source);
    auto to = Native(target);
    if (!from || !to) return false;
    auto status = TargetStatus(*from, false);
    if (!status || status->isFolder) return false;
    // Never write through a link: it could lead out of the folders the device may use.
    DWORD attributes = 0, tag = 0;
    if (OwnAttributes(*to, &attributes, &tag) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return false;
    // Follows a link at the source, keeps the time of the last write.
    return ::CopyFileExW(from->c_str(), to->c_str(), nullptr, nullptr, nullptr, 0);
  }

  bool DeleteFile(const std::string& path) override {
    auto native = Native(path);
    DWORD attributes = 0, tag = 0;
    if (!native || !OwnAttributes(*native, &attributes, &tag)) return false;
    bool link = IsLinkTag(attributes, tag);
    if (!link && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;
    // A link to a folder is removed as a folder entry, which removes the link, not its target.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(native->c_str());
    return ::DeleteFileW(native->c_str());
  }

  bool RemoveFolder(const std::string& path) override {
    auto native = Native(path);
    DWORD attributes = 0, tag = 0;
    if (!native || !OwnAttributes(*native, &attributes, &tag)) return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkTag(attributes, tag)) return false;
    return ::RemoveDirectoryW(native->c_str());
  }

  bool SetNormalAttributes(const std::string& path) override {
    auto native = Native(path);
    DWORD attributes = 0, tag = 0;
    if (!native || !OwnAttributes(*native, &attributes, &tag)) return false;
    if (IsLinkTag(attributes, tag) || !(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return ::SetFileAttributesW(native->c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
  }

  std::unique_ptr<FileReader> OpenRead(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    HANDLE h = ::CreateFileW(native->c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Reader>(h);
  }

  std::unique_ptr<FileWriter> CreateFile(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    // The link itself if there is one, never its target; refused below.
    HANDLE h = ::CreateFileW(native->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    // OPEN_ALWAYS and truncating here rather than CREATE_ALWAYS, which refuses hidden files.
    // A read-only file stays protected even for an administrator (or root under Wine), whose
    // open would succeed.
    FILE_ATTRIBUTE_TAG_INFO tagInfo{};
    bool refused =
        !::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tagInfo, sizeof(tagInfo)) ||
        IsLinkTag(tagInfo.FileAttributes, tagInfo.ReparseTag) ||
        (tagInfo.FileAttributes & FILE_ATTRIBUTE_READONLY);
    if (refused || !::SetEndOfFile(h)) {
      ::CloseHandle(h);
      return nullptr;
    }
    return std::make_unique<Win32Writer>(h);
  }

  bool ResolvesWithin(const std::string& path, const std::string& root) override {
    auto nativePath = Native(path);
    auto nativeRoot = Native(root);
    if (!nativePath || !nativeRoot) return false;
    auto p = Resolve(*nativePath);
    auto r = Resolve(*nativeRoot);
    if (!p || !r) return false;
    while (!r->empty() && r->back() == L'\\') r->pop_back();
    if (p->size() < r->size()) return false;
    if (::CompareStringOrdinal(p->c_str(), static_cast<int>(r->size()), r->c_str(),
                               static_cast<int>(r->size()), TRUE) != CSTR_EQUAL)
      return false;
    return p->size() == r->size() || (*p)[r->size()] == L'\\';
  }

 private:
  std::optional<std::wstring> Native(const std::string& path) const;
  static std::optional<std::wstring> Resolve(const std::wstring& native);

  std::map<char, std::string> roots_;  // set by the constructor, read-only afterwards
};

std::optional<std::wstring> Win32FileSystem::Native(const std::string& path) const {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return std::nullopt;
  // Runs of separators count as one, as everywhere on Windows except behind "\\?\".
  std::string rest;
  for (char c : path.substr(2)) {
    if (c == '/') c = '\\';
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
      return std::nullopt;
    if (c == '\\' && !rest.empty() && rest.back() == '\\') continue;
    rest += c;
  }
  std::string native;
  if (roots_.empty()) {
    native = std::string(1, letter) + ":";
  } else {
    auto it = roots_.find(letter);
    if (it == roots_.end()) return std::nullopt;
    native = it->second;
  }
  native += rest.empty() ? "\\" : rest;
  std::wstring wide = WideFromUtf8(native);
  if (Utf8FromWide(wide) != native) return std::nullopt;  // not valid UTF-8
  return L"\\\\?\\" + wide;
}

// The final form of `native`: the existing part with its links resolved by the system, the rest
// as written. Fails when a component exists but cannot be resolved (a dangling link).
std::optional<std::wstring> Win32FileSystem::Resolve(const std::wstring& native) {
  std::wstring head = native;
  std::wstring tail;
  for (;;) {
    HANDLE h = OpenForAttributes(head, true);
    if (h != INVALID_HANDLE_VALUE) {
      std::wstring final(32768, L'\0');
      DWORD n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      ::CloseHandle(h);
      if (n == 0 || n >= final.size()) return std::nullopt;
      final.resize(n);
      while (!final.empty() && final.back() == L'\\') final.pop_back();
      if (!tail.empty()) final += L"\\" + tail;
      return final;
    }
    DWORD error = ::GetLastError();
    DWORD attributes = 0, tag = 0;
    if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) ||
        OwnAttributes(head, &attributes, &tag))
      return std::nullopt;
    // "\\?\C:\" is the drive itself: nothing is left to take away.
    constexpr size_t kDriveRoot = 7;
    size_t slash = head.find_last_of(L'\\');
    if (head.size() <= kDriveRoot || slash == std::wstring::npos || slash < kDriveRoot - 1)
      return std::nullopt;
    std::wstring last = head.substr(slash + 1);
    if (!last.empty()) tail = tail.empty() ? last : last + L"\\" + tail;
    head.erase(std::max(slash, kDriveRoot));
  }
}

bool Win32FileSystem::ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) {
  entries->clear();
  auto native = Native(folder);
  if (!native) return false;
  std::wstring base = *native;
  if (base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring wideName = data.cFileName;
    if (wideName == L"." || wideName == L"..") continue;
    FolderEntry entry;
    entry.name = Utf8FromWide(wideName);
    if (WideFromUtf8(entry.name) != wideName) continue;  // an unpaired surrogate
    entry.link = IsLinkTag(data.dwFileAttributes, data.dwReserved0);
    entry.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    if (entry.link) {
      entry.status = TargetStatus(base + wideName, true);
    } else {
      uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      entry.status = StatusOf(data.dwFileAttributes, size, data.ftLastWriteTime, false);
    }
    entries->push_back(std::move(entry));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameBefore(a.name, b.name); });
  return true;
}

}  // namespace

std::unique_ptr<FileSystem> CreateWin32FileSystem(const std::map<char, std::string>& mappedDrives) {
  return std::make_unique<Win32FileSystem>(mappedDrives);
}

}  // namespace vantaro::platform
