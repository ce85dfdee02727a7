#include "files/file_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/file_manager_fixture.h"

namespace vantaro::files {
namespace {

using testing::FileManagerTest;
using testing::Message;
using testing::ParseListing;
using testing::PathList;
using testing::SplitMessages;
using vantaro::testing::Le32;


TEST_F(FileManagerTest, ListsTheSharedFoldersInListOrder) {
  drives_.MakeFolder("C:\\Users\\Public\\Music");
  shared_ = {"C:\\Users\\Public\\Music", "D:\\", "C:\\gone"};
  List(1, "");
  List(2, "/");
  List(2, "");
  auto sent = socket_->Sent();
  ASSERT_EQ(sent.size() % 3, 0u);
  std::string one = sent.substr(0, sent.size() / 3);
  EXPECT_EQ(sent, one + one + one);
  auto records = ParseListing(one);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].name, "C:\\Users\\Public\\Music");
  EXPECT_EQ(records[1].name, "D:\\");
  EXPECT_EQ(records[2].name, "C:\\gone");
  EXPECT_EQ(records[0].isFolder, 1);
  EXPECT_EQ(records[1].isFolder, 1);
  EXPECT_EQ(records[2].isFolder, 0);  // a missing folder reads as an unreadable item
  EXPECT_EQ(records[2].modified, 0.0);
}

TEST_F(FileManagerTest, ListsAFolderWithFullPathsInNameOrderWithoutHiddenEntries) {
  drives_.MakeFile("C:\\Data\\b.txt", "12345");
  drives_.MakeFile("C:\\Data\\A.txt", "1");
  drives_.MakeFile("C:\\Data\\.secret", "1");
  drives_.MakeFolder("C:\\Data\\.git");
  drives_.MakeFolder("C:\\Data\\c");
  // A native name holding "\\" cannot be a component of a computer path.
  std::ofstream(drives_.Native("C:\\Data") + "/ba\\ck") << "x";
  std::filesystem::resize_file(drives_.Native("C:\\Data\\b.txt"), 5000000000ull);
  std::filesystem::last_write_time(
      drives_.Native("C:\\Data\\A.txt"),
      std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1500000000))));
  for (const char* path : {"C:\\Data", "C:\\Data\\"}) {
    socket_ = std::make_shared<platform::FakeStreamSocket>();
    state_.dataSocket.Replace(socket_);
    List(2, path);
    auto records = ParseListing(socket_->Sent());
    ASSERT_EQ(records.size(), 3u) << path;
    EXPECT_EQ(records[0].name, "C:\\Data\\A.txt");
    EXPECT_EQ(records[0].modified, 1500000000.0);
    EXPECT_EQ(records[1].name, "C:\\Data\\b.txt");
    EXPECT_EQ(records[1].size, 705032704);  // the low 32 bits of 5 000 000 000
    EXPECT_EQ(records[2].name, "C:\\Data\\c");
    EXPECT_EQ(records[2].isFolder, 1);
    EXPECT_EQ(records[2].size, 0);
  }
}

TEST_F(FileManagerTest, ListingsOutsideTheSharedFoldersAreEmpty) {
  drives_.MakeFile("C:\\Users\\Public\\Music\\a.mp3", "1");
  drives_.MakeFile("C:\\Users\\secret", "1");
  shared_ = {"C:\\Users\\Public\\Music"};
  for (const char* path : {"C:\\Users", "C:\\Users\\Public\\Music\\..\\..", "Z:\\etc", "C:\\none",
                           "C:\\Users\\Public\\Music\\a.mp3"}) {
    socket_ = std::make_shared<platform::FakeStreamSocket>();
    state_.dataSocket.Replace(socket_);
    List(2, path);
    EXPECT_EQ(socket_->Sent(), std::string(28, '\0').replace(0, 4, Le32(2)) + "\nkvrt\n") << path;
  }
}

TEST_F(FileManagerTest, LargeListingsGoOutInPiecesOf25600Bytes) {
  // 100 records of 20 + 5 + 231 bytes make exactly 25600; one longer name makes 25601.
  for (int i = 0; i < 100; ++i) {
    char prefix[8];
    std::snprintf(prefix, sizeof(prefix), "%03d", i);
    drives_.MakeFile("C:\\L\\" + std::string(prefix) + std::string(228, 'x'));
  }
  List(2, "C:\\L");
  EXPECT_EQ(socket_->SendSizes(), std::vector<size_t>{25634});
  drives_.MakeFile("C:\\L\\999" + std::string(229, 'x'));
  std::filesystem::remove(drives_.Native("C:\\L\\000" + std::string(228, 'x')));
  socket_ = std::make_shared<platform::FakeStreamSocket>();
  state_.dataSocket.Replace(socket_);
  List(2, "C:\\L");
  EXPECT_EQ(socket_->SendSizes(), (std::vector<size_t>{28, 25600, 1, 6}));
  EXPECT_EQ(ParseListing(socket_->Sent()).size(), 100u);
}

