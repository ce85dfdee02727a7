#pragma once
// What the file-manager tests share: a temporary tree that the computer paths C:\ and D:\ name,
// the UTF-8 narrow code page, a clock that only records its
// pauses, and a control session that records its replies.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/fakes/identity_text_codec.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "control/control_session.h"
#include "support/mapped_file_system.h"
#include "support/temp_dir.h"

namespace vantaro::files::testing {

using PassThroughCodec = platform::IdentityTextCodec;

class RecordingClock : public platform::Clock {
 public:
  double UnixTimeSeconds() override { return 0; }
  // Time passes only in SleepMs, exactly as asked.
  int64_t MonotonicMs() override {
    std::lock_guard<std::mutex> guard(lock_);
    return now_;
  }
  void SleepMs(int milliseconds) override {
    std::lock_guard<std::mutex> guard(lock_);
    sleeps_.push_back(milliseconds);
    now_ += milliseconds;
  }
  std::vector<int> sleeps() {
    std::lock_guard<std::mutex> guard(lock_);
    return sleeps_;
  }

 private:
  std::mutex lock_;
  std::vector<int> sleeps_;
  int64_t now_ = 0;
};

class RecordingSession : public control::ControlSession {
 public:
  uint32_t SessionPeerAddress() override { return 0x7f000001; }
  bool SessionAuthorised() override { return true; }
  void SendStatusReply(int32_t code) override { replies.push_back(code); }
  std::vector<int32_t> replies;
};

// C:\ is the folder c below a fresh temporary folder, D:\ the folder d; Z:\ stays "/".
class TempDrives {
 public:
  TempDrives() {
    std::filesystem::create_directories(root() + "/c");
    std::filesystem::create_directories(root() + "/d");
    fileSystem = vantaro::testing::CreateMappedFileSystem({{'C', root() + "/c"}, {'D', root() + "/d"}});
  }
  const std::string& root() const { return dir_.path(); }
  // The native path of a computer path on C: or D: ("C:\A\x.txt").
  std::string Native(const std::string& computerPath) const {
    std::string out = root() + "/" + static_cast<char>(computerPath[0] + 32);
    for (size_t i = 2; i < computerPath.size(); ++i)
      out += computerPath[i] == '\\' ? '/' : computerPath[i];
    return out;
  }
  void MakeFolder(const std::string& computerPath) const {
    std::filesystem::create_directories(Native(computerPath));
  }
  void MakeFile(const std::string& computerPath, const std::string& content = "") const {
    std::filesystem::create_directories(std::filesystem::path(Native(computerPath)).parent_path());
    std::ofstream(Native(computerPath), std::ios::binary) << content;
  }
  void MakeReadOnly(const std::string& computerPath) const {
    std::filesystem::permissions(Native(computerPath), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
  }
  // A symbolic link at `linkPath` to `targetPath` (computer paths on C: or D:); false where the
  // system cannot make one (Wine has no symbolic links).
  bool MakeLink(const std::string& targetPath, const std::string& linkPath, bool folder) const {
    std::error_code ec;
    if (folder)
      std::filesystem::create_directory_symlink(Native(targetPath), Native(linkPath), ec);
    else
      std::filesystem::create_symlink(Native(targetPath), Native(linkPath), ec);
    return !ec;
  }
  // Whether this system lets the tests make symbolic links at all.
  bool CanMakeLinks() const {
    std::error_code ec;
    const std::string probe = root() + "/link-probe";
    std::filesystem::create_directory_symlink(root(), probe, ec);
    std::filesystem::remove(probe);
    return !ec;
  }
  bool Exists(const std::string& computerPath) const {
    return std::filesystem::exists(std::filesystem::symlink_status(Native(computerPath)));
  }
  std::string Read(const std::string& computerPath) const {
    std::ifstream in(Native(computerPath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::unique_ptr<platform::FileSystem> fileSystem;

 private:
  vantaro::testing::TempDir dir_;
};

}  // namespace vantaro::files::testing
