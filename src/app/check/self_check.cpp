#include "app/check/self_check.h"

#include <cstdio>

#include "app/language.h"
#include "app/leading_digits.h"
#include "app/settings_store.h"
#include "app/shared_folders.h"

namespace vantaro::app {

namespace {

using platform::FirewallFacts;
using platform::PortFacts;
using platform::PowerAnswer;

class Checker {
 public:
  Checker(platform::SelfCheckProbes& probes, const CheckTexts& texts)
      : probes_(probes), t_(texts) {}

  CheckReport Run() {
    ReadPort();
    CheckDisplay();
    CheckPower();
    CheckPorts();
    CheckNetwork();
    CheckFirewalls();
    CheckCapture();
    CheckSettingsFile();
    return std::move(report_);
  }

 private:
  void Add(CheckSeverity severity, std::string item, std::string found, std::string fix = {}) {
    report_.lines.push_back({severity, std::move(item), std::move(found), std::move(fix)});
  }

  // The port as the service would take it from the settings. Only "port" is read here, never the
  // security code.
  void ReadPort() {
    std::string text = probes_.settings->GetString(kConfigSection, "port");
    if (text == "wrong") text.clear();  // an old set-up's way of saying "no valid port"
    portFromSettings_ = !text.empty();
    portSetting_ = portFromSettings_ ? LeadingDigitsValue(text) : kDefaultPort;
    const auto base = static_cast<uint16_t>(portSetting_);
    ports_ = {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2)};
  }

  void CheckDisplay() {
    platform::DisplayFacts d = probes_.display->Probe();
    if (d.name.empty()) {
      Add(CheckSeverity::kFailure, t_.chkItemDisplay, t_.chkDisplayNotSet, t_.chkFixDisplayNotSet);
    } else if (!d.opened) {
      Add(CheckSeverity::kFailure, t_.chkItemDisplay, FillIn(t_.chkDisplayCannotOpen, {d.name}),
          FillIn(t_.chkFixDisplayCannotOpen, {d.name}));
    } else {
      Add(CheckSeverity::kOk, t_.chkItemDisplay, d.name);
    }
    struct Extension {
      const std::string& item;
      bool present;
      CheckSeverity whenMissing;
      const std::string& fix;
    };
    const Extension extensions[] = {
        {t_.chkItemXTest, d.xtest, CheckSeverity::kFailure, t_.chkFixXTest},
        {t_.chkItemMitShm, d.mitShm, CheckSeverity::kWarning, t_.chkFixMitShm},
        {t_.chkItemXFixes, d.xfixes, CheckSeverity::kWarning, t_.chkFixXFixes},
        {t_.chkItemDamage, d.damage, CheckSeverity::kWarning, t_.chkFixDamage},
    };
    for (const Extension& e : extensions) {
      if (!d.opened)
        Add(CheckSeverity::kSkipped, e.item, t_.chkNoDisplay);
      else if (e.present)
        Add(CheckSeverity::kOk, e.item, t_.chkPresent);
      else
        Add(e.whenMissing, e.item, t_.chkMissing, e.fix);
    }
  }

  void CheckPower() {
    platform::PowerFacts p = probes_.power->Query();
    struct Action {
      const std::string& item;
      PowerAnswer answer;
      const char* polkitAction;
      std::string notSupportedFix;  // only hibernation can be set up by the user
    };
    const Action actions[] = {
        {t_.chkItemPowerOff, p.powerOff, "org.freedesktop.login1.power-off", {}},
        {t_.chkItemReboot, p.reboot, "org.freedesktop.login1.reboot", {}},
        {t_.chkItemHibernate, p.hibernate, "org.freedesktop.login1.hibernate",
         t_.chkFixPowerNotSupported},
    };
    // Power commands are not a remote mode: a refusal limits the phone, it does not stop it.
    for (const Action& a : actions) {
      switch (a.answer) {
        case PowerAnswer::kYes:
          Add(CheckSeverity::kOk, a.item, t_.chkPowerYes);
          break;
        case PowerAnswer::kChallenge:
        case PowerAnswer::kNo:
          Add(CheckSeverity::kWarning, a.item,
              a.answer == PowerAnswer::kNo ? t_.chkPowerNo : t_.chkPowerChallenge,
              FillIn(t_.chkFixPowerNotAllowed, {a.polkitAction}));
          break;
        case PowerAnswer::kNotSupported:
          Add(CheckSeverity::kWarning, a.item, t_.chkPowerNotSupported, a.notSupportedFix);
          break;
        case PowerAnswer::kUnknown:
          Add(CheckSeverity::kWarning, a.item, FillIn(t_.chkPowerUnknown, {p.error}),
              t_.chkFixPowerUnknown);
          break;
      }
    }
  }

