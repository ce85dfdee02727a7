// Start with the session through an XDG autostart entry: a Desktop Entry file in
// $XDG_CONFIG_HOME/autostart that the desktop session runs at login.

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/atomic_file.h"
#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

std::string DesktopEntryExec(const std::vector<std::string>& commandLine) {
  // Two layers of escaping apply to Exec=. First the argument quoting: an argument with a reserved
  // character goes in double quotes, inside which " ` $ and \ take a backslash; "%" starts a field
  // code everywhere and is doubled. Then the file's string escaping, which is undone before the
  // quoting is read: every backslash doubles and control characters become \n, \t, \r.
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string exec;
  for (const std::string& argument : commandLine) {
    bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    std::string quoted = quote ? "\"" : "";
    for (char c : argument) {
      if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
      if (c == '%') quoted += '%';
      quoted += c;
    }
    if (quote) quoted += '"';
    if (!exec.empty()) exec += ' ';
    for (char c : quoted) {
      switch (c) {
        case '\\':
          exec += "\\\\";
          break;
        case '\n':
          exec += "\\n";
          break;
        case '\t':
          exec += "\\t";
          break;
        case '\r':
          exec += "\\r";
          break;
        default:
          exec += c;
      }
    }
  }
  return exec;
}

namespace {

class XdgAutoStart : public AutoStart {
 public:
  explicit XdgAutoStart(std::string path) : path_(std::move(path)) {}

  bool Enable(const std::vector<std::string>& commandLine) override {
    if (commandLine.empty() || commandLine.front().empty()) {
      std::fprintf(stderr, "vantaro: autostart: no program to start\n");
      return false;
    }
    std::string content =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Vantaro\n"
        "Exec=" +
        DesktopEntryExec(commandLine) + "\n";
    std::string error;
    size_t slash = path_.find_last_of('/');
    if ((slash != std::string::npos && slash > 0 &&
         !CreateFolders(path_.substr(0, slash), 0700, &error)) ||
        !WriteFileAtomically(path_, content, 0644, &error)) {
      std::fprintf(stderr, "vantaro: autostart: %s\n", error.c_str());
      return false;
    }
    return true;
  }

  bool Disable() override {
    if (::unlink(path_.c_str()) == 0 || errno == ENOENT) return true;
    std::fprintf(stderr, "vantaro: autostart: cannot remove %s: %s\n", path_.c_str(),
                 std::strerror(errno));
    return false;
  }

 private:
  const std::string path_;
};

}  // namespace

std::unique_ptr<AutoStart> CreateXdgAutoStart(std::string desktopFilePath) {
  return std::make_unique<XdgAutoStart>(std::move(desktopFilePath));
}

}  // namespace vantaro::platform
