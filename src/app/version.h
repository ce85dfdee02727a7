#pragma once
// Version numbers of this program and of the releases it is compared with. Pure functions; any
// thread.

#include <cstdint>
#include <string>

namespace vantaro::app {

// This program's version. Its VersionValue (20200) is also the server version that the control
// service reports to the device.
inline constexpr char kCurrentVersion[] = "2.2";

// A version text "major.minor.patch" (minor and patch optional) as the number MMmmpp, two
// decimal digits per part. Everything between the first and the last dot is the minor part.
// Of each part only its first and last character count (a one-character part is its units
// digit alone); a character that is not a digit counts as 0 and an empty part as 00. So "2.10"
// is 21000, "123.4" is 130400 and "2.3 " is 23000. Never fails; the result is 0 to 999999.
int32_t VersionValue(const std::string& text);

// True when `latest` has a greater VersionValue than `current`.
bool IsNewer(const std::string& current, const std::string& latest);

}  // namespace vantaro::app
