#include "ui/general_page_model.h"

#include <gtest/gtest.h>

#include "app/security_code.h"
#include "ui/scroll_model.h"
#include "ui_fakes.h"

namespace vantaro::ui {
namespace {

TEST(SecurityCodeTest, ValidityByLengthAndAlphabet) {
  struct Case {
    const char* code;
    bool valid;
  };
  for (Case c : {Case{"ab12", true}, Case{"abc", false}, Case{"abIc", false}, Case{"ab c", false},
                 Case{"ab\xC3\xA9", false}, Case{"ZZZZZZZZZZ", true}, Case{"", false},
                 Case{"gggg", true}, Case{"ab-1", false}}) {
    EXPECT_EQ(app::IsValidSecurityCode(c.code), c.valid) << c.code;
  }
}

struct Fixture {
  Fixture() {
    settings.values = {true, true, "", "5868"};
    model.Init();
  }
  RecordingGeneralSettings settings;
  GeneralPageModel model{settings};
};

TEST(GeneralPageModelTest, CodeAndConfirmation) {
  Fixture f;
  f.model.OnCodeChanged("ab12");
  EXPECT_TRUE(f.model.codeTickShown());
  f.model.OnCodeChanged("ab1");
  EXPECT_FALSE(f.model.codeTickShown());
  f.model.OnCodeChanged("Ab3x");
  f.model.OnConfirmChanged("Ab3");
  EXPECT_FALSE(f.model.confirmTickShown());
  EXPECT_EQ(f.settings.saves, 0);
  f.model.OnConfirmChanged("Ab3x");
  EXPECT_TRUE(f.model.confirmTickShown());
  EXPECT_EQ(f.settings.saved.securityCode, "Ab3x");

  // Editing the first box keeps the confirmed code in force until the second box changes.
  f.model.OnCodeChanged("Ab3xy");
  EXPECT_TRUE(f.model.confirmTickShown());
  EXPECT_EQ(f.settings.values.securityCode, "Ab3x");

  // One more character in the confirmation: the in-memory code is empty, the stored one stays.
  int saves = f.settings.saves;
  f.model.OnConfirmChanged("Ab3xz");
  EXPECT_FALSE(f.model.confirmTickShown());
  EXPECT_EQ(f.settings.values.securityCode, "");
  EXPECT_EQ(f.settings.saves, saves);
  EXPECT_EQ(f.settings.saved.securityCode, "Ab3x");

  // Confirmation is case-sensitive, and an invalid code can never be confirmed.
  f.model.OnCodeChanged("abcd");
  f.model.OnConfirmChanged("ABCD");
  EXPECT_FALSE(f.model.confirmTickShown());
  f.model.OnCodeChanged("abI1");
  f.model.OnConfirmChanged("abI1");
  EXPECT_FALSE(f.model.confirmTickShown());
}

TEST(GeneralPageModelTest, SecurityLoginTogglesTheBoxesAndSaves) {
  Fixture f;
  f.settings.values.securityCode = "Ab3x";
  f.model.OnSecurityLogin(false);
  EXPECT_FALSE(f.model.codeBoxesEnabled());
  EXPECT_EQ(f.settings.saved.securityCode, "") << "stored empty while not required";
  EXPECT_FALSE(f.settings.saved.securityLogin);
  f.model.OnSecurityLogin(true);
  EXPECT_TRUE(f.model.codeBoxesEnabled());
  EXPECT_EQ(f.settings.saved.securityCode, "Ab3x") << "the code held in memory returns";
}

TEST(GeneralPageModelTest, InitFillsBoxesOnlyWithAUsableCode) {
  struct Case {
    const char* name;
    GeneralValues values;
    std::string code;
  };
  for (const Case& c : {Case{"on, long code", {false, true, "Ab3x9Q", "6000"}, "Ab3x9Q"},
                        Case{"on, short code", {false, true, "abc", "6000"}, ""},
                        Case{"off", {false, false, "Ab3x9Q", "6000"}, ""}}) {
    RecordingGeneralSettings settings;
    settings.values = c.values;
    GeneralPageModel model(settings);
    GeneralPageModel::InitialView v = model.Init();
    EXPECT_EQ(v.code, c.code) << c.name;
    EXPECT_EQ(v.portText, "6000");
    EXPECT_EQ(model.codeBoxesEnabled(), c.values.securityLogin) << c.name;
  }
}

TEST(GeneralPageModelTest, StartupLoginApplyAndDefault) {
  Fixture f;
  f.model.OnStartupLogin(false);
  EXPECT_EQ(f.settings.autoStart, std::vector<bool>{false});
  EXPECT_FALSE(f.settings.saved.autoLogin);
  f.model.OnApply("");
  EXPECT_EQ(f.settings.saved.portText, "") << "stored as typed; the next start uses 5868";
  f.model.OnApply("70x");
  EXPECT_EQ(f.settings.saved.portText, "70x");
  EXPECT_EQ(f.model.OnDefault(), "5868");
  EXPECT_EQ(f.settings.saved.portText, "5868");
}

TEST(PowerSettingsTest, TheRunningDesktopsToolComesFirstThenEveryOther) {
  auto kde = PowerSettingsCommands("KDE");
  ASSERT_FALSE(kde.empty());
  EXPECT_EQ(kde[0], (std::vector<std::string>{"systemsettings", "kcm_powerdevilprofilesconfig"}));
  auto ubuntu = PowerSettingsCommands("ubuntu:GNOME");
  EXPECT_EQ(ubuntu[0], (std::vector<std::string>{"gnome-control-center", "power"}));
  EXPECT_EQ(PowerSettingsCommands("").size(), kde.size()) << "unknown desktops try every tool once";
}

TEST(ScrollModelTest, ActionsAreClampedToTheRange) {
  // (455 - 335) / 30 = 4 units.
  ScrollModel s(455);
  EXPECT_EQ(s.scrollMax(), 4);
  struct Step {
    ScrollCode code;
    int thumb;
    int change;
    int pos;
  };
  const Step steps[] = {
      {ScrollCode::kLineUp, 0, 0, 0},        {ScrollCode::kLineDown, 0, 1, 1},
      {ScrollCode::kPageDown, 0, 3, 4},      {ScrollCode::kLineDown, 0, 0, 4},
      {ScrollCode::kPageUp, 0, -4, 0},       {ScrollCode::kBottom, 0, 4, 4},
      {ScrollCode::kTop, 0, -4, 0},          {ScrollCode::kThumbTrack, 2, 2, 2},
      {ScrollCode::kThumbPosition, 9, 2, 4}, {ScrollCode::kOther, 0, 0, 4},
  };
  for (const Step& st : steps) {
    EXPECT_EQ(s.OnVScroll(st.code, st.thumb), st.change);
    EXPECT_EQ(s.scrollPos(), st.pos);
  }
  EXPECT_EQ(s.OffsetPixels(), 120);
  EXPECT_EQ(s.OnMouseWheel(120, false), 0) << "the wheel only scrolls the General page";
  EXPECT_EQ(s.OnMouseWheel(120, true), -1);
  EXPECT_EQ(s.OnMouseWheel(-120, true), 1);
}

TEST(ScrollModelTest, ShortPagesAndOneUnitPages) {
  for (int height : {100, 335, 364}) {
    ScrollModel s(height);
    EXPECT_EQ(s.OnVScroll(ScrollCode::kPageDown, 0), 0) << height;
    EXPECT_EQ(s.OnVScroll(ScrollCode::kThumbTrack, 3), 0) << height;
  }
  // A page of one unit: page steps still move by one.
  ScrollModel one(365);
  EXPECT_EQ(one.OnVScroll(ScrollCode::kPageDown, 0), 1);
}

}  // namespace
}  // namespace vantaro::ui
