#pragma once
// Per-user store of named sections of named text values. Absent values read as the empty text.
// Failures are not reported to callers; an implementation may note them on standard error.
// Called from the user-interface thread only.

#include <string>

namespace vantaro::platform {

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual std::string GetString(const std::string& section, const std::string& key) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  // Removes the section with all its values.
  virtual void DeleteSection(const std::string& section) = 0;
  // Where the user finds the values (a file path), for messages; empty when it has no such place.
  virtual std::string Location() { return {}; }
};

}  // namespace vantaro::platform
