// What a hostile device or an unlucky moment must not do to the user's files: names without a
// UTF-8 form, paths that do not convert, links swapped in while a request runs, requests against
// the shared folders themselves, and uploads that end early.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "files/file_manager_fixture.h"
#include "platform/fakes/hooked_file_system.h"

namespace vantaro::files {
namespace {

using testing::FileManagerTest;
using testing::ParseListing;
using testing::PathList;
using testing::SplitMessages;
using vantaro::testing::Le32;

constexpr char kLatin1Name[] = "\xE9t\xE9.mp3";  // "été.mp3" as old disks hold it

TEST_F(FileManagerTest, NamesWithoutAUtf8FormAreLeftOutOfListingsAndDownloads) {
  if constexpr (!std::is_same_v<std::filesystem::path::value_type, char>)
    GTEST_SKIP() << "names are UTF-16 on this system: every one has a UTF-8 form";
  drives_.MakeFile("C:\\S\\ok.mp3", "ok");
  drives_.MakeFile(std::string("C:\\S\\") + kLatin1Name, "latin");
  shared_ = {"C:\\S"};
  List(2, "C:\\S");
  auto records = ParseListing(socket_->Sent());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "C:\\S\\ok.mp3");

  socket_ = std::make_shared<platform::FakeStreamSocket>();
  state_.dataSocket.Replace(socket_);
  EXPECT_FALSE(Request(5, "", PathList({"C:\\S"})));  // one item was left out
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].payload, "C:/S/ok.mp3ok");
  EXPECT_EQ(messages[0].header.file_total_number, 1);
}

TEST_F(FileManagerTest, APathThatDoesNotConvertWholeIsRefusedAndTouchesNothing) {
  drives_.MakeFile("C:\\S\\a.txt", "a");
  drives_.MakeFile(std::string("C:\\S\\") + kLatin1Name, "latin");
  shared_ = {"C:\\S"};
  const std::string bad[] = {
      std::string("C:\\S\\") + kLatin1Name,  // would have been cut to the folder itself
      "C:\\S\xFF",
      std::string("C:\\S\0", 5),
      std::string("C:\\S\\a.txt\0", 11),
      "C:\\S\\\xC0\xAE\xC0\xAE",  // overlong ".."
      "C:\\S\xC0\xAF",            // overlong "/"
  };
  for (const auto& path : bad) {
    SCOPED_TRACE(::testing::PrintToString(path));
    for (int32_t mode : {12, 9, 5}) EXPECT_FALSE(Request(mode, "C:\\S", PathList({path})));
    EXPECT_FALSE(Request(6, path, PathList({"C:\\S\\a.txt"})));  // as the target
  }
  EXPECT_EQ(drives_.Read("C:\\S\\a.txt"), "a");
  EXPECT_EQ(drives_.Read(std::string("C:\\S\\") + kLatin1Name), "latin");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drives_.Native("C:\\S")), {}), 2);
  EXPECT_EQ(socket_->Sent(), "");

  // An upload path that does not convert is refused as well.
  session_.replies.clear();
  UploadWhole("C:\\S/x\xFF.txt", "data", 0, 0);
  EXPECT_EQ(session_.replies, std::vector<int32_t>{2012});
}

TEST_F(FileManagerTest, ASharedFolderItselfIsNeverDeletedOrMoved) {
  drives_.MakeFile("C:\\S\\Inner\\x", "x");
  drives_.MakeFile("C:\\S\\file", "f");
  drives_.MakeFolder("D:\\T");
  shared_ = {"C:\\S", "C:\\S\\Inner", "D:\\T"};
  for (const char* path : {"C:\\S", "C:\\S\\", "c:\\S", "C:\\S\\Inner", "C:\\\\S"}) {
    EXPECT_FALSE(Request(12, "", PathList({"C:\\S\\file", path}))) << path;
    EXPECT_FALSE(Request(9, "D:\\T", PathList({path}))) << path;
  }
  EXPECT_EQ(drives_.Read("C:\\S\\Inner\\x"), "x");
  EXPECT_EQ(drives_.Read("C:\\S\\file"), "f");
  EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("D:\\T")));
  // Their content can go, and a shared folder can still be copied.
  EXPECT_TRUE(Request(6, "D:\\T", PathList({"C:\\S\\Inner"})));
  EXPECT_EQ(drives_.Read("D:\\T\\Inner\\x"), "x");
  EXPECT_TRUE(Request(12, "", PathList({"C:\\S\\file"})));
  EXPECT_FALSE(drives_.Exists("C:\\S\\file"));
}