TEST_F(FileManagerTest, AStoppedListingSendsNothing) {
  drives_.MakeFile("C:\\S\\a", "1");
  state_.stopFileOperation = 1;
  List(2, "C:\\S");
  EXPECT_EQ(socket_->Sent(), "");
}

TEST_F(FileManagerTest, DownloadsAFolderAsItsFilesAndEmptyFolders) {
  drives_.MakeFile("C:\\F\\a.txt", "0123456789");
  drives_.MakeFolder("C:\\F\\e");
  EXPECT_TRUE(Request(5, "", PathList({"C:\\F"})));
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].payload, "C:/F/a.txt0123456789");
  EXPECT_EQ(messages[1].payload, "C:/F/e");
  const int32_t expected[2][7] = {{5, 4, 0, 2, 0, 10, 10}, {5, 4, 1, 2, 1, 6, 0}};
  for (int i = 0; i < 2; ++i) {
    const DataHeader& h = messages[i].header;
    int32_t got[7] = {h.operator_mode,  h.file_send_mode,   h.file_current_number,
                      h.file_total_number, h.is_folder, h.file_path_length,
                      h.file_data_length};
    for (int f = 0; f < 7; ++f) EXPECT_EQ(got[f], expected[i][f]) << "message " << i << " field " << f;
  }
}

TEST_F(FileManagerTest, SendsFilesWholeOrInUnitsWithPauses) {
  // The name C:/big is 6 bytes, so 131032 bytes still fit one message.
  struct Case {
    size_t size;
    std::vector<int32_t> sendModes;
    std::vector<size_t> payloadSizes;
    std::vector<int> sleeps;
  } cases[] = {
      {0, {4}, {6}, {}},
      {131032, {4}, {131038}, {}},
      {131033, {1, 2, 3}, {6, 131033, 0}, {20, 15}},
      {262076, {1, 2, 2, 3}, {6, 131038, 131038, 0}, {20, 15, 15}},
      {262077, {1, 2, 2, 2, 3}, {6, 131038, 131038, 1, 0}, {20, 15, 15, 15}},
  };
  for (const auto& c : cases) {
    std::string content(c.size, 'b');
    for (size_t i = 0; i < content.size(); i += 1000) content[i] = static_cast<char>('c' + i % 7);
    drives_.MakeFile("C:\\big", content);
    socket_ = std::make_shared<platform::FakeStreamSocket>();
    state_.dataSocket.Replace(socket_);
    size_t sleepsBefore = clock_.sleeps().size();
    EXPECT_TRUE(Request(8, "", PathList({"C:\\big"})));
    auto messages = SplitMessages(socket_->Sent());
    std::vector<int32_t> modes;
    std::vector<size_t> sizes;
    std::string received;
    for (const auto& m : messages) {
      modes.push_back(m.header.file_send_mode);
      sizes.push_back(m.payload.size());
      EXPECT_EQ(m.header.operator_mode, 8);
      EXPECT_EQ(m.header.file_total_number, 1);
      EXPECT_EQ(m.header.file_path_length, 6);
      EXPECT_EQ(m.header.file_data_length, static_cast<int32_t>(c.size));
      if (m.header.file_send_mode == 2) received += m.payload;
      if (m.header.file_send_mode == 4) received += m.payload.substr(6);
    }
    EXPECT_EQ(modes, c.sendModes) << c.size;
    EXPECT_EQ(sizes, c.payloadSizes) << c.size;
    EXPECT_TRUE(received == content) << c.size;
    auto sleeps = clock_.sleeps();
    EXPECT_EQ(std::vector<int>(sleeps.begin() + sleepsBefore, sleeps.end()), c.sleeps) << c.size;
  }
}

