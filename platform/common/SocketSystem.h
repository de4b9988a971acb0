#pragma once

#include "platform/Socket.h"

#include <cstdint>
#include <string>

// What each system's socket file gives the code the systems share (the calls that
// differ, and nothing else), and the little both sides use.
namespace norvanta::platform::socket_system {

// Closes a valid native socket.
void close(SocketHandle handle);

// The first IPv4 address of host, asked of the system's resolver; this may block for as
// long as the resolver takes.
bool lookUpIpv4(const std::string& host, std::uint32_t& addressNetworkOrder);

} // namespace norvanta::platform::socket_system

namespace norvanta::platform {

// Tells a caller of Socket::connectTo that asked why it failed.
inline void reportFailure(Socket::ConnectFailure* failure, Socket::ConnectFailure why)
{
    if (failure != nullptr) {
        *failure = why;
    }
}

} // namespace norvanta::platform