  void CheckPorts() {
    const std::string value = std::to_string(portSetting_);
    if (portSetting_ < 1 || portSetting_ > 65533) {
      Add(CheckSeverity::kWarning, t_.chkItemPort,
          FillIn(t_.chkPortOutOfRange, {value, std::to_string(ports_.discovery)}),
          FillIn(t_.chkFixPortOutOfRange, {probes_.settingsPath}));
    } else {
      Add(CheckSeverity::kOk, t_.chkItemPort,
          FillIn(portFromSettings_ ? t_.chkPortFromSettings : t_.chkPortDefault, {value}));
    }
    struct Listener {
      const std::string& item;
      platform::Transport transport;
      uint16_t port;
    };
    const Listener listeners[] = {
        {t_.chkItemPortDiscovery, platform::Transport::kUdp, ports_.discovery},
        {t_.chkItemPortControl, platform::Transport::kTcp, ports_.control},
        {t_.chkItemPortData, platform::Transport::kTcp, ports_.data},
    };
    for (const Listener& l : listeners) {
      PortFacts f = probes_.ports->Probe(l.transport, l.port);
      std::string item = FillIn(l.item, {std::to_string(l.port)});
      const std::string fix = FillIn(t_.chkFixPortTaken, {probes_.settingsPath});
      switch (f.state) {
        case PortFacts::kFree:
          Add(CheckSeverity::kOk, item, t_.chkPortFree);
          break;
        case PortFacts::kHeldByThisProgram:
          Add(CheckSeverity::kOk, item, FillIn(t_.chkPortOurs, {f.detail}));
          break;
        case PortFacts::kHeldByOther:
          Add(CheckSeverity::kFailure, item, FillIn(t_.chkPortOther, {f.detail}), fix);
          break;
        case PortFacts::kError:
          Add(CheckSeverity::kFailure, item, FillIn(t_.chkPortError, {f.detail}), fix);
          break;
      }
    }
  }

  void CheckNetwork() {
    platform::NetworkFacts n = probes_.network->Query();
    int withAddress = 0;
    std::string multicastNames;
    for (const platform::InterfaceFacts& i : n.interfaces) {
      if (i.loopback) continue;
      std::string found = !i.up               ? t_.chkInterfaceDown
                          : i.address.empty() ? t_.chkInterfaceNoAddress
                                              : FillIn(t_.chkInterfaceAddress, {i.address});
      if (i.up) found += i.multicast ? t_.chkInterfaceMulticast : t_.chkInterfaceNoMulticast;
      Add(CheckSeverity::kOk, FillIn(t_.chkItemInterface, {i.name}), found);
      if (!i.up || i.address.empty()) continue;
      ++withAddress;
      if (i.multicast) multicastNames += (multicastNames.empty() ? "" : ", ") + i.name;
    }
    if (withAddress == 0)
      Add(CheckSeverity::kFailure, t_.chkItemNetwork, t_.chkNetworkNone, t_.chkFixNetwork);
    else
      Add(CheckSeverity::kOk, t_.chkItemNetwork,
          FillIn(t_.chkNetworkReady, {std::to_string(withAddress)}));
    if (multicastNames.empty())
      Add(CheckSeverity::kFailure, t_.chkItemMulticast, t_.chkMulticastNone, t_.chkFixMulticast);
    else
      Add(CheckSeverity::kOk, t_.chkItemMulticast, FillIn(t_.chkMulticastOn, {multicastNames}));
    // Without a default route the watchdog never opens the service (unless told to assume one).
    if (n.defaultRouteInterface.empty())
      Add(CheckSeverity::kFailure, t_.chkItemDefaultRoute, t_.chkRouteNone, t_.chkFixRoute);
    else
      Add(CheckSeverity::kOk, t_.chkItemDefaultRoute,
          FillIn(t_.chkRouteVia, {n.defaultRouteInterface}));
  }

