#pragma once
// The Linux probes of the self-check; self_check_factory.cpp assembles them.

#include <memory>
#include <string>
#include <vector>

#include "platform/self_check_probes.h"

namespace vantaro::platform {

// The display named by `displayName` (DISPLAY); an empty name is reported as not set.
std::unique_ptr<DisplayProbe> CreateX11DisplayProbe(std::string displayName);
// logind's CanPowerOff, CanReboot and CanHibernate over the system bus.
std::unique_ptr<PowerProbe> CreateLogindPowerProbe();
// Tries each port with a short-lived socket; a taken port is traced to its holder through /proc.
// `programPath` is this program's executable: a holder running the same file is this program.
std::unique_ptr<PortProbe> CreateSocketPortProbe(std::string programPath);
// getifaddrs and the routing table of /proc.
std::unique_ptr<InterfaceProbe> CreateLinuxInterfaceProbe();
// ufw from its files below `root` (normally "/"), firewalld over the system bus.
std::unique_ptr<FirewallProbe> CreateLinuxFirewallProbe(std::string root);

// Whether ufw's rules (the "### tuple ###" lines of user.rules) let every port of `ports` in.
bool UfwRulesAllow(const std::string& userRules, const ServicePorts& ports);

}  // namespace vantaro::platform
