#include "app/settings_store.h"

#include <cmath>
#include <cstdio>

#include "app/leading_digits.h"
#include "app/security_code.h"
#include "app/shared_folders.h"

namespace vantaro::app {

namespace {

constexpr char kFirstRunKey[] = "first_run";
constexpr char kAutoLoginKey[] = "autologin";
constexpr char kSecurityLoginKey[] = "securitylogin";
constexpr char kSecurityCodeKey[] = "securitycode";
constexpr char kPortKey[] = "port";
constexpr char kDeviceIdKey[] = "device_id";
constexpr char kMaxFpsKey[] = "max_fps";
constexpr char kTrue[] = "TRUE";
constexpr char kFalse[] = "FALSE";
// A port value that older set-ups stored to mean "no valid port"; it reads as absent.
constexpr char kWrongPort[] = "wrong";

const char* BoolText(int32_t flag) { return flag ? kTrue : kFalse; }

// Whole seconds since 1970 as decimal text, the integral part of "%f" of the time. Formatted as an
// integer so that a locale with a decimal comma cannot leave ",000000" in the stored value.
std::string DeviceIdText(double unixSeconds) {
  double whole = std::trunc(unixSeconds);
  if (!(std::fabs(whole) < 9.2e18)) return "0";
  return std::to_string(static_cast<int64_t>(whole));
}

}  // namespace

int32_t MaxFpsValue(const std::string& text) {
  // Four digits at most, so that the value cannot overflow before the range check.
  if (text.empty() || text.size() > 4) return kDefaultMaxFps;
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return kDefaultMaxFps;
    value = value * 10 + (c - '0');
  }
  return value <= kHighestMaxFps ? value : kDefaultMaxFps;
}

SettingsStore::SettingsStore(platform::ProfileStore& store, platform::AutoStart& autoStart,
                             platform::Clock& clock, platform::SystemInfo& systemInfo,
                             platform::UserFolders& userFolders)
    : store_(store),
      autoStart_(autoStart),
      clock_(clock),
      systemInfo_(systemInfo),
      userFolders_(userFolders) {}

void SettingsStore::LoadSettings(Settings& settings) {
  if (store_.GetString(kConfigSection, kFirstRunKey) != kFalse) InitializeFirstRun(settings);

  settings.autoLogin = store_.GetString(kConfigSection, kAutoLoginKey) == kTrue;
  settings.securityLogin = store_.GetString(kConfigSection, kSecurityLoginKey) == kTrue;
  if (settings.securityLogin)
    settings.securityCode = store_.GetString(kConfigSection, kSecurityCodeKey);

  std::string portText = store_.GetString(kConfigSection, kPortKey);
  if (portText == kWrongPort) portText.clear();
  if (portText.empty()) {
    settings.port = kDefaultPort;
    settings.portText = std::to_string(kDefaultPort);
  } else {
    settings.port = LeadingDigitsValue(portText);
    // The three listeners use port, port + 1 and port + 2; a value that leaves no room for them
    // (0, 65534, 70000, text without digits) would wrap round to other ports. This run uses the
    // default instead; the stored text stays as the user typed it.
    if (settings.port < 1 || settings.port > kHighestPort) {
      std::fprintf(stderr,
                   "vantaro: the port \"%s\" leaves no room for its three listeners (1 to %d); "
                   "using %d for this run\n",
                   portText.c_str(), kHighestPort, kDefaultPort);
      settings.port = kDefaultPort;
    }
    settings.portText = std::move(portText);
  }

  settings.deviceId = LeadingDigitsValue(store_.GetString(kConfigSection, kDeviceIdKey));
  settings.maxFpsText = store_.GetString(kConfigSection, kMaxFpsKey);
  settings.maxFps = MaxFpsValue(settings.maxFpsText);

  // What the File Manager page does when it is created at start-up; done here so that a run
  // without a window shares the same folders.
  LoadSharedFolders(store_, settings.sharedFolders);
}

void SettingsStore::InitializeFirstRun(Settings& settings) {
  store_.WriteString(kConfigSection, kAutoLoginKey, kTrue);
  SetAutoStart(true);
  // Safe by default: a fresh profile asks every device for a random code, so that nobody on the
  // same network takes the computer over before its user has looked at the settings.
  settings.securityLogin = 1;
  settings.securityCode = GenerateSecurityCode();
  store_.WriteString(kConfigSection, kSecurityLoginKey, kTrue);
  store_.WriteString(kConfigSection, kSecurityCodeKey, settings.securityCode);
  store_.WriteString(kConfigSection, kPortKey, std::to_string(kDefaultPort));
  store_.WriteString(kConfigSection, kDeviceIdKey, DeviceIdText(clock_.UnixTimeSeconds()));
  store_.WriteString(kConfigSection, kFirstRunKey, kFalse);
  AddDefaultSharedFolders(userFolders_, settings.sharedFolders);
  WriteSharedFolderKeys(store_, settings.sharedFolders);
}

void SettingsStore::SaveSettings(const Settings& settings) {
  store_.WriteString(kConfigSection, kAutoLoginKey, BoolText(settings.autoLogin));
  store_.WriteString(kConfigSection, kSecurityLoginKey, BoolText(settings.securityLogin));
  store_.WriteString(kConfigSection, kSecurityCodeKey,
                     settings.securityLogin ? settings.securityCode : std::string());
  store_.WriteString(kConfigSection, kPortKey, settings.portText);
  store_.WriteString(kConfigSection, kDeviceIdKey, std::to_string(settings.deviceId));
  store_.WriteString(kConfigSection, kFirstRunKey, kFalse);
  // Kept as the user typed it, even when it reads as the default, so that a save never changes
  // what the user wrote.
  if (!settings.maxFpsText.empty())
    store_.WriteString(kConfigSection, kMaxFpsKey, settings.maxFpsText);
}

bool SettingsStore::SetAutoStart(bool enable) {
  if (!enable) return autoStart_.Disable();
  std::string executable = systemInfo_.ExecutablePath();
  if (executable.empty()) {
    // An entry without a program would fail at every login; leave the old one alone.
    std::fprintf(stderr, "vantaro: autostart not written: the program's path is unknown\n");
    return false;
  }
  return autoStart_.Enable({executable, kHiddenStartArgument});
}

}  // namespace vantaro::app
