#include "ui/window_texts.h"

#include "app/texts.h"

namespace vantaro::ui {

WindowTexts LoadWindowTexts(int languageId) {
  switch (languageId) {
    case app::kSimplifiedChinese:
      return {"显示", "隐藏", "-", "设备已连接", "%name (%address) 已连接到这台电脑",
              "设备已断开", "%name (%address) 已断开连接", "访问权限:"};
    case app::kTraditionalChinese:
      return {"顯示", "隱藏", "-", "設備已連接", "%name (%address) 已連接到這台電腦",
              "設備已斷開", "%name (%address) 已斷開連接", "訪問權限:"};
    default:
      return {"Show", "Hide", "-", "Device connected", "%name (%address) is connected to this computer",
              "Device disconnected", "%name (%address) has disconnected", "Access:"};
  }
}

}  // namespace vantaro::ui
