#include "platform/fakes/memory_profile_store.h"

namespace vantaro::platform {

std::string MemoryProfileStore::GetString(const std::string& section, const std::string& key) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [name, values] : sections_)
    if (name == section)
      for (auto& [k, v] : values)
        if (k == key) return v;
  return {};
}

void MemoryProfileStore::WriteString(const std::string& section, const std::string& key,
                                     const std::string& value) {
  std::lock_guard<std::mutex> guard(lock_);
  operations_.push_back("set " + section + " " + key + "=" + value);
  Set(section, key, value);
}

void MemoryProfileStore::DeleteSection(const std::string& section) {
  std::lock_guard<std::mutex> guard(lock_);
  operations_.push_back("delete " + section);
  std::erase_if(sections_, [&](const auto& s) { return s.first == section; });
}

void MemoryProfileStore::Preset(const std::string& section, const Values& values) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [k, v] : values) Set(section, k, v);
}

MemoryProfileStore::Values MemoryProfileStore::Section(const std::string& section) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [name, values] : sections_)
    if (name == section) return values;
  return {};
}

bool MemoryProfileStore::HasSection(const std::string& section) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& s : sections_)
    if (s.first == section) return true;
  return false;
}

bool MemoryProfileStore::HasKey(const std::string& section, const std::string& key) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [name, values] : sections_)
    if (name == section)
      for (auto& kv : values)
        if (kv.first == key) return true;
  return false;
}

std::vector<std::string> MemoryProfileStore::Operations() {
  std::lock_guard<std::mutex> guard(lock_);
  return operations_;
}

void MemoryProfileStore::ClearOperations() {
  std::lock_guard<std::mutex> guard(lock_);
  operations_.clear();
}

void MemoryProfileStore::Set(const std::string& section, const std::string& key,
                             const std::string& value) {
  for (auto& [name, values] : sections_) {
    if (name != section) continue;
    for (auto& kv : values)
      if (kv.first == key) {
        kv.second = value;
        return;
      }
    values.emplace_back(key, value);
    return;
  }
  sections_.push_back({section, {{key, value}}});
}

}  // namespace vantaro::platform