  bool DefaultPorts() const { return ports_.discovery == kDefaultPort; }

  void CheckFirewalls() {
    const std::string d = std::to_string(ports_.discovery), c = std::to_string(ports_.control),
                      e = std::to_string(ports_.data);
    // The packaged profiles cover the default ports; another port is opened by number.
    const std::string ufwOpen =
        DefaultPorts() ? "sudo ufw allow vantaro"
                       : "sudo ufw allow " + d + "/udp && sudo ufw allow " + c + ":" + e + "/tcp";
    // firewalld learns of a newly installed service file only when it reloads.
    const std::string firewalldOpen =
        DefaultPorts() ? "sudo firewall-cmd --reload && sudo firewall-cmd --permanent "
                         "--add-service=vantaro && sudo firewall-cmd --reload"
                       : "sudo firewall-cmd --permanent --add-port=" + d + "/udp --add-port=" + c +
                             "-" + e + "/tcp && sudo firewall-cmd --reload";
    AddFirewall(t_.chkItemUfw, probes_.firewall->Ufw(ports_), ufwOpen, "sudo ufw status");
    AddFirewall(t_.chkItemFirewalld, probes_.firewall->Firewalld(ports_), firewalldOpen,
                "sudo firewall-cmd --list-all");
  }

  void AddFirewall(const std::string& item, const FirewallFacts& f, const std::string& open,
                   const std::string& show) {
    const std::string where = f.detail.empty() ? "" : " (" + f.detail + ")";
    switch (f.state) {
      case FirewallFacts::kNotInstalled:
        Add(CheckSeverity::kSkipped, item, t_.chkFirewallNotInstalled);
        return;
      case FirewallFacts::kInactive:
        Add(CheckSeverity::kOk, item, t_.chkFirewallInactive);
        return;
      case FirewallFacts::kUnknown:
        Add(CheckSeverity::kWarning, item, FillIn(t_.chkFirewallUnknown, {f.detail}),
            FillIn(t_.chkFixFirewallCheck, {show, open}));
        return;
      case FirewallFacts::kActive:
        break;
    }
    if (f.ports == FirewallFacts::kOpen)
      Add(CheckSeverity::kOk, item, FillIn(t_.chkFirewallOpen, {where}));
    else if (f.ports == FirewallFacts::kClosed)
      Add(CheckSeverity::kFailure, item, FillIn(t_.chkFirewallClosed, {where}),
          FillIn(t_.chkFixFirewallOpen, {open}));
    else
      Add(CheckSeverity::kWarning, item, FillIn(t_.chkFirewallCannotTell, {f.detail}),
          FillIn(t_.chkFixFirewallCheck, {show, open}));
  }

  void CheckCapture() {
    platform::CaptureFacts c = probes_.capture->Query();
    AddDevices(t_.chkItemVideoDevices, c.video, t_.chkFixVideo);
    AddDevices(t_.chkItemAudioDevices, c.audio, t_.chkFixAudio);
  }

  void AddDevices(const std::string& item, const std::vector<std::string>& names,
                  const std::string& fix) {
    if (names.empty()) {
      Add(CheckSeverity::kWarning, item, t_.chkNoDevices, fix);
      return;
    }
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
    Add(CheckSeverity::kOk, item, list);
  }

