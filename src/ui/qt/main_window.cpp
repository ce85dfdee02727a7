#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "app/app_state.h"
#include "platform/escaped_text.h"
#include "ui/qt/bitmap_text_button.h"
#include "ui/qt/connection_page.h"
#include "ui/qt/more_page.h"
#include "ui/qt/pictures.h"
#include "ui/qt/settings_page.h"

namespace vantaro::ui::qt {

namespace {

QString Q(const std::string& text) {
  // "\r\n" in the texts is a line break.
  QString s = QString::fromStdString(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return s;
}

}  // namespace

CTalvenServer_WinDlg::CTalvenServer_WinDlg(WindowServices& services, std::function<void()> onExit)
    : services_(services),
      onExit_(std::move(onExit)),
      model_(services.startedHidden),
      versionCheck_(services.texts, services.http, services.currentVersion, services.latestVersion),
      lastStatus_(services.connectionStatus()) {
  const app::Texts& t = services.texts;
  setWindowTitle(Q(t.txtWindowTitle));
  setWindowIcon(AppIcon());
  setFixedSize(kWindowWidth, kWindowHeight);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

  const std::string* captions[3] = {&t.txtTabConnection, &t.txtTabSettings, &t.txtTabMore};
  for (int i = 0; i < 3; ++i) {
    tabs_[i] = new CBitmapTextButton(this);
    tabs_[i]->setText(Q(*captions[i]));
    // Wider captions (a translation) widen the tabs evenly around the middle one.
    tabs_[i]->setGeometry(kTabLefts[static_cast<size_t>(i)], kTabTop, kTabWidth, kTabHeight);
    Page page = static_cast<Page>(i);
    connect(tabs_[i], &QAbstractButton::clicked, this, [this, page] { SelectPage(page); });
  }
  int widest = kTabWidth;
  for (auto* tab : tabs_) widest = std::max(widest, tab->sizeHint().width());
  if (widest > kTabWidth) {
    int left = (kWindowWidth - 3 * widest) / 2;
    for (int i = 0; i < 3; ++i) tabs_[i]->setGeometry(left + i * widest, kTabTop, widest, kTabHeight);
  }

  const QRect pageRect(kPageRect.left, kPageRect.top, kPageRect.width, kPageRect.height);
  connection_ = new ConnectionPageView(services_, this);
  settings_ = new SettingsPageView(services_, model_, [this] { connection_->RefreshSecurityCode(); }, this);
  more_ = new MorePageView(services_, model_, [this] { CheckForUpdate(); }, this);
  for (QWidget* page : std::initializer_list<QWidget*>{connection_, settings_, more_})
    page->setGeometry(pageRect);
  SelectPage(Page::kConnection);

  trayMenu_ = std::make_unique<QMenu>();
  connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this] { RebuildTrayMenu(); });
  RebuildTrayMenu();
  tray_ = std::make_unique<QSystemTrayIcon>(AppIcon());
  tray_->setToolTip(Q(t.txtTrayTip).left(127));
  tray_->setContextMenu(trayMenu_.get());
  connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) ShowMainWindow();
  });
}

CTalvenServer_WinDlg::~CTalvenServer_WinDlg() {
  if (tray_) tray_->hide();
}

void CTalvenServer_WinDlg::Start() {
  tray_->show();
  if (!services_.startedHidden) {
    show();
    return;
  }
  if (!TrayAvailable()) {
    // Hidden with no icon would leave no way back but a second copy.
    std::fprintf(stderr, "vantaro: no notification area; the window starts minimised instead\n");
    noTrayNoted_ = true;
    showMinimized();
  }
}

