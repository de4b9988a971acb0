#pragma once

#include "platform/Socket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The sockets the HTTP client uses: IPv4 TCP connections whose every wait ends by a
// deadline the caller gives, so no single call can outlast the exchange it belongs to.
namespace norvanta::platform {

using SocketDeadline = std::chrono::steady_clock::time_point;

// Brings up the socket layer before a network operation. Safe to call before every
// request; returns false when the layer cannot start (the caller treats that as a
// transport failure). On Linux it always succeeds unless a test asked it to fail.
bool startSocketLayer();

// Test hook: while set, startSocketLayer() fails. Not for production code.
void setSocketLayerFailureForTesting(bool fail);

// The first IPv4 address of host in network byte order; false when it has none or the
// lookup has not answered by deadline (the lookup then finishes unobserved).
bool ResolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline deadline);

// Test hook: every later lookup first waits this long, as a slow name server would.
void setNameLookupDelayForTesting(std::chrono::milliseconds delay);

// What one receive call brought.
struct ReceiveResult {
    enum class Status { Data, Closed, TimedOut, Failed };
    Status status = Status::Failed;
    std::size_t bytes = 0; // > 0 exactly when status is Data
};

// One IPv4 TCP connection, closed when destroyed. Move-only.
class TcpConnection {
public:
    TcpConnection() = default;
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    ~TcpConnection();

    // A connection to address:port, or an invalid one when it cannot be made by deadline.
    static TcpConnection connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline);

    bool valid() const { return m_fd != kNoSocket; }

    // Sends every byte unless the peer or the network fails or deadline passes; never
    // raises SIGPIPE. False when not every byte went out.
    bool sendAll(const char* data, std::size_t length, SocketDeadline deadline);

    // Waits until deadline at most for bytes, then receives up to capacity of them.
    ReceiveResult receive(char* buffer, std::size_t capacity, SocketDeadline deadline);

private:
    explicit TcpConnection(SocketHandle fd) : m_fd(fd) {}
    void close();
    // The descriptor as the POSIX calls take it.
    int fd() const { return static_cast<int>(m_fd); }

    SocketHandle m_fd = kNoSocket;
};

} // namespace norvanta::platform
