#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace norvanta::platform::ras::nm {

// The bytes a network interface has sent and received, as the kernel counts them.
struct InterfaceCounters {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// The counters of the interface that holds the IPv4 address `address` (a tunnel's ppp
// device), read under `systemRoot`/sys; nothing when no interface holds it or the kernel
// does not say. Reads a few small files, so it may run on the window's tick.
std::optional<InterfaceCounters> countersOfAddress(const std::string& address, const std::filesystem::path& systemRoot);

} // namespace norvanta::platform::ras::nm
