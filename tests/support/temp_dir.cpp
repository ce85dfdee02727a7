#include "support/temp_dir.h"

#include <filesystem>
#include <random>

namespace vantaro::testing {

TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  std::random_device rd;
  std::mt19937_64 gen(rd());
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // create_directory is atomic: a name another process took in the meantime is simply skipped.
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::string name = "vantaro-test-";
    for (int i = 0; i < 10; ++i) name += kLetters[gen() % (sizeof(kLetters) - 1)];
    fs::path candidate = base / name;
    if (fs::create_directory(candidate, ec)) path_ = candidate.string();
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace vantaro::testing
