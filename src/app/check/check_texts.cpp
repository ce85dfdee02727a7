#include "app/check/check_texts.h"

#include <array>
#include <cstddef>

#include "app/texts.h"

namespace vantaro::app {
namespace {

struct CheckRow {
  std::string CheckTexts::*member;
  std::array<const char*, 3> byLanguage;  // indexed by LanguageId - 1
};

#define VANTARO_CHECK_TEXT(key, simplified, traditional, english) \
  CheckRow {                                                      \
    &CheckTexts::key, { simplified, traditional, english }        \
  }

constexpr CheckRow kRows[] = {
    VANTARO_CHECK_TEXT(chkTitle, "Vantaro 自检 (vantaro-server %1)",
                       "Vantaro 自檢 (vantaro-server %1)",
                       "Vantaro self-check (vantaro-server %1)"),
    VANTARO_CHECK_TEXT(chkOk, "正常", "正常", "ok"),
    VANTARO_CHECK_TEXT(chkWarning, "注意", "注意", "warn"),
    VANTARO_CHECK_TEXT(chkFailure, "失败", "失敗", "FAIL"),
    VANTARO_CHECK_TEXT(chkSkipped, "跳过", "跳過", "skip"),
    VANTARO_CHECK_TEXT(chkFix, "解决:", "解決:", "fix:"),
    VANTARO_CHECK_TEXT(chkReady, "远程控制模式可以使用.", "遠程控制模式可以使用.",
                       "The remote modes can work."),
    VANTARO_CHECK_TEXT(chkNotReady, "有 %1 项妨碍远程控制模式,请按上面的解决办法处理.",
                       "有 %1 項妨礙遠程控制模式,請按上面的解決辦法處理.",
                       "%1 item(s) keep the remote modes from working; see the fix lines above."),
    // The X display and its extensions
    VANTARO_CHECK_TEXT(chkItemDisplay, "X 显示", "X 顯示", "X display"),
    VANTARO_CHECK_TEXT(chkDisplayNotSet, "没有设置 DISPLAY", "沒有設置 DISPLAY",
                       "DISPLAY is not set"),
    VANTARO_CHECK_TEXT(
        chkFixDisplayNotSet,
        "请在 X11 桌面会话中启动服务器(Wayland 桌面请在登录时选择 Xorg 会话),"
        "或者设置 DISPLAY,例如 DISPLAY=:0.",
        "請在 X11 桌面會話中啟動服務器(Wayland 桌面請在登錄時選擇 Xorg 會話),"
        "或者設置 DISPLAY,例如 DISPLAY=:0.",
        "Start the server from a desktop session on X11 (on a Wayland desktop, "
        "choose the Xorg session at login), or set DISPLAY, for example DISPLAY=:0."),
    VANTARO_CHECK_TEXT(chkDisplayCannotOpen, "无法打开 %1", "無法打開 %1", "%1 cannot be opened"),
    VANTARO_CHECK_TEXT(chkFixDisplayCannotOpen,
                       "请确认 %1 的 X 服务器正在运行,并且此用户可以连接(XAUTHORITY, xhost).",
                       "請確認 %1 的 X 服務器正在運行,並且此用戶可以連接(XAUTHORITY, xhost).",
                       "Check that the X server of %1 runs and that this user may connect to it "
                       "(XAUTHORITY, xhost)."),
    VANTARO_CHECK_TEXT(chkItemXTest, "XTest 扩展", "XTest 擴展", "XTest extension"),
    VANTARO_CHECK_TEXT(chkItemMitShm, "MIT-SHM 扩展", "MIT-SHM 擴展", "MIT-SHM extension"),
    VANTARO_CHECK_TEXT(chkItemXFixes, "XFixes 扩展", "XFixes 擴展", "XFixes extension"),
    VANTARO_CHECK_TEXT(chkItemDamage, "DAMAGE 扩展", "DAMAGE 擴展", "DAMAGE extension"),
    VANTARO_CHECK_TEXT(chkPresent, "有", "有", "present"),
    VANTARO_CHECK_TEXT(chkMissing, "没有", "沒有", "missing"),
    VANTARO_CHECK_TEXT(chkNoDisplay, "没有检查: 没有 X 显示", "沒有檢查: 沒有 X 顯示",
                       "not checked: no X display"),
    VANTARO_CHECK_TEXT(chkFixXTest, "请启用 X 服务器的 XTEST 扩展;没有它,触控鼠标和键盘不起作用.",
                       "請啟用 X 服務器的 XTEST 擴展;沒有它,觸控鼠標和鍵盤不起作用.",
                       "Enable the XTEST extension of the X server; without it the touch mouse "
                       "and the keyboard do nothing."),
    VANTARO_CHECK_TEXT(chkFixMitShm, "请在运行 X 显示的电脑上启动服务器;没有 MIT-SHM,远程桌面较慢.",
                       "請在運行 X 顯示的電腦上啟動服務器;沒有 MIT-SHM,遠程桌面較慢.",
                       "Run the server on the computer that runs the X display; without MIT-SHM "
                       "the remote desktop copies every picture through the X connection and is "
                       "slower."),
    VANTARO_CHECK_TEXT(chkFixXFixes, "没有 XFIXES,远程桌面不显示鼠标指针.",
                       "沒有 XFIXES,遠程桌面不顯示鼠標指針.",
                       "Use an X server with XFIXES; without it the remote desktop shows no "
                       "mouse pointer."),
    VANTARO_CHECK_TEXT(chkFixDamage, "没有 DAMAGE,远程桌面每次都截取整个屏幕.",
                       "沒有 DAMAGE,遠程桌面每次都截取整個屏幕.",
                       "Use an X server with DAMAGE; without it the remote desktop captures the "
                       "whole screen for every picture."),
    // Power
    VANTARO_CHECK_TEXT(chkItemPowerOff, "关机", "關機", "Power off"),
    VANTARO_CHECK_TEXT(chkItemReboot, "重新启动", "重新啟動", "Restart"),
    VANTARO_CHECK_TEXT(chkItemHibernate, "休眠", "休眠", "Hibernate"),
    VANTARO_CHECK_TEXT(chkPowerYes, "允许", "允許", "allowed"),
    VANTARO_CHECK_TEXT(chkPowerChallenge, "需要管理员密码", "需要管理員密碼",
                       "needs an administrator's password"),
    VANTARO_CHECK_TEXT(chkPowerNo, "此用户不允许", "此用戶不允許", "not allowed for this user"),
    VANTARO_CHECK_TEXT(chkPowerNotSupported, "此电脑不支持", "此電腦不支持",
                       "not supported by this computer"),
    VANTARO_CHECK_TEXT(chkPowerUnknown, "无法询问 logind: %1", "無法詢問 logind: %1",
                       "logind cannot be asked: %1"),
    VANTARO_CHECK_TEXT(chkFixPowerNotAllowed,
                       "手机无法输入密码;请用 polkit 规则允许此用户执行 %1 而不需要密码.",
                       "手機無法輸入密碼;請用 polkit 規則允許此用戶執行 %1 而不需要密碼.",
                       "The phone cannot type a password: allow %1 for this user without one, "
                       "with a polkit rule."),
    VANTARO_CHECK_TEXT(chkFixPowerNotSupported,
                       "休眠需要至少与内存一样大的交换空间,并设置为恢复设备(resume).",
                       "休眠需要至少與內存一樣大的交換空間,並設置為恢復設備(resume).",
                       "Hibernation needs a swap area at least as large as the memory, set up as "
                       "the resume device."),
    VANTARO_CHECK_TEXT(chkFixPowerUnknown,
                       "请启动 systemd-logind 和系统总线(dbus);没有它们,电源命令不起作用.",
                       "請啟動 systemd-logind 和系統總線(dbus);沒有它們,電源命令不起作用.",
                       "Start systemd-logind and the system bus (dbus); without them the power "
                       "commands do nothing."),
    // Ports
    VANTARO_CHECK_TEXT(chkItemPort, "服务端口", "服務端口", "Service port"),
    VANTARO_CHECK_TEXT(chkPortFromSettings, "%1 (设置)", "%1 (設置)", "%1 (from the settings)"),
    VANTARO_CHECK_TEXT(chkPortDefault, "%1 (默认)", "%1 (默認)", "%1 (the default)"),
    VANTARO_CHECK_TEXT(chkPortOutOfRange, "%1 不在 1 到 65533 之间,服务使用 %2",
                       "%1 不在 1 到 65533 之間,服務使用 %2",
                       "%1 is not from 1 to 65533; the service uses %2"),
    VANTARO_CHECK_TEXT(chkFixPortOutOfRange, "请把 %1 中的 \"port\" 设为 1 到 65533 之间的数字.",
                       "請把 %1 中的 \"port\" 設為 1 到 65533 之間的數字.",
                       "Set \"port\" in %1 to a number from 1 to 65533."),
    VANTARO_CHECK_TEXT(chkItemPortDiscovery, "UDP 端口 %1 (发现)", "UDP 端口 %1 (發現)",
                       "UDP port %1 (discovery)"),
    VANTARO_CHECK_TEXT(chkItemPortControl, "TCP 端口 %1 (控制)", "TCP 端口 %1 (控制)",
                       "TCP port %1 (control)"),
    VANTARO_CHECK_TEXT(chkItemPortData, "TCP 端口 %1 (数据)", "TCP 端口 %1 (數據)",
                       "TCP port %1 (data)"),
    VANTARO_CHECK_TEXT(chkPortFree, "空闲", "空閒", "free"),
    VANTARO_CHECK_TEXT(chkPortOurs, "已由本程序使用 (%1)", "已由本程序使用 (%1)",
                       "held by this program (%1)"),
    VANTARO_CHECK_TEXT(chkPortOther, "被其他程序占用 (%1)", "被其他程序佔用 (%1)",
                       "held by another program (%1)"),
    VANTARO_CHECK_TEXT(chkPortError, "无法试用: %1", "無法試用: %1", "cannot be tried: %1"),
    VANTARO_CHECK_TEXT(chkFixPortTaken,
                       "请停止占用它的程序,或在 %1 中把 \"port\" 改为其他端口"
                       "(服务使用该端口和后面两个端口).",
                       "請停止佔用它的程序,或在 %1 中把 \"port\" 改為其他端口"
                       "(服務使用該端口和後面兩個端口).",
                       "Stop the program that holds it, or set \"port\" in %1 to another port "
                       "(the service uses that port and the next two)."),
    // Network
    VANTARO_CHECK_TEXT(chkItemInterface, "网络接口 %1", "網絡接口 %1", "Interface %1"),
    VANTARO_CHECK_TEXT(chkInterfaceAddress, "已启用, 地址 %1", "已啟用, 地址 %1", "up, address %1"),
    VANTARO_CHECK_TEXT(chkInterfaceNoAddress, "已启用, 没有 IPv4 地址", "已啟用, 沒有 IPv4 地址",
                       "up, no IPv4 address"),
    VANTARO_CHECK_TEXT(chkInterfaceDown, "未启用", "未啟用", "down"),
    VANTARO_CHECK_TEXT(chkInterfaceMulticast, ", 组播", ", 組播", ", multicast"),
    VANTARO_CHECK_TEXT(chkInterfaceNoMulticast, ", 没有组播", ", 沒有組播", ", no multicast"),
    VANTARO_CHECK_TEXT(chkItemNetwork, "网络", "網絡", "Network"),
    VANTARO_CHECK_TEXT(chkNetworkReady, "%1 个接口已启用并有地址", "%1 個接口已啟用並有地址",
                       "%1 interface(s) up with an address"),
    VANTARO_CHECK_TEXT(chkNetworkNone, "没有已启用并有 IPv4 地址的接口",
                       "沒有已啟用並有 IPv4 地址的接口", "no interface is up with an IPv4 address"),
    VANTARO_CHECK_TEXT(chkFixNetwork, "请把电脑连接到手机所在的网络(网线或 Wi-Fi).",
                       "請把電腦連接到手機所在的網絡(網線或 Wi-Fi).",
                       "Connect the computer to the network the phone uses (cable or Wi-Fi)."),
    VANTARO_CHECK_TEXT(chkItemMulticast, "发现 (组播 239.0.0.1)", "發現 (組播 239.0.0.1)",
                       "Discovery (multicast 239.0.0.1)"),
    VANTARO_CHECK_TEXT(chkMulticastOn, "可以在 %1 上接收", "可以在 %1 上接收",
                       "can be received on %1"),
    VANTARO_CHECK_TEXT(chkMulticastNone, "没有可以接收组播的已启用接口",
                       "沒有可以接收組播的已啟用接口",
                       "no interface that is up with an address takes multicast"),
    VANTARO_CHECK_TEXT(chkFixMulticast,
                       "请为该接口打开组播(sudo ip link set dev 接口名 multicast on);"
                       "在此之前手机只能通过地址找到电脑.",
                       "請為該接口打開組播(sudo ip link set dev 接口名 multicast on);"
                       "在此之前手機只能通過地址找到電腦.",
                       "Turn multicast on for the interface (sudo ip link set dev NAME multicast "
                       "on); until then the phone finds the computer only by its address."),
    VANTARO_CHECK_TEXT(chkItemDefaultRoute, "默认路由", "默認路由", "Default route"),
    VANTARO_CHECK_TEXT(chkRouteVia, "经过 %1", "經過 %1", "through %1"),
    VANTARO_CHECK_TEXT(chkRouteNone, "没有: 服务等待网络,一直关闭", "沒有: 服務等待網絡,一直關閉",
                       "none: the service waits for the network and stays closed"),
    VANTARO_CHECK_TEXT(chkFixRoute,
                       "请连接到有路由器的网络,或者在封闭网络中用 --assume-network-up 启动服务器.",
                       "請連接到有路由器的網絡,或者在封閉網絡中用 --assume-network-up 啟動服務器.",
                       "Connect to a network with a router, or on a closed network start the "
                       "server with --assume-network-up."),
    // Firewalls
    VANTARO_CHECK_TEXT(chkItemUfw, "防火墙 ufw", "防火牆 ufw", "Firewall ufw"),
    VANTARO_CHECK_TEXT(chkItemFirewalld, "防火墙 firewalld", "防火牆 firewalld",
                       "Firewall firewalld"),
    VANTARO_CHECK_TEXT(chkFirewallNotInstalled, "没有安装", "沒有安裝", "not installed"),
    VANTARO_CHECK_TEXT(chkFirewallInactive, "已安装, 未启用", "已安裝, 未啟用",
                       "installed, not active"),
    VANTARO_CHECK_TEXT(chkFirewallOpen, "已启用, 允许这些端口%1", "已啟用, 允許這些端口%1",
                       "active, lets the ports in%1"),
    VANTARO_CHECK_TEXT(chkFirewallClosed, "已启用, 阻挡这些端口%1", "已啟用, 阻擋這些端口%1",
                       "active, blocks the ports%1"),
    VANTARO_CHECK_TEXT(chkFirewallCannotTell, "已启用, 无法读取规则: %1",
                       "已啟用, 無法讀取規則: %1", "active; its rules cannot be read: %1"),
    VANTARO_CHECK_TEXT(chkFirewallUnknown, "状态不明: %1", "狀態不明: %1", "state unknown: %1"),
    VANTARO_CHECK_TEXT(chkFixFirewallOpen, "打开端口: %1", "打開端口: %1", "Open the ports: %1"),
    VANTARO_CHECK_TEXT(chkFixFirewallCheck, "查看规则: %1; 打开端口: %2",
                       "查看規則: %1; 打開端口: %2", "See the rules: %1; open the ports: %2"),
    // Capture devices
    VANTARO_CHECK_TEXT(chkItemVideoDevices, "视频输入设备", "視頻輸入設備",
                       "Video capture devices"),
    VANTARO_CHECK_TEXT(chkItemAudioDevices, "音频输入设备", "音頻輸入設備",
                       "Audio capture devices"),
    VANTARO_CHECK_TEXT(chkNoDevices, "没有", "沒有", "none"),
    VANTARO_CHECK_TEXT(chkFixVideo, "摄像机模式需要摄像头,请连接一个.",
                       "攝像機模式需要攝像頭,請連接一個.",
                       "Connect a camera: the Camera mode needs one."),
    VANTARO_CHECK_TEXT(chkFixAudio, "摄像机和录音机模式需要麦克风,请连接一个.",
                       "攝像機和錄音機模式需要麥克風,請連接一個.",
                       "Connect a microphone: the Camera and Recorder modes need one."),
    // Settings file and shared folders
    VANTARO_CHECK_TEXT(chkItemSettingsFile, "设置文件", "設置文件", "Settings file"),
    VANTARO_CHECK_TEXT(chkSettingsNotYet, "%1 还不存在;第一次启动时创建",
                       "%1 還不存在;第一次啟動時創建",
                       "%1 does not exist yet; the first start creates it"),
    VANTARO_CHECK_TEXT(chkSettingsPrivate, "%1, 权限 %2", "%1, 權限 %2", "%1, mode %2"),
    VANTARO_CHECK_TEXT(chkSettingsOpen, "%1, 权限 %2: 其他用户可以读取",
                       "%1, 權限 %2: 其他用戶可以讀取", "%1, mode %2: other users can read it"),
    VANTARO_CHECK_TEXT(chkFixSettingsOpen, "chmod 600 %1 (它保存安全码)",
                       "chmod 600 %1 (它保存安全碼)", "chmod 600 %1 (it holds the security code)"),
    VANTARO_CHECK_TEXT(chkSettingsUnreadable, "%1 无法读取: %2", "%1 無法讀取: %2",
                       "%1 cannot be read: %2"),
    VANTARO_CHECK_TEXT(chkFixSettingsUnreadable, "请把它交还给此用户: sudo chown $USER %1",
                       "請把它交還給此用戶: sudo chown $USER %1",
                       "Give it back to this user: sudo chown $USER %1"),
    VANTARO_CHECK_TEXT(chkItemSharedFolders, "共享文件夹", "共享文件夾", "Shared folders"),
    VANTARO_CHECK_TEXT(chkNoSharedFoldersYet, "还没有;第一次启动时共享视频,图片,文档和音乐文件夹",
                       "還沒有;第一次啟動時共享視頻,圖片,文檔和音樂文件夾",
                       "none yet; the first start shares the Videos, Pictures, Documents and "
                       "Music folders"),
    VANTARO_CHECK_TEXT(chkNoSharedFolders, "没有: 文件管理器是空的", "沒有: 文件管理器是空的",
                       "none: the file manager shows nothing"),
    VANTARO_CHECK_TEXT(chkFixNoSharedFolders, "请在设置的文件管理器页中添加文件夹.",
                       "請在設置的文件管理器頁中添加文件夾.",
                       "Add a folder on the File Manager page of the settings."),
    VANTARO_CHECK_TEXT(chkItemSharedFolder, "共享文件夹 %1", "共享文件夾 %1", "Shared folder %1"),
    VANTARO_CHECK_TEXT(chkFolderReadable, "可以读取", "可以讀取", "readable"),
    VANTARO_CHECK_TEXT(chkFolderMissing, "不存在", "不存在", "does not exist"),
    VANTARO_CHECK_TEXT(chkFolderNotFolder, "不是文件夹", "不是文件夾", "is not a folder"),
    VANTARO_CHECK_TEXT(chkFolderUnreadable, "无法读取: %1", "無法讀取: %1", "cannot be read: %1"),
    VANTARO_CHECK_TEXT(chkFixFolderMissing, "请创建该文件夹,或把它从共享文件夹中删除.",
                       "請創建該文件夾,或把它從共享文件夾中刪除.",
                       "Create the folder, or remove it from the shared folders."),
    VANTARO_CHECK_TEXT(chkFixFolderUnreadable,
                       "请允许此用户读取该文件夹(chmod u+rx),或共享其他文件夹.",
                       "請允許此用戶讀取該文件夾(chmod u+rx),或共享其他文件夾.",
                       "Let this user read the folder (chmod u+rx), or share another one."),
};

#undef VANTARO_CHECK_TEXT

}  // namespace

std::vector<std::string CheckTexts::*> AllCheckTexts() {
  std::vector<std::string CheckTexts::*> members;
  for (const CheckRow& row : kRows) members.push_back(row.member);
  return members;
}

void LoadCheckTexts(int languageId, CheckTexts& texts) {
  if (languageId < kSimplifiedChinese || languageId > kEnglish) languageId = kEnglish;
  const auto column = static_cast<std::size_t>(languageId - 1);
  for (const CheckRow& row : kRows) texts.*(row.member) = row.byLanguage[column];
}

std::string FillIn(const std::string& text, const std::vector<std::string>& values) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - '1');
      if (index < values.size()) {
        result += values[index];
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

}  // namespace vantaro::app
