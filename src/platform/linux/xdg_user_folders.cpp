// The default shared folders from the XDG user folders, read from user-dirs.dirs as xdg-user-dir
// reads them: a folder that the file does not name is the home folder, and the home folder is
// never offered (sharing it would share everything).

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

std::string ComputerPathOf(const std::string& posixPath) {
  // The device shows and sends Windows paths; the whole file system appears as drive Z:.
  std::string path = "Z:";
  size_t pos = 0;
  while (pos < posixPath.size()) {
    size_t end = posixPath.find('/', pos);
    if (end == std::string::npos) end = posixPath.size();
    std::string part = posixPath.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    path += "\\" + part;
  }
  return path == "Z:" ? "Z:\\" : path;
}

namespace {

// The value of one line `XDG_NAME_DIR="..."`: "$HOME" at its start (alone or before "/") is the
// home folder, any other value must be absolute, and a backslash makes the next character literal.
bool ParseValue(const std::string& raw, const std::string& home, std::string* value) {
  size_t open = raw.find('"');
  if (open == std::string::npos) return false;
  std::string text;
  size_t i = open + 1;
  for (; i < raw.size() && raw[i] != '"'; ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
    text += raw[i];
  }
  if (i >= raw.size()) return false;  // no closing quote
  if (text.rfind("$HOME", 0) == 0 && (text.size() == 5 || text[5] == '/'))
    text = home + text.substr(5);
  else if (text.empty() || text.front() != '/')
    return false;
  *value = text;
  return true;
}

std::map<std::string, std::string> ReadUserDirs(const std::string& file, const std::string& home) {
  std::map<std::string, std::string> dirs;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos || line[begin] == '#') continue;
    size_t eq = line.find('=', begin);
    if (eq == std::string::npos) continue;
    std::string name = line.substr(begin, eq - begin);
    name.erase(name.find_last_not_of(" \t") + 1);
    std::string value;
    if (ParseValue(line.substr(eq + 1), home, &value)) dirs[name] = value;  // the last one wins
  }
  return dirs;
}

bool SameFolder(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  auto normal = [](const std::string& p) {
    std::string n = fs::path(p).lexically_normal().string();
    while (n.size() > 1 && n.back() == '/') n.pop_back();
    return n;
  };
  return normal(a) == normal(b);
}

class XdgUserFolders : public UserFolders {
 public:
  XdgUserFolders(std::string home, std::string configHome)
      : home_(std::move(home)), configHome_(std::move(configHome)) {}

  std::vector<std::string> DefaultSharedFolders() override {
    std::map<std::string, std::string> dirs = ReadUserDirs(configHome_ + "/user-dirs.dirs", home_);
    std::vector<std::string> folders;
    for (const char* name :
         {"XDG_VIDEOS_DIR", "XDG_PICTURES_DIR", "XDG_DOCUMENTS_DIR", "XDG_MUSIC_DIR"}) {
      auto it = dirs.find(name);
      if (it == dirs.end()) continue;  // unnamed: the home folder
      const std::string& folder = it->second;
      std::error_code ec;
      if (!std::filesystem::is_directory(folder, ec) || SameFolder(folder, home_)) continue;
      folders.push_back(ComputerPathOf(std::filesystem::path(folder).lexically_normal().string()));
    }
    return folders;
  }

 private:
  const std::string home_;
  const std::string configHome_;
};

}  // namespace

std::unique_ptr<UserFolders> CreateXdgUserFolders(std::string home, std::string configHome) {
  return std::make_unique<XdgUserFolders>(std::move(home), std::move(configHome));
}

}  // namespace vantaro::platform
