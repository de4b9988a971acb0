#pragma once

#include "platform/RasApi.h"

#include <cstdint>
#include <optional>
#include <string>

namespace norvanta::platform {

// What a link that is up is: the address it gave this computer, the encryption it runs
// and what it has carried. Each part is there only when the system can tell it; nothing
// is guessed.
struct LinkDetails {
    enum class Encryption {
        None,
        Mppe, // MPPE of a strength the system does not report
        Mppe40,
        Mppe56,
        Mppe128,
    };

    std::optional<std::string> localAddress; // dotted IPv4
    std::optional<Encryption> encryption;
    std::optional<std::uint64_t> bytesSent;
    std::optional<std::uint64_t> bytesReceived;

    bool operator==(const LinkDetails&) const = default;
};

// The details of the connection `connection`; all empty for a link that is not up or a
// stale handle. Asks the remote-access service only what it answers at once (no wait on
// the network), so the window's tick may call it.
LinkDetails readLinkDetails(HRASCONN connection);

} // namespace norvanta::platform
