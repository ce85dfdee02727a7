// The settings as an INI file: "[section]" lines, then one "key=value" a line. Values are kept
// verbatim (everything after the first "="), so a security code or a path with "=" or spaces round
// trips unchanged. The file holds the security code, so it and its folder are private to the user.
// Every change rewrites the whole file atomically; a change that would not alter it writes nothing.
//
// A file that is not settings text (binary, saved as UTF-16, a line that is neither a section, a
// value, a comment nor blank) is never overwritten: it is moved aside to "<file>.bad-<time>" and
// the store starts empty, as on a first run. A leading UTF-8 byte-order mark, which some editors
// write, is skipped.

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/linux/atomic_file.h"
#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

namespace {

constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// One section as it appears in the file. Lines other than "key=value" (comments, blank lines) are
// kept, so that hand edits survive a later write.
struct Section {
  bool hasHeader = true;  // false for the lines before the first "[...]"
  std::string name;
  std::vector<std::string> lines;
};

// Splits a "key=value" line; false for other lines. The key is trimmed, the value is verbatim.
bool SplitLine(const std::string& line, std::string* key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  if (value) *value = line.substr(eq + 1);
  return true;
}

std::vector<Section> Parse(const std::string& text) {
  std::vector<Section> sections;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    // Files edited on Windows end their lines in CR LF; writes refuse values with CR, so dropping
    // it here loses nothing that this store wrote.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = Trim(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      sections.push_back({true, trimmed.substr(1, trimmed.size() - 2), {}});
      continue;
    }
    if (sections.empty()) sections.push_back({false, "", {}});
    sections.back().lines.push_back(std::move(line));
  }
  return sections;
}

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Whether `text` reads as settings: no NUL byte (a binary or UTF-16 file) and every line blank, a
// comment, a section header or a "key=value".
bool IsSettingsText(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string trimmed = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (!trimmed.empty() && trimmed.back() == '\r')
      trimmed = Trim(trimmed.substr(0, trimmed.size() - 1));
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']' && trimmed.size() >= 2) continue;
    if (trimmed.find('=') == std::string::npos) return false;
  }
  return true;
}

