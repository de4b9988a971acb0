#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace norvanta::platform {

// A native stream socket: a descriptor on POSIX, a SOCKET on Windows. kNoSocket names none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Owns one stream socket and closes it when it goes out of scope.
// Thin on purpose: callers keep the protocol, this keeps the socket safe.
class Socket {
public:
    // What receive() returns besides a byte count (> 0) or 0 for an orderly close.
    static constexpr long kReceiveFailed = -1;
    static constexpr long kReceiveTimedOut = -2; // the I/O time-out ran out

    Socket() = default;
    explicit Socket(SocketHandle handle) : m_handle(handle) {}
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket();

    // A new IPv4 TCP socket, not inherited by child processes; invalid on failure.
    // The socket layer must be started (StartSocketLayer).
    static Socket openTcp();

    bool valid() const { return m_handle != kNoSocket; }
    SocketHandle handle() const { return m_handle; }
    void close();

    // Connects to addr:port, giving up after timeout. Returns false on any failure.
    bool connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port,
                   std::chrono::milliseconds timeout);

    // Every later send or receive call gives up after timeout.
    bool setIoTimeout(std::chrono::milliseconds timeout);

    // Sends all bytes unless the peer or the network fails; never raises SIGPIPE.
    // Returns false when not every byte went out.
    bool sendAll(const char* data, std::size_t length);
    bool sendAll(const std::string& text) { return sendAll(text.data(), text.size()); }

    // One receive call, restarted when a signal interrupts it: the bytes received, 0 when
    // the peer closed, kReceiveTimedOut or kReceiveFailed.
    long receive(char* buffer, std::size_t capacity);

private:
    SocketHandle m_handle = kNoSocket;
};

// Sends all bytes on a connected stream socket, restarting after interruptions, without
// ever raising SIGPIPE. False when not every byte went out.
bool sendAllBytes(SocketHandle socket, const char* data, std::size_t length);

// The first IPv4 address of host in network byte order, or false when it has none.
bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder);

} // namespace norvanta::platform
