// Assembles the probes of vantaro-server --check, with the same settings file and display that
// the server itself would use.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/gst_capture_devices.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

class LinuxPathProbe : public PathProbe {
 public:
  PathFacts Inspect(const std::string& nativePath) override {
    PathFacts facts;
    struct stat s {};
    if (::stat(nativePath.c_str(), &s) != 0) {
      facts.error = std::strerror(errno);
      return facts;
    }
    facts.exists = true;
    facts.isFolder = S_ISDIR(s.st_mode);
    facts.mode = s.st_mode & 07777;
    facts.readable = ::access(nativePath.c_str(), facts.isFolder ? R_OK | X_OK : R_OK) == 0;
    if (!facts.readable) facts.error = std::strerror(errno);
    return facts;
  }

  PathFacts InspectComputerPath(const std::string& computerPath) override {
    PathFacts facts;
    std::optional<FileStatus> status = files_->Status(computerPath);
    if (!status) return facts;
    facts.exists = true;
    facts.isFolder = status->isFolder;
    std::vector<FolderEntry> entries;
    std::unique_ptr<Folder> folder =
        facts.isFolder ? files_->OpenFolderPath(computerPath) : nullptr;
    facts.readable = !facts.isFolder || (folder && folder->List(&entries));
    if (!facts.readable) facts.error = std::strerror(EACCES);
    return facts;
  }

 private:
  std::unique_ptr<FileSystem> files_ = CreatePosixFileSystem();
};

}  // namespace

std::unique_ptr<SelfCheckProbes> CreateSelfCheckProbes() {
  EnvLookup env = ProcessEnvironment();
  auto systemInfo = CreateLinuxSystemInfo(env);
  auto p = std::make_unique<SelfCheckProbes>();
  p->settingsPath = SettingsFilePath(env, *systemInfo);
  p->settings = CreateIniProfileStore(p->settingsPath);
  p->uiLanguage = systemInfo->UiLanguage();
  p->display = CreateX11DisplayProbe(env("DISPLAY"));
  p->power = CreateLogindPowerProbe();
  p->ports = CreateSocketPortProbe(systemInfo->ExecutablePath());
  p->network = CreateLinuxInterfaceProbe();
  p->firewall = CreateLinuxFirewallProbe("");
  p->capture = CreateGstCaptureDeviceProbe();
  p->paths = std::make_unique<LinuxPathProbe>();
  return p;
}

}  // namespace vantaro::platform
