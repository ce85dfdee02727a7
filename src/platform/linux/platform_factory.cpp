// The one place that picks the Linux implementations.

#include "platform/linux/posix_factories.h"
#include "platform/linux/service_factories.h"

namespace vantaro::platform {

std::unique_ptr<Platform> CreatePlatform() {
  auto p = std::make_unique<Platform>();
  p->network = CreatePosixNetwork();
  p->networkState = CreateLinuxNetworkState();
  p->idleInhibitor = CreateLinuxIdleInhibitor();
  p->power = CreateLogindPower();
  return p;
}

}  // namespace vantaro::platform
