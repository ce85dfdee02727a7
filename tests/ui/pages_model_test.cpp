// The File Manager and Camera Recorder pages' rules, the link control and the version check.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/folder_access.h"
#include "app/shared_folders.h"
#include "app/texts.h"
#include "platform/fakes/memory_profile_store.h"
#include "ui/camera_recorder_page_model.h"
#include "ui/file_manager_page_model.h"
#include "ui/hyperlink_model.h"
#include "ui/version_check.h"
#include "ui_fakes.h"

namespace vantaro::ui {
namespace {

using List = std::vector<std::string>;

TEST(FileManagerPageModelTest, AddRemoveAndDisplayNames) {
  RecordingFolders folders;
  FileManagerPageModel m(folders);
  m.Remove(-1);
  ASSERT_EQ(folders.saves.size(), 1u) << "removing from an empty list still rewrites the section";
  EXPECT_TRUE(folders.saves[0].empty());

  m.Add(std::string("D:\\"));
  m.Add(std::string("C:\\Users\\Public\\Music"));
  m.Add(std::string("C:\\Users\\Public\\Music"));
  m.Add(std::nullopt);
  m.Add(std::string(""));
  EXPECT_EQ(folders.saves.size(), 6u) << "a cancelled or empty choice saves too";
  EXPECT_EQ(m.DisplayNames(), (List{"D:\\", "Music", "Music"}));

  EXPECT_EQ(m.Remove(-1), 0) << "nothing selected removes the first";
  EXPECT_EQ(Paths(folders.folders), (List{"C:\\Users\\Public\\Music", "C:\\Users\\Public\\Music"}));
  EXPECT_EQ(m.Remove(1), 1);
  EXPECT_EQ(m.Remove(7), 0) << "a stale selection removes the first";
  EXPECT_TRUE(folders.folders.empty());
  EXPECT_FALSE(m.PathAt(0));
}

TEST(FileManagerPageModelTest, ReadOnlyMarksTravelWithTheirFolders) {
  RecordingFolders folders;
  folders.folders = {{"Z:\\a", false}, {"Z:\\b", false}, {"Z:\\c", false}};
  FileManagerPageModel m(folders);
  m.SetReadOnly(1, true);
  EXPECT_EQ(m.ReadOnlyAt(1), std::optional<bool>(true));
  m.Remove(0);
  EXPECT_EQ(m.ReadOnlyAt(0), std::optional<bool>(true)) << "b moved up with its mark";
  size_t saves = folders.saves.size();
  m.SetReadOnly(5, true);
  m.SetReadOnly(0, true);
  EXPECT_EQ(folders.saves.size(), saves) << "no change, no write";
}

TEST(FileManagerPageModelTest, LocalAndComputerPaths) {
  EXPECT_EQ(ComputerPathOfLocal("/home/ann/Music"), "Z:\\home\\ann\\Music");
  EXPECT_EQ(ComputerPathOfLocal("/"), "Z:\\");
  EXPECT_EQ(ComputerPathOfLocal("//home/./ann/"), "Z:\\home\\ann");
  EXPECT_EQ(LocalPathOfComputer("Z:\\home\\ann"), std::optional<std::string>("/home/ann"));
  EXPECT_EQ(LocalPathOfComputer("z:\\"), std::optional<std::string>("/"));
  EXPECT_FALSE(LocalPathOfComputer("C:\\Users"));
  EXPECT_FALSE(LocalPathOfComputer("Z:\\a\\..\\etc"));
}

TEST(FolderAccessTest, StoredBesideThePathsAndOldFilesKeepFullAccess) {
  platform::MemoryProfileStore store;
  store.Preset(app::kFileConfigSection, {{"path_count", "3"}, {"0", "Z:\\a"}, {"1", "Z:\\b"},
                                         {"2", "Z:\\c"}, {"access_1", "read_only"},
                                         {"access_2", "READ_ONLY"}});
  EXPECT_EQ(app::LoadFolderAccess(store, 4), (std::vector<bool>{false, true, false, false}));
  app::SaveSharedFolders(store, {"Z:\\a", "Z:\\b"});
  app::WriteFolderAccess(store, {true, false});
  EXPECT_EQ(store.Section(app::kFileConfigSection),
            (platform::MemoryProfileStore::Values{{"0", "Z:\\a"}, {"1", "Z:\\b"}, {"path_count", "2"},
                                                  {"access_0", "read_only"},
                                                  {"access_1", "read_write"}}));
}

TEST(CameraRecorderPageModelTest, ListsAndChoices) {
  CameraRecorderPageModel m("None");
  m.Enumerate({"Cam A", "Cam B"}, {});
  EXPECT_EQ(m.videoItems(), (List{"Cam A", "Cam B"}));
  EXPECT_EQ(m.videoInputCount(), 2);
  EXPECT_EQ(m.selectedVideoName(), "Cam A");
  EXPECT_EQ(m.audioItems(), (List{"None"}));
  EXPECT_EQ(m.audioDeviceIndex(), -1);
  EXPECT_FALSE(m.audioInputSelected());

  PageFlags flags;
  EXPECT_FALSE(m.PreviewWanted(flags));
  flags.settingsPageShown = flags.cameraSubPageShown = true;
  EXPECT_TRUE(m.PreviewWanted(flags));
  EXPECT_FALSE(m.MeterWanted(flags));

  EXPECT_TRUE(m.OnVideoInputChanged(1, true)) << "another camera stops the running preview";
  EXPECT_FALSE(m.OnVideoInputChanged(1, true)) << "the same one does not";
  EXPECT_EQ(m.videoIndex(), 1);
  EXPECT_FALSE(m.OnVideoInputChanged(0, false));

  CameraRecorderPageModel n("None");
  n.Enumerate({}, {"Mic 1", "Mic 2"});
  EXPECT_EQ(n.videoItems(), (List{"None"}));
  EXPECT_EQ(n.videoInputCount(), 0);
  EXPECT_EQ(n.audioInputCount(), 2);
  EXPECT_EQ(n.selectedVideoName(), "None");
  EXPECT_TRUE(n.OnAudioInputChanged(1, true));
  EXPECT_EQ(n.audioDeviceIndex(), 1);
  EXPECT_FALSE(n.PreviewWanted(flags));
  EXPECT_TRUE(n.MeterWanted(flags));
}

TEST(CameraRecorderPageModelTest, PreviewKeepsItsProportions) {
  struct Case {
    int fw, fh, aw, ah;
    Rect r;
  };
  for (const Case& c : {Case{640, 480, 332, 176, {49, 0, 234, 176}},
                        Case{160, 100, 332, 176, {25, 0, 281, 176}},
                        Case{1920, 1080, 332, 176, {10, 0, 312, 176}},
                        Case{100, 400, 332, 176, {144, 0, 44, 176}},
                        Case{1000, 100, 332, 176, {0, 71, 332, 33}},
                        Case{0, 480, 332, 176, {}}}) {
    Rect r = FitPreview(c.fw, c.fh, c.aw, c.ah);
    EXPECT_EQ(r.left, c.r.left) << c.fw << "x" << c.fh;
    EXPECT_EQ(r.top, c.r.top) << c.fw << "x" << c.fh;
    EXPECT_EQ(r.width, c.r.width) << c.fw << "x" << c.fh;
    EXPECT_EQ(r.height, c.r.height) << c.fw << "x" << c.fh;
  }
}

TEST(HyperlinkModelTest, TextTargetColoursAndErrors) {
  HyperlinkModel empty("", "mailto:a@b.example");
  EXPECT_EQ(empty.text(), "mailto:a@b.example");
  HyperlinkModel noUrl("http://x.example/", "");
  EXPECT_EQ(noUrl.url(), "http://x.example/");

  HyperlinkModel m("Vantaro", "http://x.example/");
  EXPECT_EQ(m.colour(), kLinkColour);
  m.OnEnter();
  EXPECT_EQ(m.colour(), kHoverColour);
  m.OnLeave();
  m.OnOpened(true);
  EXPECT_EQ(m.colour(), kVisitedColour);
  m.OnOpened(false);
  EXPECT_EQ(m.colour(), kLinkColour);

  EXPECT_EQ(HyperlinkErrorText(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
  EXPECT_EQ(HyperlinkErrorText(4), "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
  EXPECT_EQ(HyperlinkErrorText(31),
            "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
            "filename extension.");
}

TEST(VersionCheckTest, FindsTheFirstKeyedLine) {
  struct Case {
    const char* page;
    bool found;
    const char* latest;
  };
  for (const Case& c : {
           Case{"<p>talvenserver_win=2.3</p>", true, "2.3"},
           Case{"a\r\nx talvenserver_win=2.4<br>\r\ntalvenserver_win=9.9<", true, "2.4"},
           Case{"talvenserver_win=2.5", true, ""},
           Case{"TALVENSERVER_WIN=2.5<", false, ""},
           Case{"nothing here\n", false, ""},
           Case{"talvenserver_win=\n<2.6", true, ""},
       }) {
    std::string latest = "unchanged";
    EXPECT_EQ(FindLatestVersion(c.page, &latest), c.found) << c.page;
    if (c.found) {
      EXPECT_EQ(latest, c.latest) << c.page;
    }
  }
}

// Answers each GET at once with the next canned result.
class CannedGetter : public HttpGetter {
 public:
  void Get(const std::string& url, int timeoutMs, std::function<void(HttpResult)> done) override {
    urls.push_back(url);
    EXPECT_EQ(timeoutMs, kVersionTimeoutMs);
    pending = std::move(done);
  }
  void Answer(HttpResult r) {
    auto done = std::move(pending);
    done(std::move(r));
  }
  std::vector<std::string> urls;
  std::function<void(HttpResult)> pending;
};

TEST(VersionCheckTest, ReportsByOutcome) {
  app::Texts texts;
  app::LoadLanguageTexts(app::kEnglish, texts);
  CannedGetter getter;
  std::string latest = "2.2";
  VersionCheck check(texts, getter, "2.2", latest);
  std::vector<VersionReport> reports;
  auto run = [&](HttpResult r) {
    ASSERT_TRUE(check.CheckForUpdate("http://127.0.0.1:1/v", [&](const VersionReport& x) { reports.push_back(x); }));
    EXPECT_FALSE(check.CheckForUpdate("http://127.0.0.1:1/v", [](const VersionReport&) {}))
        << "one check at a time";
    getter.Answer(std::move(r));
  };
  run({true, 200, "talvenserver_win=2.3<br>"});
  run({true, 200, "talvenserver_win=2.4<br>"});
  run({true, 404, "talvenserver_win=9.9<br>"});
  run({false, 0, ""});
  run({true, 200, "talvenserver_win=2.1<"});
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports[0].kind, VersionReport::Kind::kNewVersion);
  EXPECT_NE(reports[0].message.find(":2.3 is released"), std::string::npos) << reports[0].message;
  EXPECT_NE(reports[1].message.find(":2.4 is released"), std::string::npos) << "the second check names the second version";
  EXPECT_EQ(reports[2].kind, VersionReport::Kind::kNewVersion) << "a 404 leaves the last version found";
  EXPECT_EQ(reports[3].kind, VersionReport::Kind::kNetError);
  EXPECT_EQ(reports[3].message, texts.txtNetError);
  EXPECT_EQ(reports[4].kind, VersionReport::Kind::kNewest);
  EXPECT_EQ(latest, "2.1");
  EXPECT_EQ(getter.urls.size(), 5u);
}

}  // namespace
}  // namespace vantaro::ui