TEST_F(FileManagerTest, LeavesOutWhatCannotBeSentAndSaysSo) {
  drives_.MakeFile("C:\\ok.txt", "fine");
  drives_.MakeFile("C:\\huge.bin");
  std::filesystem::resize_file(drives_.Native("C:\\huge.bin"), 2147483648ull);
  EXPECT_FALSE(Request(5, "", PathList({"C:\\missing", "C:\\huge.bin", "C:\\ok.txt"})));
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].header.file_total_number, 1);
  EXPECT_EQ(messages[0].header.file_current_number, 0);
  EXPECT_EQ(messages[0].payload, "C:/ok.txtfine");
}

TEST_F(FileManagerTest, AStopEndsADownloadBeforeTheNextPartAndStillCountsAsDone) {
  drives_.MakeFile("C:\\big", std::string(300000, 'b'));
  drives_.MakeFile("C:\\next", "n");
  clock_.onSleep = [this] { state_.stopFileOperation = 1; };
  EXPECT_TRUE(Request(5, "", PathList({"C:\\big", "C:\\next"})));
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 1u);  // the begin; no part, no end, no next item
  EXPECT_EQ(messages[0].header.file_send_mode, 1);
}

TEST_F(FileManagerTest, OpensTheFileNamedByAZeroTerminatedPath) {
  drives_.MakeFile("C:\\doc.txt", "hello");
  std::string payload = "C:\\doc.txt";
  payload.resize(8192, '\0');
  DataHeader h;
  h.operator_mode = 3;
  h.file_send_mode = 4;
  EXPECT_TRUE(manager_.DoFileOperation(h, reinterpret_cast<const uint8_t*>(payload.data()), 10, ""));
  auto messages = SplitMessages(socket_->Sent());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].header.operator_mode, 3);
  EXPECT_EQ(messages[0].payload, "C:/doc.txthello");
}

TEST_F(FileManagerTest, RefusesEveryRequestThatNamesAPathOutsideTheSharedFolders) {
  drives_.MakeFile("C:\\Shared\\in.txt", "in");
  drives_.MakeFile("C:\\Private\\out.txt", "out");
  shared_ = {"C:\\Shared"};
  struct Case {
    int32_t mode;
    std::string target;
    std::vector<std::string> items;
  } cases[] = {
      {5, "", {"C:\\Shared\\in.txt", "C:\\Private\\out.txt"}},
      {8, "", {"C:\\Shared\\..\\Private"}},
      {6, "C:\\Private", {"C:\\Shared\\in.txt"}},
      {6, "C:\\Shared", {"C:\\Private\\out.txt"}},
      {9, "C:\\Private", {"C:\\Shared\\in.txt"}},
      {9, "C:\\Shared\\.", {"C:\\Shared\\in.txt"}},
      {12, "", {"C:\\Shared\\in.txt", "C:\\Private\\out.txt"}},
      {12, "", {"Z:\\tmp"}},
  };
  for (const auto& c : cases) EXPECT_FALSE(Request(c.mode, c.target, PathList(c.items))) << c.mode;
  std::string open = "C:\\Private\\out.txt";
  DataHeader h;
  h.operator_mode = 3;
  EXPECT_FALSE(manager_.DoFileOperation(h, reinterpret_cast<const uint8_t*>(open.data()),
                                        open.size(), ""));
  EXPECT_EQ(socket_->Sent(), "");
  EXPECT_EQ(drives_.Read("C:\\Shared\\in.txt"), "in");
  EXPECT_EQ(drives_.Read("C:\\Private\\out.txt"), "out");
  EXPECT_FALSE(drives_.Exists("C:\\Private\\in.txt"));
}

TEST_F(FileManagerTest, RefusesLengthsBeyondTheReceivedPayload) {
  drives_.MakeFile("C:\\a", "1");
  std::string list = PathList({"C:\\a"});
  DataHeader h;
  h.operator_mode = 12;
  h.file_data_length = static_cast<int32_t>(list.size()) + 1;
  EXPECT_FALSE(manager_.DoFileOperation(h, reinterpret_cast<const uint8_t*>(list.data()),
                                        list.size(), ""));
  h.file_data_length = static_cast<int32_t>(list.size());
  h.file_path_length = -1;
  EXPECT_FALSE(manager_.DoFileOperation(h, reinterpret_cast<const uint8_t*>(list.data()),
                                        list.size(), ""));
  EXPECT_TRUE(drives_.Exists("C:\\a"));
}