std::string Serialize(const std::vector<Section>& sections) {
  std::string text;
  for (const Section& section : sections) {
    if (section.hasHeader) text += "[" + section.name + "]\n";
    for (const std::string& line : section.lines) text += line + "\n";
  }
  return text;
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// What identifies one version of the file, to tell whether the cached copy is still current.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

class IniProfileStore : public ProfileStore {
 public:
  explicit IniProfileStore(std::string path) : path_(std::move(path)) {}

  std::string GetString(const std::string& section, const std::string& key) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!Refresh()) return {};
    for (const Section& s : sections_) {
      if (!s.hasHeader || s.name != section) continue;
      std::string k, v;
      for (const std::string& line : s.lines)
        if (SplitLine(line, &k, &v) && k == key) return v;
    }
    return {};
  }

  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    std::lock_guard<std::mutex> guard(lock_);
    // A line break would end the value early and turn its rest into a line of its own, perhaps a
    // section header: the file would then say something that nobody wrote.
    if (key.empty() || key.find('=') != std::string::npos || Trim(key) != key ||
        key.front() == '[' || HasLineBreak(key) || HasLineBreak(value) || HasLineBreak(section) ||
        section.find(']') != std::string::npos) {
      Note("refusing to store " + section + "/" + key + ": a line break or a reserved character");
      return;
    }
    if (!Refresh()) return;
    std::vector<Section> next = sections_;
    Section* target = nullptr;
    for (Section& s : next)
      if (s.hasHeader && s.name == section) {
        target = &s;
        break;
      }
    if (!target) {
      next.push_back({true, section, {}});
      target = &next.back();
    }
    Replace(*target, key, key + "=" + value);
    Store(next);
  }

  std::string Location() override { return path_; }

  void DeleteSection(const std::string& section) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!Refresh()) return;
    std::vector<Section> next;
    for (const Section& s : sections_)
      if (!s.hasHeader || s.name != section) next.push_back(s);
    Store(next);
  }

 private:
  // Replaces the first line of `key` and drops later duplicates (which no read would see), or
  // appends the line after the section's last value.
  static void Replace(Section& s, const std::string& key, const std::string& line) {
    bool replaced = false;
    size_t lastValue = 0;
    std::string k;
    for (size_t i = 0; i < s.lines.size();) {
      if (!SplitLine(s.lines[i], &k, nullptr)) {
        ++i;
        continue;
      }
      if (k == key) {
        if (replaced) {
          s.lines.erase(s.lines.begin() + static_cast<long>(i));
          continue;
        }
        s.lines[i] = line;
        replaced = true;
      }
      lastValue = ++i;
    }
    if (!replaced) s.lines.insert(s.lines.begin() + static_cast<long>(lastValue), line);
  }

  bool Stamp(FileStamp* stamp) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
      if (errno == ENOENT) {
        *stamp = FileStamp{};
        return true;
      }
      Note(std::string("cannot read ") + path_ + ": " + std::strerror(errno));
      return false;
    }
    *stamp = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
  }

  // Brings the cached sections up to date with the file. False when the file exists but cannot be
  // read: writing then would throw its content away.
  bool Refresh() {
    if (!cleaned_) {
      // Left by writes that a crash cut off; each holds a copy of the security code.
      RemoveStaleTemporaries(path_);
      cleaned_ = true;
    }
    FileStamp stamp;
    if (!Stamp(&stamp)) return false;
    if (cached_ && stamp == stamp_) return true;
    std::string text;
    if (stamp.exists && !ReadAll(&text)) return false;
    if (text.compare(0, 3, kByteOrderMark) == 0) text.erase(0, 3);
    if (!IsSettingsText(text)) {
      if (!MoveAside()) return false;
      text.clear();
      stamp = FileStamp{};
    }
    sections_ = Parse(text);
    text_ = std::move(text);
    stamp_ = stamp;
    cached_ = true;
    return true;
  }

  bool ReadAll(std::string* text) {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      Note(std::string("cannot read ") + path_ + ": " + std::strerror(errno));
      return false;
    }
    char buffer[4096];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof(buffer));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        Note(std::string("cannot read ") + path_ + ": " + std::strerror(errno));
        ::close(fd);
        return false;
      }
      if (n == 0) break;
      text->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
  }

  void Store(const std::vector<Section>& next) {
    std::string text = Serialize(next);
    if (text == text_ && stamp_.exists == !text.empty()) return;
    std::string error;
    size_t slash = path_.find_last_of('/');
    if (slash != std::string::npos && slash > 0 &&
        !CreateFolders(path_.substr(0, slash), kFolderMode, &error)) {
      Note(error);
      return;
    }
    if (!WriteFileAtomically(path_, text, kFileMode, &error)) {
      Note(error);
      return;
    }
    sections_ = next;
    text_ = std::move(text);
    cached_ = Stamp(&stamp_);
  }

  // Renames the file to a free "<file>.bad-<local time>" name. False when it stays where it is.
  bool MoveAside() {
    char stamp[32] = "unknown";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string target = path_ + ".bad-" + stamp;
    struct stat st {};
    for (int n = 2; ::lstat(target.c_str(), &st) == 0; ++n)
      target = path_ + ".bad-" + stamp + "-" + std::to_string(n);
    if (::rename(path_.c_str(), target.c_str()) != 0) {
      Note(path_ + " is not settings text and cannot be moved aside (" + std::strerror(errno) +
           "); it is left as it is and nothing is written");
      return false;
    }
    std::fprintf(stderr,
                 "vantaro: settings: %s is not settings text; moved to %s, starting afresh\n",
                 path_.c_str(), target.c_str());
    return true;
  }

  // One line on stderr per distinct failure, so that a broken file does not flood the output.
  void Note(const std::string& message) {
    if (message == lastNote_) return;
    lastNote_ = message;
    std::fprintf(stderr, "vantaro: settings: %s\n", message.c_str());
  }

  const std::string path_;
  // Guards everything below. The store is meant for the user-interface thread; the lock makes a
  // stray call from another thread safe all the same.
  std::mutex lock_;
  bool cached_ = false;
  bool cleaned_ = false;  // the stale temporaries were removed
  FileStamp stamp_;
  std::string text_;  // the file's content as last read or written
  std::vector<Section> sections_;
  std::string lastNote_;
};

}  // namespace

std::unique_ptr<ProfileStore> CreateIniProfileStore(std::string filePath) {
  return std::make_unique<IniProfileStore>(std::move(filePath));
}

}  // namespace vantaro::platform
