#pragma once

#include <string>

// One VPN server of the downloaded list: the display name shown in the drop-down list
// (from server_name) and the host name or dotted address to dial (from server_addr).
// Both are CP949 bytes, kept exactly as received.
struct _SERVER_LIST {
    std::string name;
    std::string address;

    bool operator==(const _SERVER_LIST&) const = default;
};
