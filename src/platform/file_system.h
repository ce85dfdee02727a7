#pragma once
// The file system as the file manager needs it. Every path here is a computer path in Windows
// syntax: a drive prefix ("C:"), "\" separators, no trailing separator except on a bare drive
// ("D:\"). An implementation maps each drive letter to a native root folder; a path whose drive is
// not mapped, or that has no drive prefix, names nothing and every call on it fails.
//
// Listings leave out "." and "..", and native names that cannot be a component of such a path.
// Entries come in case-insensitive name order, so that a folder looks the same on every computer.
// Symbolic links are reported as such; Status and the entries of ListFolder describe what a link
// points to, with `isLink` set.
//
// Thread-safe: the calls keep no shared state. Failures are results, never exceptions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantaro::platform {

struct FileStatus {
  bool isFolder = false;
  bool isLink = false;    // the path itself is a symbolic link
  bool hidden = false;    // the platform's hidden attribute
  bool readOnly = false;  // the platform's read-only attribute
  uint64_t size = 0;      // 0 for folders
  int64_t modifiedSeconds = 0;  // last write, whole seconds since 1970-01-01 00:00 UTC
};

struct FolderEntry {
  std::string name;  // a single path component
  // The status of the entry; absent when it cannot be read (for example a dangling link, in which
  // case `link` is still true).
  std::optional<FileStatus> status;
  bool link = false;
  bool hidden = false;
};

// A file open for reading; closed on destruction.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // Reads up to `size` bytes from the absolute `offset`; the count read (less only at the end of
  // the file), or -1 on failure.
  virtual long ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

// A file open for writing; closed on destruction if Close() was not called.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Appends all `size` bytes; false when they could not all be written (disk full, I/O error).
  virtual bool Write(const void* data, size_t size) = 0;
  // Closes the file; false when the data may not have reached the disk. Later calls fail.
  virtual bool Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Absent when the path does not exist or cannot be read.
  virtual std::optional<FileStatus> Status(const std::string& path) = 0;
  // The entries of a folder, sorted as described above. False when it cannot be enumerated.
  virtual bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) = 0;
  // Creates one folder whose parent exists. False on failure, including when it already exists.
  virtual bool CreateFolder(const std::string& path) = 0;
  // Copies the content of a file (following a link) to `target`, replacing a file there.
  virtual bool CopyFile(const std::string& source, const std::string& target) = 0;
  // Removes a file or a symbolic link (never what the link points to). Fails on folders and on
  // read-only files.
  virtual bool DeleteFile(const std::string& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Clears the read-only attribute so that the file can be replaced or deleted.
  virtual bool SetNormalAttributes(const std::string& path) = 0;
  // nullptr when the file cannot be opened (missing, a folder, no permission).
  virtual std::unique_ptr<FileReader> OpenRead(const std::string& path) = 0;
  // Creates the file, or truncates an existing one. nullptr on failure.
  virtual std::unique_ptr<FileWriter> CreateFile(const std::string& path) = 0;
  // Whether `path` lies at or below `root` once the symbolic links of the existing part of each
  // have been resolved; the part of `path` that does not exist yet is taken as written. Both
  // paths must already be free of "." and ".." components. False when either cannot be resolved.
  virtual bool ResolvesWithin(const std::string& path, const std::string& root) = 0;
};

}  // namespace vantaro::platform
