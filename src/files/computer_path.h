#pragma once
// Pure text rules for computer paths in Windows syntax ("C:\Users\Public\Music", "D:\").

#include <optional>
#include <string>
#include <vector>

namespace vantaro::files {

// The text after the last "\"; the whole path when it has none or ends with one.
std::string FileNameOf(const std::string& path);

// `folder` + "\" + `name`, without doubling the separator of a bare drive ("D:\" + "a" is "D:\a").
std::string ChildPath(const std::string& folder, const std::string& name);

// The components of an absolute path: the drive ("C:", its letter upper-cased) and the names below
// it. "\" and "/" both separate, empty components (doubled or final separators) are dropped.
// Absent when there is no drive prefix or a component is "." or "..".
std::optional<std::vector<std::string>> SplitComputerPath(const std::string& path);

// Whether `path` names `root` or something below it, component by component.
bool IsSameOrBelow(const std::vector<std::string>& path, const std::vector<std::string>& root);

// The path of split components: "C:\a\b", or "C:\" for the drive alone.
std::string JoinComputerPath(const std::vector<std::string>& components);

}  // namespace vantaro::files
