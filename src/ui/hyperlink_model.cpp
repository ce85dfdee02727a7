#include "ui/hyperlink_model.h"

namespace vantaro::ui {

HyperlinkModel::HyperlinkModel(std::string text, std::string url)
    : text_(std::move(text)), url_(std::move(url)) {
  if (url_.empty()) url_ = text_;
  if (text_.empty()) text_ = url_;
}

void HyperlinkModel::OnOpened(bool opened) {
  over_ = false;
  visited_ = opened;
}

std::string HyperlinkErrorText(int code) {
  const char* text = nullptr;
  switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case 2: text = "The specified file was not found."; break;
    case 3: text = "The specified path was not found."; break;
    case 5: text = "The operating system denied\naccess to the specified file."; break;
    case 8: text = "There was not enough memory to complete the operation."; break;
    case 11: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case 26: text = "A sharing violation occurred. "; break;
    case 27: text = "The filename association is\nincomplete or invalid."; break;
    case 28: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case 29: text = "The DDE transaction failed."; break;
    case 30:
      text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
      break;
    case 31: text = "There is no application associated\nwith the given filename extension."; break;
    case 32: text = "The specified dynamic-link library was not found."; break;
    default: break;
  }
  std::string report = "Unable to open hyperlink:\n\n";
  if (text) return report + text;
  return report + "Unknown Error (" + std::to_string(code) + ") occurred.";
}

}  // namespace vantaro::ui
