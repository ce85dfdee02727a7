// The window's widgets on Qt's off-screen platform: what a user's clicks and typing do.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWheelEvent>
#include <thread>

#include "ui/qt/bitmap_text_button.h"
#include "ui/qt/camera_recorder_page.h"
#include "ui/qt/connection_page.h"
#include "ui/qt/file_manager_page.h"
#include "ui/qt/general_page.h"
#include "ui/qt/hyper_link.h"
#include "ui/qt/more_page.h"
#include "ui/qt/settings_page.h"
#include "window_fixture.h"

using namespace vantaro::ui;
using namespace vantaro::ui::qt;

// Serves one canned answer per connection on 127.0.0.1, or holds the connection without a word.
class PageServer : public QObject {
 public:
  explicit PageServer(QByteArray answer, bool hang = false) : answer_(std::move(answer)), hang_(hang) {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        held_.push_back(s);
        if (hang_) continue;
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
          request_ += s->readAll();
          if (!request_.contains("\r\n\r\n")) return;
          s->write(answer_);
          s->disconnectFromHost();
        });
      }
    });
  }
  QString Url() const {
    return QStringLiteral("http://127.0.0.1:%1/versionDetecting.htm").arg(server_.serverPort());
  }
  QByteArray request_;

 private:
  QTcpServer server_;
  QByteArray answer_;
  bool hang_;
  std::vector<QTcpSocket*> held_;
};

