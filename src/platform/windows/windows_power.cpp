// Power actions through ExitWindowsEx and SetSuspendState. Power off, restart and hibernate need
// the shutdown privilege, which every interactive user holds but no process has enabled by default.

#include <windows.h>
#include <powrprof.h>

#include <cstdio>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

bool EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool ok = ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
            ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
            ::GetLastError() == ERROR_SUCCESS;
  ::CloseHandle(token);
  return ok;
}

bool Note(const char* action, bool ok) {
  if (!ok) std::fprintf(stderr, "power: %s\n", SystemErrorText(action, ::GetLastError()).c_str());
  return ok;
}

// A planned shutdown in the system's log, so that it is not taken for a crash.
constexpr DWORD kReason = SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED;

class WindowsPower : public Power {
 public:
  bool PowerOff() override {
    EnableShutdownPrivilege();
    return Note("power off", ::ExitWindowsEx(EWX_POWEROFF, kReason));
  }
  bool Reboot() override {
    EnableShutdownPrivilege();
    return Note("restart", ::ExitWindowsEx(EWX_REBOOT, kReason));
  }
  bool LogOff() override { return Note("log off", ::ExitWindowsEx(EWX_LOGOFF, 0)); }
  // Returns after the computer has woken again. The force option of the old API is gone: since
  // Windows Vista programs are no longer asked, so hibernation is always forced.
  bool Hibernate() override {
    EnableShutdownPrivilege();
    return Note("hibernate", ::SetSuspendState(TRUE, FALSE, FALSE));
  }
};

}  // namespace

std::unique_ptr<Power> CreateWindowsPower() { return std::make_unique<WindowsPower>(); }

}  // namespace vantaro::platform