TEST_F(FileManagerTest, APathListThatDoesNotAddUpDeletesNothing) {
  drives_.MakeFile("C:\\a", "1");
  drives_.MakeFile("C:\\b", "2");
  std::string list = PathList({"C:\\a", "C:\\b"});
  EXPECT_TRUE(Request(12, "", list.substr(0, list.size() - 1)));
  EXPECT_TRUE(Request(12, "", list + "x"));
  EXPECT_TRUE(drives_.Exists("C:\\a"));
  EXPECT_TRUE(drives_.Exists("C:\\b"));
  EXPECT_TRUE(Request(12, "", Le32(0) + Le32(0) + list));  // an empty record is skipped
  EXPECT_FALSE(drives_.Exists("C:\\a"));
  EXPECT_FALSE(drives_.Exists("C:\\b"));
}

TEST_F(FileManagerTest, CopiesIntoUniqueNames) {
  drives_.MakeFile("C:\\A\\x.txt", "new");
  drives_.MakeFile("C:\\B\\x.txt", "old");
  drives_.MakeFile("C:\\A\\F\\y", "y");
  EXPECT_TRUE(Request(6, "C:\\B", PathList({"C:\\A\\x.txt", "C:\\A\\F"})));
  EXPECT_EQ(drives_.Read("C:\\B\\x.txt"), "old");
  EXPECT_EQ(drives_.Read("C:\\B\\x2.txt"), "new");
  EXPECT_EQ(drives_.Read("C:\\B\\F\\y"), "y");
  EXPECT_EQ(drives_.Read("C:\\A\\x.txt"), "new");
}

TEST_F(FileManagerTest, MovesFoldersWithReadOnlyFilesAndRenamesInPlace) {
  drives_.MakeFile("C:\\A\\F\\r.txt", "ro");
  drives_.MakeReadOnly("C:\\A\\F\\r.txt");
  drives_.MakeFolder("C:\\B\\F");
  EXPECT_TRUE(Request(9, "C:\\B", PathList({"C:\\A\\F"})));
  EXPECT_EQ(drives_.Read("C:\\B\\F2\\r.txt"), "ro");
  EXPECT_FALSE(drives_.Exists("C:\\A\\F"));
  drives_.MakeFile("C:\\A\\m.txt", "m");
  EXPECT_TRUE(Request(9, "C:\\A", PathList({"C:\\A\\m.txt"})));
  EXPECT_EQ(drives_.Read("C:\\A\\m2.txt"), "m");
  EXPECT_FALSE(drives_.Exists("C:\\A\\m.txt"));
}

TEST_F(FileManagerTest, ReportsFailedItemsAndKeepsTheOthersDone) {
  drives_.MakeFile("C:\\A\\good", "g");
  drives_.MakeFile("C:\\A\\F\\inner", "i");
  drives_.MakeFolder("C:\\B");
  EXPECT_FALSE(Request(6, "C:\\B", PathList({"C:\\A\\missing", "C:\\A\\good"})));
  EXPECT_EQ(drives_.Read("C:\\B\\good"), "g");
  // A folder is never copied or moved into itself.
  EXPECT_FALSE(Request(9, "C:\\A\\F", PathList({"C:\\A\\F"})));
  EXPECT_EQ(drives_.Read("C:\\A\\F\\inner"), "i");
  EXPECT_FALSE(drives_.Exists("C:\\A\\F\\F"));
}

TEST_F(FileManagerTest, DeleteRemovesFolderTreesButLeavesReadOnlyFiles) {
  drives_.MakeFile("C:\\ro.txt", "r");
  drives_.MakeReadOnly("C:\\ro.txt");
  drives_.MakeFile("C:\\G\\inner.txt", "i");
  drives_.MakeReadOnly("C:\\G\\inner.txt");
  drives_.MakeFile("C:\\plain", "p");
  EXPECT_FALSE(Request(12, "", PathList({"C:\\ro.txt", "C:\\G", "C:\\plain"})));
  EXPECT_TRUE(drives_.Exists("C:\\ro.txt"));
  EXPECT_FALSE(drives_.Exists("C:\\G"));
  EXPECT_FALSE(drives_.Exists("C:\\plain"));
  EXPECT_TRUE(Request(12, "ignored", PathList({})));
}

