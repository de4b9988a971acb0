#pragma once

#include "platform/RasApi.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Checks made before a dial is handed to NetworkManager, because NetworkManager reports
// their failures only as a plain "failed": a kernel without PPP, a server name that does
// not resolve, a server that does not take PPTP connections. They block (file reads, name
// resolution, a TCP connection attempt) and run on a dial's own thread.
namespace norvanta::platform::ras::nm {

enum class KernelSupport { Present, Missing, Unknown };

// Whether the kernel running under `root` (normally "/") has `module`: loaded or built in
// (/sys/module), or installed for `release` (/lib/modules/<release>/modules.dep or
// modules.builtin). Unknown when the module lists cannot be read (a container, say): the
// dial then goes ahead and NetworkManager has the last word.
KernelSupport kernelModuleSupport(const std::filesystem::path& root, const std::string& release,
                                  std::string_view module);

// Whether the kernel running under `root` has PPP (ppp_generic) and MPPE (ppp_mppe):
// seen running (/sys/module, /dev/ppp, /proc/devices), else from its build configuration
// (/proc/config.gz, /boot/config-<release>: CONFIG_PPP, CONFIG_PPP_MPPE), else from the
// module lists as kernelModuleSupport reads them.
KernelSupport pppKernelSupport(const std::filesystem::path& root, const std::string& release);

// True when PPP or its MPPE encryption is certainly missing from the kernel.
bool pppKernelMissing(const std::filesystem::path& root, const std::string& release);

// The running kernel's release (uname -r).
std::string runningKernelRelease();

// Resolves the server `host` to an IPv4 address (the PPTP plugin uses IPv4 only). 0 with
// `address` set (dotted); 868 when it does not resolve.
DWORD resolveServer(const std::string& host, std::string& address);

// The gateway to put in the profile: `host` itself when the plugin accepts its characters
// ([A-Za-z0-9.-]), otherwise the resolved `address`.
std::string gatewayFor(const std::string& host, const std::string& address);

// Opens and closes a TCP connection to `address`:`port`. 0 when it was accepted; 800 when
// refused or unreachable; 809 when nothing answered within `timeout`.
DWORD probePptpPort(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout);

} // namespace norvanta::platform::ras::nm
