#include "app/texts.h"

#include <array>
#include <cstddef>

namespace vantaro::app {
namespace {

// Each row carries the key and all three of its texts, so a language can never miss a key or
// shift the texts of another.
struct TextRow {
  TextKey key;
  std::array<const char*, 3> byLanguage;  // indexed by LanguageId - 1
};

#define VANTARO_TEXT(key, simplified, traditional, english)   \
  TextRow {                                                   \
    {#key, &Texts::key}, { simplified, traditional, english } \
  }

// The texts are kept exactly as users have always seen them, odd spellings included ("Suppport",
// "Cann't"); correcting one is a visible change, not a fix.
constexpr TextRow kRows[] = {
    // Main window and notification area
    VANTARO_TEXT(txtWindowTitle, "Vantaro", "Vantaro", "Vantaro"),
    VANTARO_TEXT(txtTrayTip, "Vantaro", "Vantaro", "Vantaro"),
    VANTARO_TEXT(txtTabConnection, "连接", "連接", "Connection"),
    VANTARO_TEXT(txtTabSettings, "设置", "設置", "Settings"),
    VANTARO_TEXT(txtTabMore, "更多", "更多", "More"),
    VANTARO_TEXT(txtTrayServerClose, "服务器:关闭", "服務器:關閉", "Server:Close"),
    VANTARO_TEXT(txtTrayServerOpen, "服务器:已打开", "服務器:已打開", "Server:Open"),
    VANTARO_TEXT(txtTrayServerConnected, "服务器:已经连接", "服務器:已經連接", "Server:Connected"),
    VANTARO_TEXT(txtTrayPreferences, "偏好设置...", "偏好設置...", "Preferences..."),
    VANTARO_TEXT(txtTrayUpdate, "软件更新...", "軟件更新...", "Update App..."),
    VANTARO_TEXT(txtTrayExit, "退出", "退出", "Exit"),
    // Connection page
    VANTARO_TEXT(txtServerStatus, "服务器状态:", "服務器狀態:", "Server Status:"),
    VANTARO_TEXT(txtOn, "打开", "打開", "ON"),
    VANTARO_TEXT(txtOff, "关闭", "關閉", "OFF"),
    VANTARO_TEXT(txtRemoteMode, "远程控制模式:", "遠程控製糢式:", "Remote Mode:"),
    VANTARO_TEXT(txtModeNone, "-", "-", "-"),
    VANTARO_TEXT(txtWaitingForDevice, "等待设备连接", "等待設備連接",
                 "Waiting for device connected"),
    VANTARO_TEXT(txtConnected, "已经连接", "已經連接", "Connected"),
    VANTARO_TEXT(txtModeRemoteDesktop, "远程桌面", "遠程桌面", "Remote desktop"),
    VANTARO_TEXT(txtModeFileManager, "文件管理器", "文件管理器", "File Manager"),
    VANTARO_TEXT(txtModeTouchMouse, "触控鼠标", "觸控鼠標", "Touch mouse"),
    VANTARO_TEXT(txtModeCamera, "摄像机", "攝像機", "Camera"),
    VANTARO_TEXT(txtModeRecorder, "静默录音机", "靜默錄音機", "Recorder"),
    VANTARO_TEXT(txtConnectedTime, "连接时间:", "連接時間:", "Connected Time:"),
    VANTARO_TEXT(txtTimeNone, "--:--:--", "--:--:--", "--:--:--"),
    VANTARO_TEXT(txtComputerInfo, "电脑信息:", "電腦信息:", "Computer Info:"),
    VANTARO_TEXT(txtDeviceInfo, "设备信息:", "設備信息:", "Device Info:"),
    VANTARO_TEXT(txtComputerName, "电脑名:", "電腦名:", "Computer Name:"),
    VANTARO_TEXT(txtDeviceName, "设备名称:", "設備名稱:", "Device Name:"),
    VANTARO_TEXT(txtLanIp, "局域网IP地址:", "局域網IP地址:", "LAN IP Address:"),
    VANTARO_TEXT(txtDeviceIp, "设备IP地址:", "設備IP地址:", "Device IP Address:"),
    VANTARO_TEXT(txtInternetIp, "Internet IP地址:", "Internet IP地址:", "Internet IP Address:"),
    // Settings page and its sub-pages
    VANTARO_TEXT(txtSubGeneral, "一般设置", "一般設置", "General"),
    VANTARO_TEXT(txtSubFileManager, "文件管理器", "文件管理器", "File Manager"),
    VANTARO_TEXT(txtSubCameraRecorder, "摄像头与麦克风", "攝像頭與麥克風", "Camera Recorder"),
    VANTARO_TEXT(txtStartupLogin, "启动登录", "啟動登录", "Startup Login"),
    VANTARO_TEXT(txtStartupLoginHint,
                 "设置启动登录可以保证您将能够随时随地使用移动设备远程控制电脑.",
                 "設置啟動登录可以保證您講能夠隨時隨地使用移動設備遠程控製電腦.",
                 "Set startup login can guarantee that you will be able to use mobile devices to "
                 "remote control the computer by anytime anywhere."),
    VANTARO_TEXT(txtPortNumber, "端口号:", "端口號:", "Port Number:"),
    VANTARO_TEXT(txtPortHint, "使用此端口连接到移动设备.", "使用此端口連接到移動設備.",
                 "Use this port to connect to the mobile devices."),
    VANTARO_TEXT(txtApply, "应用", "應用", "Apply"),
    VANTARO_TEXT(txtDefault, "默认", "默認", "Default"),
    VANTARO_TEXT(txtSecurityLogin, "安全登录", "安全登录", "Security Login"),
    VANTARO_TEXT(txtSecurityLoginHint,
                 "设备连接到电脑前输入安全码以提高系统的安全性.安全码必须是字母或数字,并至少有4位.",
                 "設備連接到電腦前輸入安全碼以提高係統的安全性.安全碼必鬚是字母或數字,並至少有4位.",
                 "Input security code after device connected to computer to improve system's "
                 "security.Security code letters or numbers,and at least 4 bits."),
    VANTARO_TEXT(txtSecurityCode, "安全码:", "安全碼:", "Security Code:"),
    VANTARO_TEXT(txtSecurityCodeConfirm, "安全码确认:", "安全碼確認:", "Security Code Confirm:"),
    VANTARO_TEXT(txtPowerManagement, "电源管理", "電源管理", "Power Management"),
    VANTARO_TEXT(txtPowerHint, "电脑设置为永不休眠模式,您可以在任何时间使用移动设备访问该计算机.",
                 "電腦設置為永不休眠模式,您可以在任何時間使用移動設備訪問該計算機.",
                 "Computer set to never sleep mode,you can use mobile devices at any time access "
                 "the computer."),
    VANTARO_TEXT(txtEnergySaver, "设置节能器", "設置節能器", "Setting Energy Saver"),
    VANTARO_TEXT(txtFileManagerTitle, "文件管理器", "文件管理器", "File Manager"),
    VANTARO_TEXT(txtFileManagerHint, "允许移动设备访问以下文件夹", "允許移動設備訪問以下文件夾",
                 "Allows mobile devices to access the following folders"),
    VANTARO_TEXT(txtReadOnly, "只读", "只讀", "Read Only"),
    VANTARO_TEXT(txtReadWrite, "读与写", "讀與寫", "Read and Write"),
    VANTARO_TEXT(txtSelectShareFolder, "选择共享文件夹", "選擇共享文件夾", "Select share folder"),
    VANTARO_TEXT(txtSelectDeviceInput, "选择输入设备:", "選擇輸入設備:", "Select Device Input:"),
    VANTARO_TEXT(txtDeviceInputHint, "视频和音频传输到移动设备通过以下设备.",
                 "視頻和音頻傳輸到移動設備通過以下設備.",
                 "Video and audio transmission to mobile devices via the following devices."),
    VANTARO_TEXT(txtVideoInput, "视频输入:", "視頻輸入:", "Video Input:"),
    VANTARO_TEXT(txtAudioInput, "音频输入:", "音頻輸入:", "Audio Input:"),
    VANTARO_TEXT(txtNone, "无", "無", "None"),
    // More page, Support and About
    VANTARO_TEXT(txtSupport, "技术支持", "技術支持", "Suppport"),
    VANTARO_TEXT(txtAbout, "关于", "關於", "About"),
    VANTARO_TEXT(txtEmail, "电子邮件:", "電子郵件:", "Email:"),
    VANTARO_TEXT(txtSupportMailLink, "mailto:support@vantaro.example",
                 "mailto:support@vantaro.example", "mailto:support@vantaro.example"),
    VANTARO_TEXT(txtSinaWeibo, "新浪微博:", "新浪微博:", "Sina Weibo:"),
    VANTARO_TEXT(txtWeiboLink, "http://www.vantaro.example/weibo",
                 "http://www.vantaro.example/weibo", "http://www.vantaro.example/weibo"),
    VANTARO_TEXT(txtWeiboAddress, "(www.vantaro.example/weibo)", "(www.vantaro.example/weibo)",
                 "(www.vantaro.example/weibo)"),
    VANTARO_TEXT(
        txtSupportHint,
        "为了更好地提升服务,如果您在使用中出现任何问题,请您通过以上方式与我们联系,"
        "我们将在24小时内给您回复.",
        "為了更好地提升服務,如果您在使用中出現任何問題,請您通過以上方式與我們聯繫,"
        "我們將在24小時內給您回复.",
        "In order to improve our service,we supply the above ways as support.If you have any "
        "problems or suggestion in use,you can contact us freely,and we will reply in 24 hours."),
    VANTARO_TEXT(txtAboutProduct, "Vantaro", "Vantaro", "Vantaro"),
    VANTARO_TEXT(txtAboutVersion, "版本 2.2", "版本 2.2", "Version 2.2"),
    VANTARO_TEXT(txtUpdateApp, "软件更新...", "軟件更新...", "Update App..."),
    VANTARO_TEXT(txtOwnerNotice, "Copyright (C) 2014 Vantaro.", "Copyright (C) 2014 Vantaro.",
                 "Copyright (C) 2014 Vantaro."),
    VANTARO_TEXT(txtRightsReserved, "保留所有权利.", "保留所有權利.", "All Rights Reserved."),
    // Message boxes
    VANTARO_TEXT(txtNetError, "由于网络原因暂时无法与服务器通信,请稍后再试!",
                 "由於網絡原因暫時無法與服務器通信,請稍後再試!",
                 "Cann't connect with server because net error,please try it later!"),
    VANTARO_TEXT(txtNewestVersion, "您当前使用的是最新版本!", "您當前使用的是最新版本!",
                 "It's the newest version!"),
    VANTARO_TEXT(txtNewVersionFound, "检测到version_number版本已经发布.请到官网下载!",
                 "檢測到version_number版本已經發布.請到官網下載!",
                 "Detecting a new version:version_number is released.\r\nGo to the official "
                 "website to download it now?"),
    VANTARO_TEXT(txtNoCaptureDevice, "没发现音频或者视频设备", "沒發現音頻或者視頻設備",
                 "No video or audio device found"),
};

#undef VANTARO_TEXT

constexpr std::size_t kKeyCount = std::size(kRows);

constexpr std::array<TextKey, kKeyCount> MakeKeys() {
  std::array<TextKey, kKeyCount> keys{};
  for (std::size_t i = 0; i < kKeyCount; ++i) keys[i] = kRows[i].key;
  return keys;
}

constexpr std::array<TextKey, kKeyCount> kKeys = MakeKeys();

}  // namespace

std::span<const TextKey> AllTextKeys() { return kKeys; }

const TextKey* FindTextKey(std::string_view name) {
  for (const TextKey& key : kKeys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

void LoadLanguageTexts(int languageId, Texts& texts) {
  if (languageId < kSimplifiedChinese || languageId > kEnglish) return;
  const auto column = static_cast<std::size_t>(languageId - 1);
  for (const TextRow& row : kRows) texts.*(row.key.member) = row.byLanguage[column];
}

std::string FormatNewVersionMessage(const Texts& texts, const std::string& latest) {
  static constexpr std::string_view kPlaceholder = "version_number";
  const std::string& source = texts.txtNewVersionFound;
  std::string message;
  std::size_t from = 0;
  for (std::size_t at = source.find(kPlaceholder); at != std::string::npos;
       at = source.find(kPlaceholder, from)) {
    message.append(source, from, at - from).append(latest);
    from = at + kPlaceholder.size();
  }
  message.append(source, from, std::string::npos);
  return message;
}

}  // namespace vantaro::app
