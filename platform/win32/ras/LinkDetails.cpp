#include "platform/LinkDetails.h"

#include <cstring>

namespace norvanta::platform {
namespace {

// The address the server's IPCP gave this computer; nothing while IPCP has not run or
// failed.
std::optional<std::string> localAddressOf(HRASCONN connection)
{
    RASPPPIPA ip;
    std::memset(&ip, 0, sizeof ip);
    ip.dwSize = sizeof ip;
    DWORD size = sizeof ip;
    if (::RasGetProjectionInfoA(connection, RASP_PppIp, &ip, &size) != 0 || ip.dwError != 0) {
        return std::nullopt;
    }
    const char* begin = ip.szIpAddress;
    const auto* end = static_cast<const char*>(std::memchr(begin, '\0', sizeof ip.szIpAddress));
    if (end == nullptr || end == begin) {
        return std::nullopt;
    }
    return std::string(begin, end);
}

// What the compression control protocol agreed: the MPPE key length, or none.
std::optional<LinkDetails::Encryption> encryptionOf(HRASCONN connection)
{
    RASPPPCCP ccp;
    std::memset(&ccp, 0, sizeof ccp);
    ccp.dwSize = sizeof ccp;
    DWORD size = sizeof ccp;
    const DWORD result = ::RasGetProjectionInfoA(connection, RASP_PppCcp, &ccp, &size);
    if (result == ERROR_PROTOCOL_NOT_CONFIGURED) {
        return LinkDetails::Encryption::None; // no CCP at all: nothing encrypts the link
    }
    if (result != 0 || ccp.dwError != 0) {
        return std::nullopt;
    }
    if ((ccp.dwOptions & RASCCPO_Encryption128bit) != 0) {
        return LinkDetails::Encryption::Mppe128;
    }
    if ((ccp.dwOptions & RASCCPO_Encryption56bit) != 0) {
        return LinkDetails::Encryption::Mppe56;
    }
    if ((ccp.dwOptions & RASCCPO_Encryption40bit) != 0) {
        return LinkDetails::Encryption::Mppe40;
    }
    return LinkDetails::Encryption::None;
}

} // namespace

LinkDetails readLinkDetails(HRASCONN connection)
{
    RAS_STATS stats;
    std::memset(&stats, 0, sizeof stats);
    stats.dwSize = kRasStatsSize;
    if (connection == nullptr || ::RasGetConnectionStatistics(connection, &stats) != 0) {
        return {};
    }
    LinkDetails details;
    details.localAddress = localAddressOf(connection);
    details.encryption = encryptionOf(connection);
    details.bytesSent = stats.dwBytesXmited;
    details.bytesReceived = stats.dwBytesRcved;
    return details;
}

} // namespace norvanta::platform