// A download checks its items, then reads them; in between, the folder that holds an item is
// swapped for a link to a folder outside that holds a file of the same name.
TEST(FileManagerRaceTest, ADownloadNeverSendsWhatALinkSwappedInPointsTo) {
  if (!testing::TempDrives().CanMakeLinks())
    GTEST_SKIP() << "this system cannot make symbolic links";
  struct Case {
    const char* name;
    // The change comes before the first such call once the item has been checked (opened
    // once): "OpenFolder" of F as the sender reaches the item again, "OpenRead" of x.txt once F
    // is open.
    const char* before;
    bool grow;             // instead of swapping, the file grows
    std::string expected;  // the payload sent for x.txt; empty: not sent
  } cases[] = {
      {"swapped before the item is reached again", "OpenFolder", false, ""},
      {"swapped once the folder is open", "OpenRead", false, "C:/S/F/x.txtmine"},
      {"the file grows before it is opened", "OpenRead", true, "C:/S/F/x.txtmine and more"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDrives drives;
    drives.MakeFile("C:\\S\\F\\x.txt", "mine");
    drives.MakeFile("D:\\out\\x.txt", "secret outside");
    platform::HookedFileSystem hooked(*drives.fileSystem);
    bool checked = false, swapped = false;
    hooked.hook = [&](const std::string& call, const std::string& name) {
      bool reaching = (call == "OpenFolder" && name == "F") || (call == "OpenRead" && name == "x.txt");
      if (!reaching || swapped) return;
      if (!checked) {
        checked = call == "OpenRead";
        return;
      }
      if (call != c.before) return;
      swapped = true;
      if (c.grow) {
        std::ofstream(drives.Native("C:\\S\\F\\x.txt"), std::ios::app) << " and more";
        return;
      }
      std::filesystem::rename(drives.Native("C:\\S\\F"), drives.Native("D:\\moved"));
      std::filesystem::create_directory_symlink(drives.Native("D:\\out"),
                                                drives.Native("C:\\S\\F"));
    };
    testing::PassThroughCodec codec;
    testing::RecordingClock clock;
    testing::RecordingSession session;
    testing::NullObserver observer;
    app::AppState state(observer);
    auto socket = std::make_shared<platform::FakeStreamSocket>();
    state.dataSocket.Replace(socket);
    FileManager manager(hooked, codec, clock, state, session,
                        [] { return std::vector<std::string>{"C:\\S"}; });
    std::string list = PathList({"C:\\S\\F\\x.txt"});
    std::string payload = list;
    payload.resize(8192, '\0');
    DataHeader h;
    h.operator_mode = 5;
    h.file_data_length = static_cast<int32_t>(list.size());
    manager.DoFileOperation(h, reinterpret_cast<const uint8_t*>(payload.data()), list.size(), "");
    EXPECT_TRUE(swapped);
    auto messages = SplitMessages(socket->Sent());
    EXPECT_EQ(socket->Sent().find("secret"), std::string::npos);
    if (c.expected.empty()) {
      EXPECT_TRUE(messages.empty());
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].payload, c.expected);
      EXPECT_EQ(messages[0].header.file_data_length,
                static_cast<int32_t>(c.expected.size() - std::strlen("C:/S/F/x.txt")));
    }
  }
}

std::vector<std::string> TemporariesIn(const std::string& native) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(native)) {
    std::string name = e.path().filename().string();
    if (IsUploadTemporaryName(name)) out.push_back(name);
  }
  return out;
}

TEST_F(FileManagerTest, AnUploadInPartsIsHiddenUntilItsEndAndRemovedWhenInterrupted) {
  drives_.MakeFolder("C:\\T");
  std::string path = "C:\\T/a.bin";
  auto begin = [&] { Upload(1, 0, path, 0, static_cast<int32_t>(path.size()), 6); };
  begin();
  Upload(2, 1, "abc");
  EXPECT_FALSE(drives_.Exists("C:\\T\\a.bin"));
  EXPECT_EQ(TemporariesIn(drives_.Native("C:\\T")).size(), 1u);
  List(2, "C:\\T");
  EXPECT_TRUE(ParseListing(socket_->Sent()).empty());  // the temporary is hidden
  Upload(2, 1, "def");
  Upload(3, 1, "");
  EXPECT_EQ(session_.replies, std::vector<int32_t>{2011});
  EXPECT_EQ(drives_.Read("C:\\T\\a.bin"), "abcdef");
  EXPECT_TRUE(TemporariesIn(drives_.Native("C:\\T")).empty());

  // Cut off by the next begin, and by the end of the data session.
  std::string other = "C:\\T/b.bin";
  begin();
  Upload(2, 1, "partial");
  Upload(1, 1, other, 0, static_cast<int32_t>(other.size()), 6);
  Upload(2, 1, "other");
  manager_.EndDataSession();
  EXPECT_TRUE(TemporariesIn(drives_.Native("C:\\T")).empty());
  EXPECT_EQ(drives_.Read("C:\\T\\a.bin"), "abcdef");
  EXPECT_FALSE(drives_.Exists("C:\\T\\a2.bin"));
  EXPECT_FALSE(drives_.Exists("C:\\T\\b.bin"));
}