TEST_F(FileManagerTest, MapsUploadPathsWithTheBatchFolderMap) {
  drives_.MakeFile("D:\\a.txt", "old");
  drives_.MakeFolder("C:\\T\\Cam");
  drives_.MakeFolder("C:\\T\\New");
  struct Step {
    bool newBatch;
    std::string upload;
    int32_t isFolder;
    std::string written;  // computer path that must exist afterwards
  } steps[] = {
      {true, "D:\\/a.txt", 0, "D:\\a2.txt"},
      {true, "C:\\T/Cam/x.jpg", 0, "C:\\T\\Cam2\\x.jpg"},
      {false, "C:\\T/Cam/sub/y.jpg", 0, "C:\\T\\Cam2\\sub\\y.jpg"},
      {false, "C:\\T/cam/w.jpg", 0, "C:\\T\\cam\\w.jpg"},
      {true, "C:\\T/Cam/z.jpg", 0, "C:\\T\\Cam22\\z.jpg"},
      {true, "C:\\T/New", 1, "C:\\T\\New2"},
      {true, "C:\\T/Fold/", 1, "C:\\T\\Fold"},
      {false, "C:\\T/Fold/in.txt", 0, "C:\\T\\Fold\\in.txt"},
      {true, "C:\\T/Solo", 1, "C:\\T\\Solo"},
      {false, "C:\\T/Solo/x.jpg", 0, "C:\\T\\Solo2\\x.jpg"},
  };
  for (const auto& s : steps) {
    session_.replies.clear();
    UploadWhole(s.upload, s.isFolder ? "" : "data", s.isFolder, s.newBatch ? 0 : 1);
    EXPECT_EQ(session_.replies, std::vector<int32_t>{2011}) << s.upload;
    EXPECT_TRUE(drives_.Exists(s.written)) << s.upload << " -> " << s.written;
  }
  EXPECT_EQ(drives_.Read("D:\\a.txt"), "old");
  EXPECT_EQ(drives_.Read("C:\\T\\Cam2\\sub\\y.jpg"), "data");
}

TEST_F(FileManagerTest, RefusesUploadsThatWouldLeaveTheTargetOrCannotBeWritten) {
  drives_.MakeFolder("C:\\Shared\\T");
  drives_.MakeFile("C:\\Shared\\file", "f");
  drives_.MakeFolder("C:\\Private");
  // Wine cannot make symbolic links: there the case of the link is left out.
  const bool haveLink = drives_.MakeLink("C:\\Private", "C:\\Shared\\T\\link", true);
  shared_ = {"C:\\Shared"};
  std::vector<const char*> refused = {
      "C:\\Shared\\T",               // no "/"
      "C:\\Shared\\T/",              // nothing after it
      "C:\\Shared\\T/../x.txt",      // leaves the target
      "C:\\Shared\\T/a/../../x.txt",
      "C:\\Shared\\T/a/..\\..\\x.txt",
      "C:\\Shared\\T/./x.txt",
      "C:\\Private/x.txt",           // outside the shared folders
      "C:\\Shared\\..\\Private/x.txt",
      "C:\\Shared\\file/sub/x.txt",  // the parent cannot be a folder
  };
  if (haveLink) refused.push_back("C:\\Shared\\T\\link/x.txt");  // through a link that leads out
  for (const char* path : refused) {
    session_.replies.clear();
    UploadWhole(path, "data", 0, 0);
    EXPECT_EQ(session_.replies, std::vector<int32_t>{2012}) << path;
    session_.replies.clear();
    Upload(1, 0, path, 0, static_cast<int32_t>(std::strlen(path)), 100);
    Upload(2, 1, "data");
    Upload(3, 1, "");
    EXPECT_EQ(session_.replies, (std::vector<int32_t>{2012, 2012})) << path;
  }
  EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("C:\\Private")));
  if (haveLink) {
    EXPECT_TRUE(std::filesystem::is_empty(drives_.Native("C:\\Shared\\T\\link")));
  }

  session_.replies.clear();
  std::string path = "C:\\Shared\\T/x.txt";
  Upload(4, 0, path + "abc", 0, static_cast<int32_t>(path.size()), 4);    // data beyond the message
  Upload(4, 0, path + "abc", 0, static_cast<int32_t>(path.size()) + 4, 3);
  Upload(4, 0, path + "abc", 0, -1, 3);
  EXPECT_EQ(session_.replies, (std::vector<int32_t>{2012, 2012, 2012}));
  EXPECT_FALSE(drives_.Exists("C:\\Shared\\T\\x.txt"));
}

