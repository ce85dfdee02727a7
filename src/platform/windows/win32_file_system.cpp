// An open folder is a directory handle together with the final path the system gives for it.
// Every entry below it is opened with FILE_FLAG_OPEN_REPARSE_POINT, so a link is opened as itself,
// and the opened object's own final path must be the folder's path plus the entry's name: had
// someone swapped a folder on the way for a link or a junction, the system would name the object
// by where it really is, and the call fails. Removing and renaming go through the handle of the
// entry checked this way (FileDispositionInfo, FileRenameInfo), never through a path again.
//
// Computer paths are checked before they reach the API, so that one can name nothing but a file
// or folder: no alternate data stream ("a.txt:hidden"), no device, no wildcard. Paths carry the
// "\\?\" prefix, which lifts the MAX_PATH limit.

#include "platform/windows/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "platform/windows/wide_text.h"

// <windows.h> renames these to their wide forms, which would hide the interface's methods.
#undef DeleteFile
#undef CreateFile

namespace vantaro::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

// One component that names a file or folder: nothing the API would read as a way out, a stream,
// a wildcard or a device path.
bool IsEntryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
        c == '<' || c == '>' || c == '|')
      return false;
  }
  return Utf8FromWide(WideFromUtf8(name)) == name;  // valid UTF-8 only
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
  s.isLink = isLink;
  if (isLink) return s;
  s.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  s.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  s.readOnly = !s.isFolder && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  s.size = s.isFolder ? 0 : size;
  s.modifiedSeconds = UnixSeconds(written);
  return s;
}

// The status of an open handle; `isLink` from its reparse tag.
std::optional<FileStatus> HandleStatus(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandle(h, &info)) return std::nullopt;
  bool link = ::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof(tag)) &&
              IsLinkTag(tag.FileAttributes, tag.ReparseTag);
  uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return StatusOf(info.dwFileAttributes, size, info.ftLastWriteTime, link);
}

std::wstring FinalPath(HANDLE h) {
  std::wstring path(1024, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD n = ::GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.assign(n + 1, L'\0');
  }
  return {};
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Closes a handle at the end of a scope.
struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (ok()) ::CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  HANDLE release() {
    HANDLE out = h;
    h = INVALID_HANDLE_VALUE;
    return out;
  }
};

class Win32Reader : public FileReader {
 public:
  explicit Win32Reader(HANDLE h) : h_(h) {}
  ~Win32Reader() override { ::CloseHandle(h_); }
  uint64_t Size() override {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(h_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }
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
  HANDLE handle() const { return h_; }

 private:
  HANDLE h_;
};

class Win32Folder : public Folder {
 public:
  Win32Folder(HANDLE h, std::wstring path) : h_(h), path_(std::move(path)) {}
  ~Win32Folder() override { ::CloseHandle(h_); }

  bool List(std::vector<FolderEntry>* entries) override;

  std::optional<FileStatus> Status(const std::string& name) override {
    if (name.empty()) return HandleStatus(h_);
    Handle h(OpenEntry(name, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS));
    return h.ok() ? HandleStatus(h.h) : std::nullopt;
  }

  std::unique_ptr<Folder> OpenFolder(const std::string& name) override {
    Handle h(OpenEntry(name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_FLAG_BACKUP_SEMANTICS));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    if (!status || status->isLink || !status->isFolder) return nullptr;
    std::wstring path = Child(name);
    return std::make_unique<Win32Folder>(h.release(), path);
  }

  bool CreateFolder(const std::string& name) override {
    return IsEntryName(name) && Unmoved() && ::CreateDirectoryW(Child(name).c_str(), nullptr);
  }

  std::unique_ptr<FileReader> OpenRead(const std::string& name) override {
    Handle h(OpenEntry(name, GENERIC_READ, 0));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    if (!status || status->isLink || status->isFolder) return nullptr;
    return std::make_unique<Win32Reader>(h.release());
  }

  std::unique_ptr<FileWriter> CreateNewFile(const std::string& name) override {
    if (!IsEntryName(name) || !Unmoved()) return nullptr;
    Handle h(::CreateFileW(Child(name).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr));
    if (!h.ok()) return nullptr;
    if (!SamePath(FinalPath(h.h), Child(name))) {
      // The folder was moved after the check: the file landed elsewhere; take it back.
      FILE_DISPOSITION_INFO gone{TRUE};
      ::SetFileInformationByHandle(h.h, FileDispositionInfo, &gone, sizeof(gone));
      return nullptr;
    }
    return std::make_unique<Win32Writer>(h.release());
  }

  bool CopyFileTo(const std::string& name, Folder& target, const std::string& targetName) override;

  bool MoveTo(const std::string& name, Folder& target, const std::string& targetName) override {
    auto* to = dynamic_cast<Win32Folder*>(&target);
    if (!to || !IsEntryName(targetName)) return false;
    Handle h(OpenEntry(name, DELETE | SYNCHRONIZE, FILE_FLAG_BACKUP_SEMANTICS));
    if (!h.ok()) return false;
    // A new name relative to the target folder's handle, never replacing an entry there.
    if (Rename(h.h, to->h_, WideFromUtf8(targetName))) return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || !to->Unmoved()) return false;
    // Wine takes no folder handle in a rename: the target folder's checked path instead.
    return Rename(h.h, nullptr, to->Child(targetName));
  }

