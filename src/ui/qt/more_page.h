#pragma once
// The More page: Support (the project's contact links) and About (logo, name, version, the
// version check, the notice), chosen by two buttons on the left.

#include <QPushButton>
#include <QWidget>
#include <functional>

#include "ui/main_window_model.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class CHyperLink;

class MorePageView : public QWidget {
 public:
  // `onUpdateApp` runs the version check; `model` keeps the sub-page and must outlive the view.
  MorePageView(WindowServices& services, MainWindowModel& model, std::function<void()> onUpdateApp,
               QWidget* parent);
  void ShowSubPage(MoreSubPage sub);
  QWidget* support() const { return support_; }
  QWidget* about() const { return about_; }
  QPushButton* subPageButton(MoreSubPage sub) const { return sub == MoreSubPage::kSupport ? supportButton_ : aboutButton_; }
  QPushButton* updateButton() const { return update_; }
  CHyperLink* mailLink() const { return mail_; }
  CHyperLink* webLink() const { return web_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* BuildSupport(WindowServices& services);
  QWidget* BuildAbout(WindowServices& services, std::function<void()> onUpdateApp);

  MainWindowModel& model_;
  QPushButton* supportButton_;
  QPushButton* aboutButton_;
  QWidget* support_;
  QWidget* about_;
  QPushButton* update_ = nullptr;
  CHyperLink* mail_ = nullptr;
  CHyperLink* web_ = nullptr;
};

}  // namespace vantaro::ui::qt
