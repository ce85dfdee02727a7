#pragma once
// The texts of the self-check in the three interface languages, UTF-8. "%1" and "%2" in a text
// stand for values filled in by FillIn. Loaded once before the check runs; read-only afterwards.

#include <string>
#include <vector>

namespace vantaro::app {

struct CheckTexts {
  std::string chkTitle;
  std::string chkOk;
  std::string chkWarning;
  std::string chkFailure;
  std::string chkSkipped;
  std::string chkFix;
  std::string chkReady;
  std::string chkNotReady;
  // The X display and its extensions
  std::string chkItemDisplay;
  std::string chkDisplayNotSet;
  std::string chkFixDisplayNotSet;
  std::string chkDisplayCannotOpen;
  std::string chkFixDisplayCannotOpen;
  std::string chkItemXTest;
  std::string chkItemMitShm;
  std::string chkItemXFixes;
  std::string chkItemDamage;
  std::string chkPresent;
  std::string chkMissing;
  std::string chkNoDisplay;
  std::string chkFixXTest;
  std::string chkFixMitShm;
  std::string chkFixXFixes;
  std::string chkFixDamage;
  // Power
  std::string chkItemPowerOff;
  std::string chkItemReboot;
  std::string chkItemHibernate;
  std::string chkPowerYes;
  std::string chkPowerChallenge;
  std::string chkPowerNo;
  std::string chkPowerNotSupported;
  std::string chkPowerUnknown;
  std::string chkFixPowerNotAllowed;
  std::string chkFixPowerNotSupported;
  std::string chkFixPowerUnknown;
  // Ports
  std::string chkItemPort;
  std::string chkPortFromSettings;
  std::string chkPortDefault;
  std::string chkPortOutOfRange;
  std::string chkFixPortOutOfRange;
  std::string chkItemPortDiscovery;
  std::string chkItemPortControl;
  std::string chkItemPortData;
  std::string chkPortFree;
  std::string chkPortOurs;
  std::string chkPortOther;
  std::string chkPortError;
  std::string chkFixPortTaken;
  // Network
  std::string chkItemInterface;
  std::string chkInterfaceAddress;
  std::string chkInterfaceNoAddress;
  std::string chkInterfaceDown;
  std::string chkInterfaceMulticast;
  std::string chkInterfaceNoMulticast;
  std::string chkItemNetwork;
  std::string chkNetworkReady;
  std::string chkNetworkNone;
  std::string chkFixNetwork;
  std::string chkItemMulticast;
  std::string chkMulticastOn;
  std::string chkMulticastNone;
  std::string chkFixMulticast;
  std::string chkItemDefaultRoute;
  std::string chkRouteVia;
  std::string chkRouteNone;
  std::string chkFixRoute;
  // Firewalls
  std::string chkItemUfw;
  std::string chkItemFirewalld;
  std::string chkFirewallNotInstalled;
  std::string chkFirewallInactive;
  std::string chkFirewallOpen;
  std::string chkFirewallClosed;
  std::string chkFirewallCannotTell;
  std::string chkFirewallUnknown;
  std::string chkFixFirewallOpen;
  std::string chkFixFirewallCheck;
  // Capture devices
  std::string chkItemVideoDevices;
  std::string chkItemAudioDevices;
  std::string chkNoDevices;
  std::string chkFixVideo;
  std::string chkFixAudio;
  // Settings file and shared folders
  std::string chkItemSettingsFile;
  std::string chkSettingsNotYet;
  std::string chkSettingsPrivate;
  std::string chkSettingsOpen;
  std::string chkFixSettingsOpen;
  std::string chkSettingsUnreadable;
  std::string chkFixSettingsUnreadable;
  std::string chkItemSharedFolders;
  std::string chkNoSharedFoldersYet;
  std::string chkNoSharedFolders;
  std::string chkFixNoSharedFolders;
  std::string chkItemSharedFolder;
  std::string chkFolderReadable;
  std::string chkFolderMissing;
  std::string chkFolderNotFolder;
  std::string chkFolderUnreadable;
  std::string chkFixFolderMissing;
  std::string chkFixFolderUnreadable;
};

// Every member of CheckTexts, in table order.
std::vector<std::string CheckTexts::*> AllCheckTexts();

// Assigns every text of `languageId` (a LanguageId); any other value assigns English.
void LoadCheckTexts(int languageId, CheckTexts& texts);

// `text` with "%1", "%2", ... replaced by the values in order; a placeholder without a value
// stays as it is.
std::string FillIn(const std::string& text, const std::vector<std::string>& values);

}  // namespace vantaro::app
