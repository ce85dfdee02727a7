#pragma once
// Factories of the Linux implementations used by the network service and the process.

#include <memory>

#include "platform/network_state.h"
#include "platform/power.h"
#include "platform/termination_signal.h"

namespace vantaro::platform {

std::unique_ptr<NetworkState> CreateLinuxNetworkState();
// Holds a logind idle inhibitor while in use; without a system bus it resets the X screen saver
// when a display is reachable; without either it does nothing.
std::unique_ptr<IdleInhibitor> CreateLinuxIdleInhibitor();
// Power off, reboot, hibernate and ending the user's own session through logind.
std::unique_ptr<Power> CreateLogindPower();

}  // namespace vantaro::platform