TEST_F(FileManagerTest, StaleUploadTemporariesAreRemovedFromTheSharedFoldersAtStart) {
  shared_ = {"C:\\S", "D:\\"};
  drives_.MakeFile("C:\\S\\.vantaro-upload-12.part", "crashed");
  drives_.MakeFile("D:\\.vantaro-upload-0.part", "crashed");
  drives_.MakeFile("C:\\S\\.vantaro-upload-mine.part", "not ours");
  drives_.MakeFile("C:\\S\\vantaro-upload-1.part", "not ours");
  drives_.MakeFolder("C:\\S\\.vantaro-upload-3.part");
  drives_.MakeFile("C:\\Other\\.vantaro-upload-4.part", "not shared");
  manager_.RemoveStaleUploads();
  EXPECT_FALSE(drives_.Exists("C:\\S\\.vantaro-upload-12.part"));
  EXPECT_FALSE(drives_.Exists("D:\\.vantaro-upload-0.part"));
  for (const char* kept : {"C:\\S\\.vantaro-upload-mine.part", "C:\\S\\vantaro-upload-1.part",
                           "C:\\S\\.vantaro-upload-3.part", "C:\\Other\\.vantaro-upload-4.part"})
    EXPECT_TRUE(drives_.Exists(kept)) << kept;
}

TEST_F(FileManagerTest, AnUploadNeverReplacesAFileAndItsFolderMapEndsWithTheSession) {
  drives_.MakeFolder("C:\\T");
  UploadWhole("C:\\T/Cam/x.jpg", "first", 0, 0);
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\x.jpg"), "first");
  // The user adds files meanwhile; a later item of the same batch gets free names around them.
  drives_.MakeFile("C:\\T\\Cam\\sub\\y.jpg", "user's");
  drives_.MakeFile("C:\\T\\Cam\\z.jpg", "user's");
  UploadWhole("C:\\T/Cam/sub/y.jpg", "upload", 0, 1);
  std::string big = "C:\\T/Cam/z.jpg";
  Upload(1, 1, big, 0, static_cast<int32_t>(big.size()), 6);
  Upload(2, 1, "upload");
  Upload(3, 1, "");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\sub\\y.jpg"), "user's");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\sub\\y2.jpg"), "upload");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\z.jpg"), "user's");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\z2.jpg"), "upload");

  // A new session does not reuse the map, even when its first message is not numbered 0.
  manager_.EndDataSession();
  UploadWhole("C:\\T/Cam/x.jpg", "next session", 0, 3);
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\x.jpg"), "first");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam2\\x.jpg"), "next session");
}

TEST_F(FileManagerTest, TheFirstFailedWriteEndsTheWholeDownload) {
  drives_.MakeFile("C:\\big", std::string(5 * 131038, 'b'));
  drives_.MakeFile("C:\\next", "n");
  // The device goes away during the first pause after a data part.
  clock_.onSleep = [this] {
    if (clock_.sleeps().size() == 2) socket_->Shutdown();
  };
  EXPECT_FALSE(Request(5, "", PathList({"C:\\big", "C:\\next"})));
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 2u);  // the begin and one part
  EXPECT_EQ(clock_.sleeps(), (std::vector<int>{20, 15}));  // nothing more was paced
}

// A clock whose sleeps last longer than asked (a busy computer) or end early.
class UnevenClock : public platform::Clock {
 public:
  explicit UnevenClock(int extraOnFirst, bool early) : extra_(extraOnFirst), early_(early) {}
  double UnixTimeSeconds() override { return 0; }
  int64_t MonotonicMs() override { return now_; }
  void SleepMs(int ms) override {
    asked.push_back(ms);
    now_ += early_ ? std::max(1, ms / 2) : ms + extra_;
    extra_ = 0;
  }
  std::vector<int> asked;

 private:
  int64_t now_ = 0;
  int extra_;
  bool early_;
};

TEST(FileSenderPacing, EveryPauseLastsAtLeastItsLengthWithNoCatchingUp) {
  testing::TempDrives drives;
  drives.MakeFile("C:\\big", std::string(4 * 131038, 'b'));
  Confinement confinement(*drives.fileSystem, [] { return std::vector<std::string>{"C:\\"}; });
  testing::PassThroughCodec codec;
  testing::NullObserver observer;
  app::AppState state(observer);
  state.dataSocket.Replace(std::make_shared<platform::FakeStreamSocket>());
  {
    UnevenClock overslept(100, false);
    FileSender sender(confinement, codec, overslept, state.stopFileOperation, state.dataSocket);
    EXPECT_TRUE(sender.SendFiles({"C:\\big"}, 5));
    EXPECT_EQ(overslept.asked, (std::vector<int>{20, 15, 15, 15, 15}));
    EXPECT_EQ(overslept.MonotonicMs(), 100 + 20 + 4 * 15);
  }
  {
    UnevenClock early(0, true);
    FileSender sender(confinement, codec, early, state.stopFileOperation, state.dataSocket);
    EXPECT_TRUE(sender.SendFiles({"C:\\big"}, 5));
    EXPECT_EQ(early.MonotonicMs(), 20 + 4 * 15);
  }
}

TEST_F(FileManagerTest, RefusedPathsAreWrittenToStandardErrorOnOneLine) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(Request(12, "", PathList({"Q:\\x\nfile request: forged\x1b[2J"})));
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "file request: refused path Q:\\x\\x0Afile request: forged\\x1B[2J\n");
}

}  // namespace
}  // namespace vantaro::files
