#pragma once
// Where the per-user files live: the home folder and the XDG configuration folder. The environment
// is passed in so that tests use their own.

#include <functional>
#include <string>

namespace vantaro::platform {

// The value of an environment variable, empty when it is unset.
using EnvLookup = std::function<std::string(const std::string& name)>;

// The process environment (getenv). Reading it is safe while no thread changes it.
EnvLookup ProcessEnvironment();

// $HOME, or the password database's home folder when HOME is unset or empty; empty when neither
// is known.
std::string HomeFolder(const EnvLookup& env);

// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config" (relative values
// are ignored, as the XDG rules require).
std::string ConfigHome(const EnvLookup& env);

}  // namespace vantaro::platform
