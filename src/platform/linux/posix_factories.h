#pragma once
// Factories of the Linux implementations; platform_factory.cpp assembles them.

#include <memory>

#include "platform/platform.h"

namespace vantaro::platform {

std::unique_ptr<Network> CreatePosixNetwork();

}  // namespace vantaro::platform
