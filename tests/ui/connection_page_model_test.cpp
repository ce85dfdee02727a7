#include "ui/connection_page_model.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "ui/main_window_model.h"

namespace vantaro::ui {
namespace {

struct Fixture {
  Fixture() { app::LoadLanguageTexts(app::kEnglish, texts); }
  app::Texts texts;
  ConnectionFacts facts{"host", "192.168.1.5", "203.0.113.9", "Pixel", "192.168.1.20"};
};

TEST(ConnectionPageModelTest, ClockShowsHoursModulo24) {
  struct Case {
    int64_t seconds;
    const char* text;
  };
  for (Case c : {Case{0, "00:00:00"}, Case{59, "00:00:59"}, Case{3600 + 61, "01:01:01"},
                 Case{25 * 3600 + 3 * 60 + 4, "01:03:04"}, Case{24 * 3600 - 1, "23:59:59"},
                 Case{-5, "00:00:00"}}) {
    EXPECT_EQ(FormatConnectedTime(c.seconds), c.text) << c.seconds;
  }
}

TEST(ConnectionPageModelTest, FieldsFollowTheStatus) {
  Fixture f;
  ConnectionPageModel m(f.texts);
  EXPECT_EQ(m.fields().modeText, "-");
  EXPECT_FALSE(m.serviceOpen());

  m.ApplyStatus(1, f.facts, 1000);
  EXPECT_EQ(m.fields().modeText, f.texts.txtWaitingForDevice);
  EXPECT_EQ(m.fields().computerName, "host");
  EXPECT_EQ(m.fields().lanAddress, "192.168.1.5");
  EXPECT_EQ(m.fields().internetAddress, "203.0.113.9");
  EXPECT_EQ(m.fields().deviceName, "-");
  EXPECT_EQ(m.fields().connectedTime, "--:--:--");
  EXPECT_TRUE(m.onButton().lit);
  EXPECT_FALSE(m.onButton().darkCaption);
  EXPECT_TRUE(m.offButton().darkCaption);

  m.ApplyStatus(4, f.facts, 1000);
  EXPECT_EQ(m.fields().modeText, "Connected");
  EXPECT_EQ(m.fields().deviceName, "Pixel");
  EXPECT_EQ(m.fields().deviceAddress, "192.168.1.20");
  EXPECT_TRUE(m.clockRunning());

  m.ApplyStatus(6, f.facts, 1010);
  EXPECT_EQ(m.fields().modeText, "Remote desktop");
  m.Tick(1000 + 25 * 3600 + 3 * 60 + 4);
  EXPECT_EQ(m.fields().connectedTime, "01:03:04");

  // The end of a mode shows Connected again while the clock keeps running.
  m.ApplyStatus(11, f.facts, 1100);
  EXPECT_EQ(m.fields().modeText, "Connected");
  m.Tick(1100);
  EXPECT_EQ(m.fields().connectedTime, "00:01:40");

  // The end of the session stops the clock.
  m.ApplyStatus(12, f.facts, 1200);
  EXPECT_FALSE(m.clockRunning());
  m.Tick(1300);
  EXPECT_EQ(m.fields().connectedTime, "--:--:--");
  EXPECT_EQ(m.fields().deviceName, "-");
  EXPECT_EQ(m.fields().modeText, f.texts.txtWaitingForDevice);
}

TEST(ConnectionPageModelTest, ClosingClearsEveryFieldAndTheReopenedServiceStopsTheClock) {
  Fixture f;
  ConnectionPageModel m(f.texts);
  m.ApplyStatus(3, f.facts, 10);
  m.ApplyStatus(2, f.facts, 20);
  const ConnectionFields& x = m.fields();
  for (const std::string* value : {&x.modeText, &x.computerName, &x.lanAddress, &x.internetAddress,
                                   &x.deviceName, &x.deviceAddress})
    EXPECT_EQ(*value, "-");
  EXPECT_EQ(x.connectedTime, "--:--:--");
  EXPECT_FALSE(m.onButton().lit);
  EXPECT_TRUE(m.offButton().lit);
  EXPECT_FALSE(m.offButton().darkCaption);

  // A session that goes straight to waiting (the service reopened) does not keep counting.
  m.ApplyStatus(3, f.facts, 30);
  m.ApplyStatus(1, f.facts, 40);
  m.Tick(50);
  EXPECT_EQ(m.fields().connectedTime, "--:--:--");
}

TEST(ConnectionPageModelTest, SecurityCodeIsMaskedUntilRevealedAndHiddenWithoutSecurityLogin) {
  Fixture f;
  ConnectionPageModel m(f.texts);
  m.SetSecurityCode(true, "Ab3x9Q");
  EXPECT_TRUE(m.codeRowShown());
  EXPECT_EQ(m.CodeText().find("Ab3x9Q"), std::string::npos);
  m.ToggleCodeRevealed();
  EXPECT_EQ(m.CodeText(), "Ab3x9Q");
  m.SetSecurityCode(false, "");
  EXPECT_FALSE(m.codeRowShown());
  EXPECT_FALSE(m.codeRevealed()) << "turning it on again starts masked";
}

TEST(TrayMenuTest, FirstItemFollowsTheStatusAndTheOrderIsFixed) {
  Fixture f;
  for (int32_t status : {1, 12}) EXPECT_EQ(TrayStatusCaption(f.texts, status), "Server:Open");
  EXPECT_EQ(TrayStatusCaption(f.texts, 2), "Server:Close");
  for (int32_t status : {3, 4, 5, 6, 7, 8, 11, 13})
    EXPECT_EQ(TrayStatusCaption(f.texts, status), "Server:Connected") << status;

  std::vector<TrayMenuItem> items = TrayMenuItems(f.texts, 2);
  std::vector<TrayCommand> order;
  for (const TrayMenuItem& i : items) order.push_back(i.command);
  EXPECT_EQ(order, (std::vector<TrayCommand>{TrayCommand::kStatus, TrayCommand::kPreferences,
                                             TrayCommand::kSeparator, TrayCommand::kUpdate,
                                             TrayCommand::kSeparator, TrayCommand::kExit}));
  EXPECT_FALSE(items[0].enabled);
  EXPECT_EQ(items[1].caption, "Preferences...");
  EXPECT_EQ(items[3].caption, "Update App...");
  EXPECT_EQ(items[5].caption, "Exit");
}

TEST(MainWindowModelTest, TabsFlagsAndPlacement) {
  MainWindowModel m(true);
  EXPECT_EQ(m.page(), Page::kConnection);
  EXPECT_TRUE(m.Tab(Page::kConnection).lit);
  EXPECT_FALSE(m.Tab(Page::kConnection).darkCaption);
  EXPECT_TRUE(m.Tab(Page::kSettings).darkCaption);

  m.SelectPage(Page::kMore);
  EXPECT_TRUE(m.flags().morePageShown);
  EXPECT_FALSE(m.flags().settingsPageShown);
  m.OnPreferences();
  EXPECT_EQ(m.page(), Page::kSettings);
  EXPECT_TRUE(m.flags().settingsPageShown);
  m.SelectSettingsSubPage(SettingsSubPage::kCameraRecorder);
  m.OnPreferences();
  EXPECT_EQ(m.settingsSubPage(), SettingsSubPage::kCameraRecorder) << "Preferences keeps the sub-page";
  EXPECT_TRUE(m.flags().cameraSubPageShown);
  EXPECT_FALSE(m.flags().generalSubPageShown);

  // After a hidden start the first showing is centred, later ones keep the user's place.
  auto first = m.ShowPlacement(1921, 1080, 646, 425);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->left, 637);
  EXPECT_EQ(first->top, 327);
  EXPECT_FALSE(m.ShowPlacement(1921, 1080, 646, 425));
  EXPECT_FALSE(MainWindowModel(false).ShowPlacement(1920, 1080, 640, 400));
}

TEST(NotificationTest, OnlyArrivalsAndDeparturesAreAnnounced) {
  WindowTexts texts = LoadWindowTexts(app::kEnglish);
  ConnectionFacts device{"", "", "", "Pixel", "192.168.1.20"};
  auto in = NotificationFor(texts, 1, 3, device);
  ASSERT_TRUE(in);
  EXPECT_EQ(in->title, "Device connected");
  EXPECT_EQ(in->body, "Pixel (192.168.1.20) is connected to this computer");
  EXPECT_FALSE(NotificationFor(texts, 3, 6, device)) << "a mode change is no news";
  EXPECT_FALSE(NotificationFor(texts, 12, 1, device));
  for (int32_t end : {12, 2}) {
    auto out = NotificationFor(texts, 6, end, device);
    ASSERT_TRUE(out) << end;
    EXPECT_EQ(out->body, "Pixel (192.168.1.20) has disconnected");
  }
}

}  // namespace
}  // namespace vantaro::ui
