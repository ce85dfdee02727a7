#include "app/shared_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fakes/fake_user_folders.h"
#include "platform/fakes/memory_profile_store.h"

namespace vantaro::app {
namespace {

using platform::MemoryProfileStore;
using List = std::vector<std::string>;

TEST(SharedFoldersTest, LoadFollowsThePathCount) {
  struct Case {
    const char* name;
    MemoryProfileStore::Values stored;
    List before, after;
  };
  const List kept{"Z:\\kept"};
  const std::vector<Case> cases = {
      {"count and keys",
       {{"path_count", "2"}, {"0", "Z:\\a"}, {"1", "D:\\"}},
       kept,
       {"Z:\\a", "D:\\"}},
      {"missing key reads empty in place",
       {{"path_count", "3"}, {"0", "Z:\\a"}, {"2", "Z:\\c"}},
       kept,
       {"Z:\\a", "", "Z:\\c"}},
      {"keys beyond the count are ignored",
       {{"path_count", "1"}, {"0", "Z:\\a"}, {"1", "Z:\\b"}},
       {},
       {"Z:\\a"}},
      {"duplicates stay",
       {{"path_count", "2"}, {"0", "Z:\\a"}, {"1", "Z:\\a"}},
       {},
       {"Z:\\a", "Z:\\a"}},
      {"count absent keeps the list", {{"0", "Z:\\a"}}, kept, kept},
      {"count zero keeps the list", {{"path_count", "0"}, {"0", "Z:\\a"}}, kept, kept},
      {"count not a number keeps the list", {{"path_count", "x1"}, {"0", "Z:\\a"}}, kept, kept},
      {"negative count keeps the list", {{"path_count", "-1"}, {"0", "Z:\\a"}}, kept, kept},
      {"count with trailing text", {{"path_count", "1 folder"}, {"0", "Z:\\a"}}, kept, {"Z:\\a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryProfileStore store;
    store.Preset(kFileConfigSection, c.stored);
    List folders = c.before;
    LoadSharedFolders(store, folders);
    EXPECT_EQ(folders, c.after);
  }
}

TEST(SharedFoldersTest, AbsurdCountIsBounded) {
  MemoryProfileStore store;
  store.Preset(kFileConfigSection, {{"path_count", "2147483647999"}, {"0", "Z:\\a"}});
  List folders;
  LoadSharedFolders(store, folders);
  ASSERT_EQ(folders.size(), static_cast<size_t>(kMaxSharedFolders));
  EXPECT_EQ(folders[0], "Z:\\a");
  EXPECT_EQ(folders[1], "");
}

TEST(SharedFoldersTest, SaveRewritesTheWholeSection) {
  struct Case {
    const char* name;
    List folders;
    std::vector<std::string> operations;
  };
  const std::vector<Case> cases = {
      {"three with an empty one",
       {"Z:\\a", "", "Z:\\c"},
       {"delete TalvenServer_file_config", "set TalvenServer_file_config 0=Z:\\a",
        "set TalvenServer_file_config 1=", "set TalvenServer_file_config 2=Z:\\c",
        "set TalvenServer_file_config path_count=3"}},
      {"empty list only deletes", {}, {"delete TalvenServer_file_config"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryProfileStore store;
    store.Preset(kFileConfigSection,
                 {{"path_count", "5"}, {"0", "x"}, {"1", "x"}, {"2", "x"}, {"3", "x"}, {"4", "x"}});
    SaveSharedFolders(store, c.folders);
    EXPECT_EQ(store.Operations(), c.operations);
    // Stale keys of a longer old list are gone, so they cannot come back with a later count.
    EXPECT_FALSE(store.HasKey(kFileConfigSection, "4"));
    List loaded;
    LoadSharedFolders(store, loaded);
    EXPECT_EQ(loaded, c.folders);
  }
}

TEST(SharedFoldersTest, DefaultsAreAppendedInOrder) {
  platform::FakeUserFolders userFolders{{"Z:\\home\\ann\\Videos", "Z:\\home\\ann\\Music"}};
  List folders{"D:\\"};
  AddDefaultSharedFolders(userFolders, folders);
  EXPECT_EQ(folders, (List{"D:\\", "Z:\\home\\ann\\Videos", "Z:\\home\\ann\\Music"}));
}

}  // namespace
}  // namespace vantaro::app
