#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it on
// destruction. Portable, so that the unit tests use it on every system.

#include <string>

namespace vantaro::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vantaro::testing
