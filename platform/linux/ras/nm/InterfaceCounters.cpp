#include "platform/linux/ras/nm/InterfaceCounters.h"

#include <arpa/inet.h>
#include <fstream>
#include <ifaddrs.h>
#include <memory>
#include <netinet/in.h>

namespace norvanta::platform::ras::nm {
namespace {

struct AddressListFree {
    void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};

std::optional<std::string> interfaceHolding(const std::string& address)
{
    in_addr wanted{};
    ifaddrs* raw = nullptr;
    if (::inet_pton(AF_INET, address.c_str(), &wanted) != 1 || ::getifaddrs(&raw) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<ifaddrs, AddressListFree> list(raw);
    for (const ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET
            && reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr == wanted.s_addr) {
            return std::string(entry->ifa_name);
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> readCounter(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::uint64_t value = 0;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<InterfaceCounters> countersOfAddress(const std::string& address, const std::filesystem::path& systemRoot)
{
    const auto name = interfaceHolding(address);
    if (!name || name->find('/') != std::string::npos) {
        return std::nullopt;
    }
    const auto statistics = systemRoot / "sys/class/net" / *name / "statistics";
    const auto sent = readCounter(statistics / "tx_bytes");
    const auto received = readCounter(statistics / "rx_bytes");
    if (!sent || !received) {
        return std::nullopt;
    }
    return InterfaceCounters{*sent, *received};
}

} // namespace norvanta::platform::ras::nm