  void CheckSettingsFile() {
    const std::string& path = probes_.settingsPath;
    platform::PathFacts f = probes_.paths->Inspect(path);
    if (!f.exists) {
      Add(CheckSeverity::kOk, t_.chkItemSettingsFile, FillIn(t_.chkSettingsNotYet, {path}));
      Add(CheckSeverity::kOk, t_.chkItemSharedFolders, t_.chkNoSharedFoldersYet);
      return;
    }
    if (f.isFolder || !f.readable) {
      Add(CheckSeverity::kFailure, t_.chkItemSettingsFile,
          FillIn(t_.chkSettingsUnreadable, {path, f.error}),
          FillIn(t_.chkFixSettingsUnreadable, {path}));
      return;
    }
    char mode[8];
    std::snprintf(mode, sizeof(mode), "%04o", static_cast<unsigned>(f.mode & 07777));
    if (f.mode & 077)
      Add(CheckSeverity::kWarning, t_.chkItemSettingsFile, FillIn(t_.chkSettingsOpen, {path, mode}),
          FillIn(t_.chkFixSettingsOpen, {path}));
    else
      Add(CheckSeverity::kOk, t_.chkItemSettingsFile, FillIn(t_.chkSettingsPrivate, {path, mode}));
    CheckSharedFolders();
  }

  void CheckSharedFolders() {
    std::vector<std::string> folders;
    LoadSharedFolders(*probes_.settings, folders);
    if (folders.empty()) {
      // A profile that has not had its first run gets the default folders at the next start.
      if (probes_.settings->GetString(kConfigSection, "first_run") != "FALSE")
        Add(CheckSeverity::kOk, t_.chkItemSharedFolders, t_.chkNoSharedFoldersYet);
      else
        Add(CheckSeverity::kWarning, t_.chkItemSharedFolders, t_.chkNoSharedFolders,
            t_.chkFixNoSharedFolders);
      return;
    }
    for (const std::string& folder : folders) {
      platform::PathFacts f = probes_.paths->InspectComputerPath(folder);
      std::string item = FillIn(t_.chkItemSharedFolder, {folder});
      if (!f.exists)
        Add(CheckSeverity::kWarning, item, t_.chkFolderMissing, t_.chkFixFolderMissing);
      else if (!f.isFolder)
        Add(CheckSeverity::kWarning, item, t_.chkFolderNotFolder, t_.chkFixFolderMissing);
      else if (!f.readable)
        Add(CheckSeverity::kWarning, item, FillIn(t_.chkFolderUnreadable, {f.error}),
            t_.chkFixFolderUnreadable);
      else
        Add(CheckSeverity::kOk, item, t_.chkFolderReadable);
    }
  }

  platform::SelfCheckProbes& probes_;
  const CheckTexts& t_;
  CheckReport report_;
  bool portFromSettings_ = false;
  int32_t portSetting_ = kDefaultPort;
  platform::ServicePorts ports_;
};

const std::string& SeverityWord(CheckSeverity s, const CheckTexts& t) {
  switch (s) {
    case CheckSeverity::kOk:
      return t.chkOk;
    case CheckSeverity::kWarning:
      return t.chkWarning;
    case CheckSeverity::kFailure:
      return t.chkFailure;
    case CheckSeverity::kSkipped:
      break;
  }
  return t.chkSkipped;
}

}  // namespace

int CheckReport::Failures() const {
  int n = 0;
  for (const CheckLine& l : lines) n += l.severity == CheckSeverity::kFailure;
  return n;
}

CheckReport RunSelfCheck(platform::SelfCheckProbes& probes, const CheckTexts& texts) {
  return Checker(probes, texts).Run();
}

std::string FormatCheckReport(const CheckReport& report, const CheckTexts& texts,
                              const std::string& version) {
  std::string out = FillIn(texts.chkTitle, {version}) + "\n";
  for (const CheckLine& l : report.lines) {
    std::string word = SeverityWord(l.severity, texts);
    if (word.size() == 2) word = " " + word + " ";  // "[ ok ]" lines up with "[warn]"
    out += "[" + word + "] " + l.item + ": " + l.found + "\n";
    if (!l.fix.empty()) out += "       " + texts.chkFix + " " + l.fix + "\n";
  }
  const int failures = report.Failures();
  out += failures == 0 ? texts.chkReady : FillIn(texts.chkNotReady, {std::to_string(failures)});
  out += "\n";
  return out;
}

CheckOutcome RunSelfCheckCommand(platform::SelfCheckProbes& probes, const std::string& version) {
  CheckTexts texts;
  LoadCheckTexts(ChooseLanguage(probes.uiLanguage), texts);
  CheckReport report = RunSelfCheck(probes, texts);
  return {FormatCheckReport(report, texts, version), report.ExitCode()};
}

}  // namespace vantaro::app
