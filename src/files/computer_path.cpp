#include "files/computer_path.h"

namespace vantaro::files {

std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash + 1 == path.size()) return path;
  return path.substr(slash + 1);
}

std::string ChildPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::optional<std::vector<std::string>> SplitComputerPath(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return std::nullopt;
  std::vector<std::string> parts{std::string(1, letter) + ":"};
  size_t start = 2;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "." || part == "..") return std::nullopt;
    if (!part.empty()) parts.push_back(std::move(part));
    start = end + 1;
  }
  return parts;
}

bool IsSameOrBelow(const std::vector<std::string>& path, const std::vector<std::string>& root) {
  if (root.empty() || path.size() < root.size()) return false;
  for (size_t i = 0; i < root.size(); ++i)
    if (path[i] != root[i]) return false;
  return true;
}

std::string JoinComputerPath(const std::vector<std::string>& components) {
  if (components.empty()) return {};
  std::string out = components[0] + "\\";
  for (size_t i = 1; i < components.size(); ++i) {
    if (i > 1) out += '\\';
    out += components[i];
  }
  return out;
}

}  // namespace vantaro::files
