#pragma once
// A profile store in memory that also records every change in order, for tests that check what
// was written and when. Sections and keys keep the order of their first write. Thread-safe.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/profile_store.h"

namespace vantaro::platform {

class MemoryProfileStore : public ProfileStore {
 public:
  using Values = std::vector<std::pair<std::string, std::string>>;

  std::string GetString(const std::string& section, const std::string& key) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void DeleteSection(const std::string& section) override;

  // Fills the store without recording, for the starting state of a test.
  void Preset(const std::string& section, const Values& values);
  // The values of one section in order, and whether the section exists.
  Values Section(const std::string& section);
  bool HasSection(const std::string& section);
  bool HasKey(const std::string& section, const std::string& key);
  // "set <section> <key>=<value>" and "delete <section>", oldest first.
  std::vector<std::string> Operations();
  void ClearOperations();

 private:
  void Set(const std::string& section, const std::string& key, const std::string& value);

  std::mutex lock_;
  std::vector<std::pair<std::string, Values>> sections_;
  std::vector<std::string> operations_;
};

}  // namespace vantaro::platform