  bool DeleteFile(const std::string& name) override {
    Handle h(OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    // A read-only file is protected until its attributes are set to normal; a link to a folder
    // is removed as the link.
    if (!status || (!status->isLink && (status->isFolder || status->readOnly))) return false;
    return Dispose(h.h);
  }

  bool RemoveFolder(const std::string& name) override {
    Handle h(OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    if (!status || status->isLink || !status->isFolder) return false;
    return Dispose(h.h);
  }

  bool SetNormalAttributes(const std::string& name) override {
    Handle h(OpenEntry(name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    if (!status) return false;
    if (status->isLink || !status->readOnly) return true;
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(h.h, FileBasicInfo, &basic, sizeof(basic))) return false;
    basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // 0: unchanged
    return ::SetFileInformationByHandle(h.h, FileBasicInfo, &basic, sizeof(basic));
  }

 private:
  std::wstring Child(const std::string& name) const {
    return path_ + (path_.back() == L'\\' ? L"" : L"\\") + WideFromUtf8(name);
  }
  // The folder is still where its path says.
  bool Unmoved() const { return SamePath(FinalPath(h_), path_); }

  // The entry `name` itself (a link not followed), only when the system names it as
  // this folder's path plus `name`. INVALID_HANDLE_VALUE otherwise.
  HANDLE OpenEntry(const std::string& name, DWORD access, DWORD flags) const {
    if (!IsEntryName(name)) return INVALID_HANDLE_VALUE;
    const std::wstring child = Child(name);
    Handle h(::CreateFileW(child.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                           flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.ok() || !SamePath(FinalPath(h.h), child)) return INVALID_HANDLE_VALUE;
    return h.release();
  }

  static bool Rename(HANDLE h, HANDLE root, const std::wstring& name) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = root;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    return ::SetFileInformationByHandle(h, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
  }

  static bool Dispose(HANDLE h) {
    FILE_DISPOSITION_INFO gone{TRUE};
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof(gone));
  }

  HANDLE h_;
  std::wstring path_;  // the final path of h_ when it was opened
};

bool Win32Folder::List(std::vector<FolderEntry>* entries) {
  entries->clear();
  if (!Unmoved()) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW(Child("*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring wideName = data.cFileName;
    if (wideName == L"." || wideName == L"..") continue;
    FolderEntry entry;
    entry.name = Utf8FromWide(wideName);
    if (WideFromUtf8(entry.name) != wideName) continue;  // an unpaired surrogate
    entry.link = IsLinkTag(data.dwFileAttributes, data.dwReserved0);
    entry.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.status = StatusOf(data.dwFileAttributes, size, data.ftLastWriteTime, entry.link);
    entries->push_back(std::move(entry));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameBefore(a.name, b.name); });
  return true;
}

bool Win32Folder::CopyFileTo(const std::string& name, Folder& target,
                             const std::string& targetName) {
  auto* to = dynamic_cast<Win32Folder*>(&target);
  if (!to) return false;
  Handle in(OpenEntry(name, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN));
  auto status = in.ok() ? HandleStatus(in.h) : std::nullopt;
  if (!status || status->isLink || status->isFolder) return false;
  FILETIME created, accessed, written;
  if (!::GetFileTime(in.h, &created, &accessed, &written)) return false;
  auto out = to->CreateNewFile(targetName);
  if (!out) return false;
  auto* writer = static_cast<Win32Writer*>(out.get());
  bool ok = true;
  static constexpr DWORD kChunk = 1 << 20;
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in.h, buffer.get(), kChunk, &got, nullptr)) ok = false;
    if (!ok || got == 0) break;
    if (!writer->Write(buffer.get(), got)) {
      ok = false;
      break;
    }
  }
  // The copy keeps the time of the last write, so a listing shows it as old as its source.
  ::SetFileTime(writer->handle(), nullptr, nullptr, &written);
  if (!ok) {
    // A cut copy would pass for the whole file.
    FILE_DISPOSITION_INFO gone{TRUE};
    ::SetFileInformationByHandle(writer->handle(), FileDispositionInfo, &gone, sizeof(gone));
  }
  return writer->Close() && ok;
}

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
    if (!native) return std::nullopt;
    Handle h(::CreateFileW(native->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.ok() ? HandleStatus(h.h) : std::nullopt;
  }

  std::unique_ptr<Folder> OpenFolderPath(const std::string& path) override {
    auto native = Native(path);
    if (!native) return nullptr;
    Handle h(::CreateFileW(native->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    auto status = h.ok() ? HandleStatus(h.h) : std::nullopt;
    if (!status || !status->isFolder) return nullptr;
    std::wstring final = FinalPath(h.h);
    if (final.empty()) return nullptr;
    return std::make_unique<Win32Folder>(h.release(), final);
  }

 private:
  std::optional<std::wstring> Native(const std::string& path) const;

  std::map<char, std::string> roots_;  // set by the constructor, read-only afterwards
};

std::optional<std::wstring> Win32FileSystem::Native(const std::string& path) const {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return std::nullopt;
  // Runs of separators count as one, as everywhere on Windows except behind "\\?\".
  std::string native;
  if (roots_.empty()) {
    native = std::string(1, letter) + ":";
  } else {
    auto it = roots_.find(letter);
    if (it == roots_.end()) return std::nullopt;
    native = it->second;
  }
  std::string component;
  auto flush = [&]() {
    if (component.empty()) return true;
    if (!IsEntryName(component)) return false;
    native += "\\" + component;
    component.clear();
    return true;
  };
  for (size_t i = 2; i < path.size(); ++i) {
    if (path[i] == '\\' || path[i] == '/') {
      if (!flush()) return std::nullopt;
    } else {
      component += path[i];
    }
  }
  if (!flush()) return std::nullopt;
  if (native.size() == 2) native += "\\";  // a bare drive
  return L"\\\\?\\" + WideFromUtf8(native);
}

}  // namespace

std::unique_ptr<FileSystem> CreateWin32FileSystem(const std::map<char, std::string>& mappedDrives) {
  return std::make_unique<Win32FileSystem>(mappedDrives);
}

}  // namespace vantaro::platform