TEST_F(FileManagerTest, ReadOnlyFoldersAreListedAndReadButNeverChanged) {
  drives_.MakeFile("C:\\Ro\\keep.txt", "k");
  drives_.MakeFile("C:\\Ro\\Sub\\deep.txt", "d");
  drives_.MakeFile("C:\\Rw\\mine.txt", "m");
  shared_ = {"C:\\Ro", "C:\\Rw"};
  std::vector<std::string> readOnly{"C:\\Ro"};
  manager_.SetReadOnlyFolders([&readOnly] { return readOnly; });

  // Changes into or in the read-only folder: each refused, nothing touched.
  struct Case {
    int32_t mode;
    std::string target;
    std::vector<std::string> items;
  } refused[] = {
      {6, "C:\\Ro", {"C:\\Rw\\mine.txt"}},        // copy into
      {6, "C:\\Ro\\Sub", {"C:\\Rw\\mine.txt"}},   // copy below
      {9, "C:\\Ro", {"C:\\Rw\\mine.txt"}},        // move into
      {9, "C:\\Rw", {"C:\\Ro\\keep.txt"}},        // move out of
      {9, "C:\\Ro", {"C:\\Ro\\keep.txt"}},        // rename in place
      {12, "", {"C:\\Ro\\keep.txt"}},              // delete in
      {12, "", {"C:\\Rw\\mine.txt", "C:\\Ro\\Sub"}},
  };
  for (const auto& c : refused) EXPECT_FALSE(Request(c.mode, c.target, PathList(c.items))) << c.mode;
  for (const char* path : {"C:\\Ro/up.txt", "C:\\Ro\\Sub/up.txt"}) {
    session_.replies.clear();
    UploadWhole(path, "data", 0, 0);
    EXPECT_EQ(session_.replies, std::vector<int32_t>{2012}) << path;
    session_.replies.clear();
    UploadWhole(std::string(path).replace(std::string(path).find('/'), 7, "/NewFolder"), "", 1, 0);
    EXPECT_EQ(session_.replies, std::vector<int32_t>{2012}) << "a folder upload too";
  }
  EXPECT_EQ(drives_.Read("C:\\Ro\\keep.txt"), "k");
  EXPECT_EQ(drives_.Read("C:\\Ro\\Sub\\deep.txt"), "d");
  EXPECT_EQ(drives_.Read("C:\\Rw\\mine.txt"), "m");
  EXPECT_FALSE(drives_.Exists("C:\\Ro\\up.txt"));
  EXPECT_FALSE(drives_.Exists("C:\\Ro\\NewFolder"));
  EXPECT_FALSE(drives_.Exists("C:\\Ro\\mine.txt"));

  // Reading stays as before: a listing, a download, a copy out into the writable folder.
  List(2, "C:\\Ro");
  EXPECT_NE(socket_->Sent().find("keep.txt"), std::string::npos);
  EXPECT_TRUE(Request(6, "C:\\Rw", PathList({"C:\\Ro\\keep.txt"})));
  EXPECT_EQ(drives_.Read("C:\\Rw\\keep.txt"), "k");
  session_.replies.clear();
  UploadWhole("C:\\Rw/up.txt", "data", 0, 0);
  EXPECT_EQ(session_.replies, std::vector<int32_t>{2011});

  // The mark follows the settings: once read and write, the same request goes through.
  readOnly.clear();
  EXPECT_TRUE(Request(12, "", PathList({"C:\\Ro\\keep.txt"})));
  EXPECT_FALSE(drives_.Exists("C:\\Ro\\keep.txt"));
}

TEST_F(FileManagerTest, UploadsAFileInParts) {
  drives_.MakeFolder("C:\\T");
  std::string path = "C:\\T/Cam/big.bin";
  Upload(1, 0, path, 0, static_cast<int32_t>(path.size()), 70000);
  EXPECT_TRUE(session_.replies.empty());
  Upload(2, 0, std::string(32735, 'a'));  // the parts of an item start a new batch too
  Upload(2, 0, std::string(32735, 'b'));
  Upload(2, 0, std::string(4530, 'c'));
  Upload(3, 0, "");
  EXPECT_EQ(session_.replies, std::vector<int32_t>{2011});
  EXPECT_EQ(drives_.Read("C:\\T\\Cam\\big.bin"),
            std::string(32735, 'a') + std::string(32735, 'b') + std::string(4530, 'c'));

  session_.replies.clear();
  Upload(2, 1, "stray");
  Upload(3, 1, "");
  EXPECT_EQ(session_.replies, (std::vector<int32_t>{2012, 2012}));
}

}  // namespace
}  // namespace vantaro::files
