#pragma once
// The file system as the file manager needs it. Paths are computer paths in Windows syntax: a
// drive prefix ("C:"), "\" separators, no trailing separator except on a bare drive ("D:\"). An
// implementation maps each drive letter to a native root folder; a path whose drive is not
// mapped, or that has no drive prefix, names nothing and every call on it fails.
//
// Below a folder that the user chose, everything goes through open folders (`Folder`): each call
// names one entry of an open folder, and no call follows a symbolic link in that name. A request
// therefore reaches a file only through the folders it was opened through, even while someone
// swaps a folder on the way for a link.
//
// Listings leave out "." and "..", and native names that cannot be a component of a computer path.
// Entries come in case-insensitive name order, so that a folder looks the same on every computer.
//
// Thread-safe: the calls keep no shared state; one Folder is used by one thread at a time.
// Failures are results, never exceptions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantaro::platform {

struct FileStatus {
  bool isFolder = false;
  bool isLink = false;    // the entry itself is a symbolic link (then nothing else is filled in)
  bool hidden = false;    // the platform's hidden attribute
  bool readOnly = false;  // the platform's read-only attribute
  uint64_t size = 0;      // 0 for folders
  int64_t modifiedSeconds = 0;  // last write, whole seconds since 1970-01-01 00:00 UTC
};

struct FolderEntry {
  std::string name;  // a single path component
  // The status of the entry itself (a link is not followed); absent when it cannot be read.
  std::optional<FileStatus> status;
  bool link = false;
  bool hidden = false;
};

// A file open for reading; closed on destruction.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // The size of the open file now.
  virtual uint64_t Size() = 0;
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

// An open folder. `name` is always one component: empty, ".", "..", or a name holding "/" or "\"
// makes the call fail. The folder stays the same object while open, whatever happens to its path.
class Folder {
 public:
  virtual ~Folder() = default;
  // The entries, sorted as described above. False when the folder cannot be enumerated.
  virtual bool List(std::vector<FolderEntry>* entries) = 0;
  // The status of the entry itself, a link not followed; of the folder itself for "".
  virtual std::optional<FileStatus> Status(const std::string& name) = 0;
  // The sub-folder `name`; nullptr when it is missing, not a folder, or a link.
  virtual std::unique_ptr<Folder> OpenFolder(const std::string& name) = 0;
  // Creates the sub-folder `name`. False on failure, including when it already exists.
  virtual bool CreateFolder(const std::string& name) = 0;
  // The regular file `name` for reading; nullptr when it is missing, not a regular file, a link
  // or unreadable.
  virtual std::unique_ptr<FileReader> OpenRead(const std::string& name) = 0;
  // Creates the file `name`, which must not exist yet. nullptr on failure.
  virtual std::unique_ptr<FileWriter> CreateNewFile(const std::string& name) = 0;
  // Copies the regular file `name` to the new file `targetName` in `target` (no link followed on
  // either side; an existing target entry makes it fail). The copy keeps the time of the last
  // write. A failed copy leaves no target behind.
  virtual bool CopyFileTo(const std::string& name, Folder& target,
                          const std::string& targetName) = 0;
  // Gives the entry `name` the new name `targetName` in `target` (on the same volume). Never
  // replaces an existing entry: false when `targetName` exists.
  virtual bool MoveTo(const std::string& name, Folder& target, const std::string& targetName) = 0;
  // Removes a file or a symbolic link (never what the link points to). Fails on folders and on
  // read-only files.
  virtual bool DeleteFile(const std::string& name) = 0;
  // Removes an empty sub-folder (not a link).
  virtual bool RemoveFolder(const std::string& name) = 0;
  // Clears the read-only attribute of a file so that it can be deleted; a link is left alone.
  virtual bool SetNormalAttributes(const std::string& name) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The status of a path, following links (the folders the user shared may be links). Absent
  // when the path does not exist or cannot be read.
  virtual std::optional<FileStatus> Status(const std::string& path) = 0;
  // The folder at `path`, following links on the way: for the folders the user chose, never for a
  // path the device sent. nullptr when it is not an existing folder.
  virtual std::unique_ptr<Folder> OpenFolderPath(const std::string& path) = 0;
};

}  // namespace vantaro::platform
