#pragma once
// The interface texts in the three languages the program ships, stored as UTF-8.
//
// One language is chosen at start-up and all keys are assigned together before any page exists;
// afterwards the texts are only read, so they need no lock as long as the user-interface thread
// loads them before it starts the network threads. Loading texts touches nothing else: the
// Connection page clears its own device and computer value fields when it is created.

#include <span>
#include <string>
#include <string_view>

namespace vantaro::app {

// The program's own numbering; it is not a locale or platform language code.
enum LanguageId : int { kSimplifiedChinese = 1, kTraditionalChinese = 2, kEnglish = 3 };

// One member per key. "\r\n" inside a text is a line break; `txtNewVersionFound` is the only
// text with a placeholder (see FormatNewVersionMessage).
struct Texts {
  // Main window and notification area
  std::string txtWindowTitle;
  std::string txtTrayTip;
  std::string txtTabConnection;
  std::string txtTabSettings;
  std::string txtTabMore;
  std::string txtTrayServerClose;
  std::string txtTrayServerOpen;
  std::string txtTrayServerConnected;
  std::string txtTrayPreferences;
  std::string txtTrayUpdate;
  std::string txtTrayExit;
  // Connection page
  std::string txtServerStatus;
  std::string txtOn;
  std::string txtOff;
  std::string txtRemoteMode;
  std::string txtModeNone;
  std::string txtWaitingForDevice;
  std::string txtConnected;
  std::string txtModeRemoteDesktop;
  std::string txtModeFileManager;
  std::string txtModeTouchMouse;
  std::string txtModeCamera;
  std::string txtModeRecorder;
  std::string txtConnectedTime;
  std::string txtTimeNone;
  std::string txtComputerInfo;
  std::string txtDeviceInfo;
  std::string txtComputerName;
  std::string txtDeviceName;
  std::string txtLanIp;
  std::string txtDeviceIp;
  std::string txtInternetIp;
  // Settings page and its sub-pages
  std::string txtSubGeneral;
  std::string txtSubFileManager;
  std::string txtSubCameraRecorder;
  std::string txtStartupLogin;
  std::string txtStartupLoginHint;
  std::string txtPortNumber;
  std::string txtPortHint;
  std::string txtApply;
  std::string txtDefault;
  std::string txtSecurityLogin;
  std::string txtSecurityLoginHint;
  std::string txtSecurityCode;
  std::string txtSecurityCodeConfirm;
  std::string txtPowerManagement;
  std::string txtPowerHint;
  std::string txtEnergySaver;
  std::string txtFileManagerTitle;
  std::string txtFileManagerHint;
  std::string txtReadOnly;
  std::string txtReadWrite;
  std::string txtSelectShareFolder;
  std::string txtSelectDeviceInput;
  std::string txtDeviceInputHint;
  std::string txtVideoInput;
  std::string txtAudioInput;
  std::string txtNone;
  // More page, Support and About
  std::string txtSupport;
  std::string txtAbout;
  std::string txtEmail;
  std::string txtSupportMailLink;
  std::string txtSinaWeibo;
  std::string txtWeiboLink;
  std::string txtWeiboAddress;
  std::string txtSupportHint;
  std::string txtAboutProduct;
  std::string txtAboutVersion;
  std::string txtUpdateApp;
  std::string txtOwnerNotice;
  std::string txtRightsReserved;
  // Message boxes
  std::string txtNetError;
  std::string txtNewestVersion;
  std::string txtNewVersionFound;
  std::string txtNoCaptureDevice;
};

// A key's name as the window and tests spell it, and where its text lives in Texts.
struct TextKey {
  std::string_view name;
  std::string Texts::*member;
};

// Every key, in table order. The span refers to static storage and stays valid for the program.
std::span<const TextKey> AllTextKeys();

// The key called `name`, or nullptr when there is none.
const TextKey* FindTextKey(std::string_view name);

// Assigns every key from the table of `languageId` (a LanguageId). Any other value assigns
// nothing and leaves `texts` as it was, so a fresh Texts stays empty.
void LoadLanguageTexts(int languageId, Texts& texts);

// `txtNewVersionFound` with every "version_number" replaced by `latest`.
std::string FormatNewVersionMessage(const Texts& texts, const std::string& latest);

}  // namespace vantaro::app
