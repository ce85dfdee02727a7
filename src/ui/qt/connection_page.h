#pragma once
// The Connection page: the service state with ON and OFF, the mode, the connected time, the
// security code (masked) and the computer's and device's facts. Draws a ConnectionPageModel.

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "ui/connection_page_model.h"
#include "ui/qt/bitmap_text_button.h"
#include "ui/qt/my_static.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class ConnectionPageView : public QWidget {
 public:
  ConnectionPageView(WindowServices& services, QWidget* parent);
  // UpdateStatusDisplay, on the user-interface thread, with the facts of the change's moment.
  void ApplyStatus(int32_t status, const ConnectionFacts& facts);
  // The security settings changed on the General page.
  void RefreshSecurityCode();
  const ConnectionPageModel& model() const { return model_; }
  CBitmapTextButton* onButton() const { return on_; }
  CBitmapTextButton* offButton() const { return off_; }
  QPushButton* showCodeButton() const { return showCode_; }
  CMyStatic* modeValue() const { return mode_; }
  CMyStatic* timeValue() const { return time_; }
  CMyStatic* codeValue() const { return code_; }
  CMyStatic* deviceNameValue() const { return deviceName_; }
  // Timer 1's tick (the clock).
  void OnClockTick();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* AddLabel(const std::string& text, int x, int y, int width, bool heading = false);
  CMyStatic* AddValue(int x, int y);
  void Redraw();

  WindowServices& services_;
  ConnectionPageModel model_;
  QTimer clock_;
  CBitmapTextButton* on_;
  CBitmapTextButton* off_;
  CMyStatic* mode_;
  CMyStatic* time_;
  QLabel* codeLabel_;
  CMyStatic* code_;
  QPushButton* showCode_;
  CMyStatic* computerName_;
  CMyStatic* lan_;
  CMyStatic* internet_;
  CMyStatic* deviceName_;
  CMyStatic* deviceIp_;
};

}  // namespace vantaro::ui::qt
