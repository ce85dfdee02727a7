#pragma once
// The link control's rules: its colour by state, what it opens, and the report when a link cannot
// be opened. Toolkit-neutral.

#include <cstdint>
#include <string>

namespace vantaro::ui {

struct Colour {
  uint8_t red, green, blue;
  bool operator==(const Colour&) const = default;
};
inline constexpr Colour kLinkColour{0, 0, 238};
inline constexpr Colour kVisitedColour{85, 26, 139};
inline constexpr Colour kHoverColour{255, 0, 0};

// The shell's result codes that the report names. A desktop without the shell's numbers reports
// kNoAssociation when nothing could open the link.
inline constexpr int kNoAssociation = 31;

class HyperlinkModel {
 public:
  // A link whose text is empty shows its target; one whose target is empty opens its text.
  HyperlinkModel(std::string text, std::string url);
  const std::string& text() const { return text_; }
  const std::string& url() const { return url_; }
  void SetUrl(std::string url) { url_ = std::move(url); }

  void OnEnter() { over_ = true; }
  void OnLeave() { over_ = false; }
  // After a click: the pointer is no longer counted as over the link; `opened` marks it visited.
  void OnOpened(bool opened);
  Colour colour() const { return over_ ? kHoverColour : visited_ ? kVisitedColour : kLinkColour; }
  bool visited() const { return visited_; }

 private:
  std::string text_;
  std::string url_;
  bool over_ = false;
  bool visited_ = false;
};

// "Unable to open hyperlink:\n\n" and the text for `code`.
std::string HyperlinkErrorText(int code);

}  // namespace vantaro::ui
