#pragma once
// The General settings page: a column taller than its place, scrolled by the Settings page.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "ui/general_page_model.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class GeneralPageView : public QWidget {
 public:
  // `onSecurityChanged` runs after the security login or the code changed (the Connection page
  // shows the code).
  GeneralPageView(WindowServices& services, int width, std::function<void()> onSecurityChanged,
                  QWidget* parent);
  const GeneralPageModel& model() const { return model_; }
  QCheckBox* startupLogin() const { return startup_; }
  QCheckBox* securityLogin() const { return security_; }
  QLineEdit* portBox() const { return port_; }
  QPushButton* applyButton() const { return apply_; }
  QPushButton* defaultButton() const { return default_; }
  QLineEdit* codeBox() const { return code_; }
  QLineEdit* confirmBox() const { return confirm_; }
  QLabel* codeTick() const { return codeTick_; }
  QLabel* confirmTick() const { return confirmTick_; }
  QPushButton* energySaverButton() const { return energy_; }

 private:
  void UpdateTicks();

  WindowServices& services_;
  GeneralPageModel model_;
  std::function<void()> onSecurityChanged_;
  QCheckBox* startup_;
  QLineEdit* port_;
  QPushButton* apply_;
  QPushButton* default_;
  QCheckBox* security_;
  QLineEdit* code_;
  QLineEdit* confirm_;
  QLabel* codeTick_;
  QLabel* confirmTick_;
  QPushButton* energy_;
};

}  // namespace vantaro::ui::qt