QByteArray HttpAnswer(const QByteArray& body, int status = 200) {
  return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: text/html\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

class WindowWidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void tabsShowOnePageAndSetTheFlags() {
    WindowFixture f;
    auto& w = *f.window;
    QVERIFY(w.connectionPage()->isVisibleTo(&w));
    QVERIFY(!w.tab(Page::kConnection)->darkCaption());
    QTest::mouseClick(w.tab(Page::kSettings), Qt::LeftButton);
    QVERIFY(w.settingsPage()->isVisibleTo(&w));
    QVERIFY(!w.connectionPage()->isVisibleTo(&w));
    QVERIFY(!w.morePage()->isVisibleTo(&w));
    QVERIFY(w.model().flags().settingsPageShown);
    QVERIFY(w.tab(Page::kConnection)->darkCaption());
    QVERIFY(!w.tab(Page::kSettings)->darkCaption());
    QCOMPARE(w.tab(Page::kSettings)->CaptionColour(), QColor(Qt::white));
    QTest::mouseClick(w.tab(Page::kMore), Qt::LeftButton);
    QVERIFY(w.model().flags().morePageShown);
    QVERIFY(!w.model().flags().settingsPageShown);

    // The More page keeps its last sub-page; only one is visible.
    QTest::mouseClick(w.morePage()->subPageButton(MoreSubPage::kAbout), Qt::LeftButton);
    QTest::mouseClick(w.tab(Page::kConnection), Qt::LeftButton);
    QTest::mouseClick(w.tab(Page::kMore), Qt::LeftButton);
    QVERIFY(w.morePage()->about()->isVisibleTo(&w));
    QVERIFY(!w.morePage()->support()->isVisibleTo(&w));
    QCOMPARE(w.size(), QSize(640, 400));
  }

  void trayMenuFollowsTheStatus() {
    WindowFixture f;
    struct Case {
      int32_t status;
      const char* caption;
    };
    for (Case c : {Case{2, "Server:Close"}, Case{1, "Server:Open"}, Case{12, "Server:Open"},
                   Case{3, "Server:Connected"}, Case{13, "Server:Connected"}}) {
      f.status = c.status;
      f.window->RebuildTrayMenu();
      QList<QAction*> actions = f.window->trayMenu()->actions();
      QCOMPARE(actions.size(), 6);
      QCOMPARE(actions[0]->text(), QString::fromUtf8(c.caption));
      QVERIFY(!actions[0]->isEnabled());
      QCOMPARE(actions[1]->text(), QStringLiteral("Preferences..."));
      QVERIFY(actions[2]->isSeparator());
      QCOMPARE(actions[3]->text(), QStringLiteral("Update App..."));
      QVERIFY(actions[4]->isSeparator());
      QCOMPARE(actions[5]->text(), QStringLiteral("Exit"));
    }
    // Preferences opens the Settings page; Exit hands over to the program's end.
    f.window->trayMenu()->actions()[1]->trigger();
    QVERIFY(f.window->model().flags().settingsPageShown);
    f.window->trayMenu()->actions()[5]->trigger();
    QCOMPARE(f.exits, 1);
    QVERIFY(!f.window->trayIcon()->isVisible());
  }

  void connectionPageClockButtonsAndCode() {
    WindowFixture f;
    ConnectionPageView* page = f.window->connectionPage();
    QCOMPARE(page->modeValue()->text(), QStringLiteral("-"));
    QVERIFY(page->offButton()->lit());
    QTest::mouseClick(page->onButton(), Qt::LeftButton);
    QCOMPARE(f.opens, 1);
    f.window->OnStatusChanged(1, f.facts);
    QVERIFY(page->onButton()->lit());
    QVERIFY(!page->onButton()->darkCaption());
    f.window->OnStatusChanged(3, f.facts);
    QCOMPARE(page->deviceNameValue()->text(), QStringLiteral("Pixel"));
    f.now += 25 * 3600 + 3 * 60 + 4;
    page->OnClockTick();
    QCOMPARE(page->timeValue()->text(), QStringLiteral("01:03:04"));
    f.window->OnStatusChanged(12, f.facts);
    page->OnClockTick();
    QCOMPARE(page->timeValue()->text(), QStringLiteral("--:--:--"));
    QTest::mouseClick(page->offButton(), Qt::LeftButton);
    QCOMPARE(f.closes, 1);

    QVERIFY(!page->codeValue()->text().contains("Ab3x9Q"));
    QTest::mouseClick(page->showCodeButton(), Qt::LeftButton);
    QCOMPARE(page->codeValue()->text(), QStringLiteral("Ab3x9Q"));
    QCOMPARE(page->showCodeButton()->text(), QStringLiteral("Hide"));
  }

  void generalCodeAndConfirm_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<bool>("codeTick");
    QTest::addColumn<bool>("confirmTick");
    QTest::addColumn<QString>("inForce");
    QTest::newRow("four characters") << "ab12" << "ab12" << true << true << "ab12";
    QTest::newRow("three characters") << "ab1" << "ab1" << false << false << "";
    QTest::newRow("capital I") << "abI1" << "abI1" << false << false << "";
    QTest::newRow("space") << "ab 1" << "ab 1" << false << false << "";
    QTest::newRow("accented letter") << QString::fromUtf8("ab\xC3\xA9z") << QString::fromUtf8("ab\xC3\xA9z")
                                     << false << false << "";
    QTest::newRow("confirmation differs in case") << "abcd" << "ABCD" << true << false << "";
    QTest::newRow("one more character") << "abcd" << "abcde" << true << false << "";
  }

  void generalCodeAndConfirm() {
    QFETCH(QString, code);
    QFETCH(QString, confirm);
    QFETCH(bool, codeTick);
    QFETCH(bool, confirmTick);
    QFETCH(QString, inForce);
    WindowFixture f;
    GeneralPageView* g = f.window->settingsPage()->general();
    // The stored code starts in both boxes with both ticks.
    QCOMPARE(g->codeBox()->text(), QStringLiteral("Ab3x9Q"));
    QVERIFY(g->codeTick()->isVisibleTo(g));
    QVERIFY(g->confirmTick()->isVisibleTo(g));
    // Typed key by key where the test keyboard can; inserted whole otherwise.
    auto type = [](QLineEdit* box, const QString& text) {
      box->clear();
      bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
      if (ascii)
        QTest::keyClicks(box, text);
      else
        box->insert(text);
    };
    type(g->codeBox(), code);
    type(g->confirmBox(), confirm);
    QCOMPARE(g->codeTick()->isVisibleTo(g), codeTick);
    QCOMPARE(g->confirmTick()->isVisibleTo(g), confirmTick);
    QCOMPARE(QString::fromStdString(f.general.values.securityCode), inForce);
    if (confirmTick) QCOMPARE(QString::fromStdString(f.general.saved.securityCode), inForce);
  }

  void generalSecurityLoginPortAndPower() {
    WindowFixture f;
    GeneralPageView* g = f.window->settingsPage()->general();
    QTest::mouseClick(g->securityLogin(), Qt::LeftButton);
    QVERIFY(!g->codeBox()->isEnabled());
    QVERIFY(!g->confirmBox()->isEnabled());
    QVERIFY(!f.general.saved.securityLogin);
    QCOMPARE(f.general.saved.securityCode, std::string());
    QVERIFY(!f.window->connectionPage()->showCodeButton()->isVisibleTo(f.window.get()));

    g->portBox()->setText("");
    QTest::mouseClick(g->applyButton(), Qt::LeftButton);
    QCOMPARE(f.general.saved.portText, std::string());
    g->portBox()->setText("70000");
    QTest::mouseClick(g->applyButton(), Qt::LeftButton);
    QCOMPARE(f.general.saved.portText, std::string("70000"));
    QTest::mouseClick(g->defaultButton(), Qt::LeftButton);
    QCOMPARE(g->portBox()->text(), QStringLiteral("5868"));
    QCOMPARE(f.general.saved.portText, std::string("5868"));

    QTest::mouseClick(g->startupLogin(), Qt::LeftButton);
    QCOMPARE(f.general.autoStart, std::vector<bool>{false});
    QTest::mouseClick(g->energySaverButton(), Qt::LeftButton);
    QCOMPARE(f.powerOpens, 1);
  }

  void settingsWheelScrollsOnlyTheGeneralPage() {
    WindowFixture f;
    f.window->SelectPage(Page::kSettings);
    SettingsPageView* s = f.window->settingsPage();
    QVERIFY(s->scroll().scrollMax() > 0);
    auto wheel = [s](int dy) {
      QWheelEvent e(QPointF(200, 100), s->mapToGlobal(QPointF(200, 100)), QPoint(), QPoint(0, dy),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(s, &e);
    };
    wheel(-120);
    QCOMPARE(s->general()->y(), -30);
    QCOMPARE(s->scrollBar()->value(), 1);
    wheel(120);
    wheel(120);
    QCOMPARE(s->general()->y(), 0);
    s->scrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(s->general()->y(), -30 * s->scroll().scrollMax());
    QTest::mouseClick(s->subPageButton(SettingsSubPage::kFileManager), Qt::LeftButton);
    QVERIFY(!s->scrollBar()->isVisibleTo(s));
    wheel(120);
    // the position persists
    QCOMPARE(s->general()->y(), -30 * s->scroll().scrollMax());
  }

  void fileManagerEdits() {
    WindowFixture f;
    f.folders.folders = {{"Z:\\home\\ann\\Videos", false}, {"", false}};
    FileManagerPageView page(*f.services, nullptr);
    QCOMPARE(page.list()->count(), 2);
    QCOMPARE(page.list()->item(1)->text(), QString());
    std::optional<QString> choice = QStringLiteral("/home/ann/Music");
    page.SetFolderChooser([&choice] { return choice; });
    QString opened;
    page.SetFolderOpener([&opened](const QString& p) { opened = p; return true; });

    QTest::mouseClick(page.addButton(), Qt::LeftButton);
    QCOMPARE(page.list()->item(2)->text(), QStringLiteral("Music"));
    QCOMPARE(f.folders.folders.back().path, std::string("Z:\\home\\ann\\Music"));
    choice = QStringLiteral("/");
    QTest::mouseClick(page.addButton(), Qt::LeftButton);
    QCOMPARE(page.list()->item(3)->text(), QStringLiteral("Z:\\"));
    choice.reset();
    size_t saves = f.folders.saves.size();
    QTest::mouseClick(page.addButton(), Qt::LeftButton);
    // a cancelled choice still saves
    QCOMPARE(f.folders.saves.size(), saves + 1);
    QCOMPARE(page.list()->count(), 4);

    page.OpenEntry(2);
    QCOMPARE(opened, QStringLiteral("/home/ann/Music"));

    page.list()->setCurrentRow(2);
    QVERIFY(page.readOnlyButton()->isEnabled());
    QVERIFY(page.readWriteButton()->isChecked());
    QTest::mouseClick(page.readOnlyButton(), Qt::LeftButton);
    QVERIFY(f.folders.folders[2].readOnly);

    page.list()->setCurrentRow(-1);
    QVERIFY(!page.readOnlyButton()->isEnabled());
    QTest::mouseClick(page.removeButton(), Qt::LeftButton);
    // nothing selected removes the first
    QCOMPARE(f.folders.folders.front().path, std::string(""));
    QCOMPARE(page.list()->count(), 3);
    // the mark moved up with its folder
    QVERIFY(f.folders.folders[1].readOnly);
    while (page.list()->count() > 0) QTest::mouseClick(page.removeButton(), Qt::LeftButton);
    saves = f.folders.saves.size();
    QTest::mouseClick(page.removeButton(), Qt::LeftButton);
    QCOMPARE(f.folders.saves.size(), saves + 1);
    QVERIFY(f.folders.folders.empty());
  }

  void cameraRecorderPreviewRunsOnlyOnScreen() {
    WindowFixture f;
    CameraRecorderPageView* cam = f.window->settingsPage()->cameraRecorder();
    QCOMPARE(cam->videoList()->count(), 2);
    QCOMPARE(cam->audioList()->itemText(0), QStringLiteral("Mic 1"));
    cam->OnCameraTimer();
    QVERIFY(!cam->previewRunning());
    f.window->SelectPage(Page::kSettings);
    QTest::mouseClick(f.window->settingsPage()->subPageButton(SettingsSubPage::kCameraRecorder),
                      Qt::LeftButton);
    cam->OnCameraTimer();
    cam->OnAudioTimer();
    QVERIFY(cam->previewRunning());
    QCOMPARE(f.capture.previewIndex, 0);

    // A frame and a level from a capture thread reach the widgets on this thread.
    std::thread([&f] {
      PreviewFrame frame{4, 2, std::vector<uint8_t>(4 * 2 * 3, 200)};
      f.capture.Frame(frame);
      f.capture.Frame(PreviewFrame{4, 2, std::vector<uint8_t>(5, 0)});  // short: dropped
      f.capture.Level(700);
    }).join();
    QTRY_COMPARE(cam->preview()->frame().size(), QSize(4, 2));
    QTRY_COMPARE(cam->levelMeter()->value(), 480);

    cam->videoList()->setCurrentIndex(1);
    // another camera stops the preview at once
    QVERIFY(!cam->previewRunning());
    cam->OnCameraTimer();
    QCOMPARE(f.capture.previewIndex, 1);
    f.window->SelectPage(Page::kConnection);
    cam->OnCameraTimer();
    QVERIFY(!cam->previewRunning());
  }

  void linkThatCannotOpenReports() {
    CHyperLink link(QString(), QStringLiteral("mailto:support@vantaro.example"));
    QCOMPARE(link.text(), QStringLiteral("mailto:support@vantaro.example"));
    QCOMPARE(link.toolTip(), QStringLiteral("mailto:support@vantaro.example"));
    QString report;
    link.SetOpener([](const QString&) { return false; });
    link.SetErrorReporter([&report](const QString& r) { report = r; });
    link.Open();
    QVERIFY(report.startsWith("Unable to open hyperlink:\n\n"));
    QVERIFY(!link.model().visited());
    link.SetOpener([](const QString&) { return true; });
    link.Open();
    QVERIFY(link.model().visited());
    QCOMPARE(link.palette().color(QPalette::WindowText), QColor(85, 26, 139));
  }

  void versionCheckAgainstALocalServer_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("latest");
    QTest::newRow("2.3 is newer") << HttpAnswer("<p>talvenserver_win=2.3</p>\n") << int(VersionReport::Kind::kNewVersion) << "2.3";
    QTest::newRow("2.2 is not") << HttpAnswer("talvenserver_win=2.2<br>") << int(VersionReport::Kind::kNewest) << "2.2";
    QTest::newRow("2.1 is not") << HttpAnswer("talvenserver_win=2.1<br>") << int(VersionReport::Kind::kNewest) << "2.1";
    QTest::newRow("no key") << HttpAnswer("<html>nothing</html>") << int(VersionReport::Kind::kNewest) << "2.2";
    QTest::newRow("key without <") << HttpAnswer("talvenserver_win=2.9\n") << int(VersionReport::Kind::kNewest) << "";
    QTest::newRow("not found") << HttpAnswer("talvenserver_win=2.9<", 404) << int(VersionReport::Kind::kNewest) << "2.2";
  }

  void versionCheckAgainstALocalServer() {
    QFETCH(QByteArray, answer);
    QFETCH(int, kind);
    QFETCH(QString, latest);
    WindowFixture f;
    PageServer server(answer);
    f.services->versionUrl = server.Url().toStdString();
    std::vector<VersionReport> reports;
    f.window->SetReportSink([&reports](const VersionReport& r) { reports.push_back(r); });
    // Through the About page's button, as the user would.
    QTest::mouseClick(f.window->morePage()->updateButton(), Qt::LeftButton);
    QTRY_COMPARE(reports.size(), size_t(1));
    QCOMPARE(int(reports[0].kind), kind);
    QCOMPARE(QString::fromStdString(f.latest), latest);
    QVERIFY(server.request_.startsWith("GET /versionDetecting.htm HTTP/1.1\r\n"));
    if (kind == int(VersionReport::Kind::kNewVersion))
      QVERIFY(QString::fromStdString(reports[0].message).contains("2.3 is released"));
  }

  void versionCheckFailures() {
    vantaro::app::Texts texts;
    vantaro::app::LoadLanguageTexts(vantaro::app::kEnglish, texts);
    QtHttpGetter getter;
    std::string latest = "2.2";
    VersionCheck check(texts, getter, "2.2", latest, 300);
    std::vector<VersionReport> reports;
    auto run = [&](const QString& url) {
      reports.clear();
      QVERIFY(check.CheckForUpdate(url.toStdString(), [&](const VersionReport& r) { reports.push_back(r); }));
      QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(1), 20000);
      QCOMPARE(QString::fromStdString(reports[0].message), QString::fromStdString(texts.txtNetError));
    };
    // A port nobody listens on: bound once, then closed.
    quint16 deadPort;
    {
      QTcpServer probe;
      probe.listen(QHostAddress::LocalHost, 0);
      deadPort = probe.serverPort();
    }
    run(QStringLiteral("http://127.0.0.1:%1/versionDetecting.htm").arg(deadPort));
    PageServer hung(QByteArray(), true);
    run(hung.Url());
    run(QStringLiteral("not an address"));
    QCOMPARE(latest, std::string("2.2"));
  }

  void hiddenStartCentresTheFirstShowing() {
    WindowFixture f(true);
    f.window->Start();
    QVERIFY(!f.window->isVisible() || f.window->isMinimized());
    f.window->ShowMainWindow();
    QVERIFY(f.window->isVisible());
    f.window->hide();
    f.window->move(5, 7);
    f.window->ShowMainWindow();
    QCOMPARE(f.window->pos(), QPoint(5, 7));
  }
};

QTEST_MAIN(WindowWidgetsTest)
#include "window_widgets_test.moc"