bool CTalvenServer_WinDlg::TrayAvailable() const {
  return tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void CTalvenServer_WinDlg::SelectPage(Page page) {
  model_.SelectPage(page);
  connection_->setVisible(page == Page::kConnection);
  settings_->setVisible(page == Page::kSettings);
  more_->setVisible(page == Page::kMore);
  for (int i = 0; i < 3; ++i) {
    MainWindowModel::TabLook look = model_.Tab(static_cast<Page>(i));
    tabs_[i]->SetLook(look.lit, look.darkCaption);
  }
  // The focus lets the wheel reach the General page's scrolling.
  if (page == Page::kSettings && model_.flags().generalSubPageShown) settings_->setFocus();
  if (page == Page::kMore) more_->setFocus();
  update();
}

void CTalvenServer_WinDlg::ShowMainWindow() {
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect area = screen ? screen->geometry() : QRect(0, 0, 0, 0);
  std::optional<Rect> place = model_.ShowPlacement(area.width(), area.height(), frameGeometry().width(),
                                                    frameGeometry().height());
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  if (place) move(area.left() + place->left, area.top() + place->top);
  raise();
  activateWindow();
  if (model_.flags().settingsPageShown && model_.flags().generalSubPageShown) settings_->setFocus();
}

void CTalvenServer_WinDlg::HideToTray() {
  if (TrayAvailable()) {
    hide();
    return;
  }
  if (!noTrayNoted_) {
    std::fprintf(stderr, "vantaro: no notification area; closing the window minimises it\n");
    noTrayNoted_ = true;
  }
  showMinimized();
}

void CTalvenServer_WinDlg::closeEvent(QCloseEvent* event) {
  if (exiting_) {
    event->accept();
    return;
  }
  event->ignore();
  HideToTray();
}

void CTalvenServer_WinDlg::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayAvailable())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
}

void CTalvenServer_WinDlg::RebuildTrayMenu() {
  trayMenu_->clear();
  for (const TrayMenuItem& item : TrayMenuItems(services_.texts, services_.connectionStatus())) {
    if (item.command == TrayCommand::kSeparator) {
      trayMenu_->addSeparator();
      continue;
    }
    QAction* action = trayMenu_->addAction(Q(item.caption));
    action->setEnabled(item.enabled);
    TrayCommand command = item.command;
    connect(action, &QAction::triggered, this, [this, command] { OnTrayCommand(command); });
  }
}

void CTalvenServer_WinDlg::OnTrayCommand(TrayCommand command) {
  switch (command) {
    case TrayCommand::kPreferences:
      ShowMainWindow();
      if (!model_.flags().settingsPageShown) SelectPage(Page::kSettings);
      break;
    case TrayCommand::kUpdate:
      CheckForUpdate();
      break;
    case TrayCommand::kExit:
      exiting_ = true;
      tray_->hide();
      hide();
      onExit_();
      break;
    default:
      break;
  }
}

void CTalvenServer_WinDlg::OnStatusChanged(int32_t status, const ConnectionFacts& facts) {
  connection_->ApplyStatus(status, facts);
  if (status == app::kStatusConnected || status == app::kStatusConnectedWithCode) lastDevice_ = facts;
  std::optional<Notification> n = NotificationFor(services_.windowTexts, lastStatus_, status, lastDevice_);
  lastStatus_ = status;
  if (n) Notify(*n);
  if (trayMenu_->isVisible()) RebuildTrayMenu();
}

void CTalvenServer_WinDlg::Notify(const Notification& n) {
  if (tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages())
    tray_->showMessage(Q(n.title), Q(n.body), QSystemTrayIcon::Information, 8000);
  // The device chose its own name: no control characters reach the terminal.
  std::fprintf(stderr, "vantaro: %s: %s\n", n.title.c_str(), platform::EscapedForLog(n.body).c_str());
}

void CTalvenServer_WinDlg::ShowMessage(const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), Q(text), QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void CTalvenServer_WinDlg::CheckForUpdate() {
  versionCheck_.CheckForUpdate(services_.versionUrl, [this](const VersionReport& report) {
    lastReport_ = report;
    if (reportSink_)
      reportSink_(report);
    else
      ShowReport(report);
  });
}

void CTalvenServer_WinDlg::ShowReport(const VersionReport& report) {
  const bool question = report.kind == VersionReport::Kind::kNewVersion;
  auto* box = new QMessageBox(question ? QMessageBox::Question : QMessageBox::Information,
                              windowTitle(), Q(report.message),
                              question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                              isVisible() ? this : nullptr);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [](int result) {
    if (result == QMessageBox::Yes) QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
  });
  box->open();
}

void CTalvenServer_WinDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintWindowBackground(painter, rect());
}

}  // namespace vantaro::ui::qt
