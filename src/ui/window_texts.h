#pragma once
// The window's texts beyond the program's text table: the security-code row of the Connection
// page, the folder access column and the desktop notifications. Same languages and numbering as
// the table (app::LanguageId); UTF-8.

#include <string>

namespace vantaro::ui {

struct WindowTexts {
  std::string showCode;   // button that reveals the security code
  std::string hideCode;   // the same button once the code is shown
  std::string codeOff;    // the row's value while security login is off (the row is hidden)
  std::string deviceConnectedTitle;
  std::string deviceConnectedBody;  // "%name" and "%address" are replaced
  std::string deviceDisconnectedTitle;
  std::string deviceDisconnectedBody;
  std::string folderAccess;  // caption of the read-only / read-and-write choice
};

// Any identifier other than the three languages gives English, so the window is never blank.
WindowTexts LoadWindowTexts(int languageId);

}  // namespace vantaro::ui
