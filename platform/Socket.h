#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
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
    // The socket layer must be started (startSocketLayer).
    static Socket openTcp();

    bool valid() const { return m_handle != kNoSocket; }
    SocketHandle handle() const { return m_handle; }
    void close();

    // Connects to addr:port, giving up after timeout. Returns false on any failure.
    bool connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, std::chrono::milliseconds timeout);

    // Every later send or receive call gives up after timeout.
    bool setIoTimeout(std::chrono::milliseconds timeout);

    // Sends all bytes unless the peer or the network fails; never raises SIGPIPE.
    // Returns false when not every byte went out.
    bool sendAll(const char* data, std::size_t length);
    bool sendAll(const std::string& text) { return sendAll(text.data(), text.size()); }

    // One receive call, restarted when a signal interrupts it: the bytes received, 0 when
    // the peer closed, kReceiveTimedOut or kReceiveFailed.
    long receive(char* buffer, std::size_t capacity);

    // The server side, for the development service the tests run in-process.
    // A socket listening on 127.0.0.1:port (0: an ephemeral port) with room for `backlog`
    // connections not yet accepted; invalid on failure.
    static Socket listenOnLoopback(std::uint16_t port, int backlog = 16);
    // The local port the socket is bound to; 0 when it cannot be found.
    std::uint16_t localPort() const;
    // The next connection of a listening socket; invalid on failure.
    Socket accept();
    // Sends nothing more: the peer reads the end of the stream after what was sent.
    void shutdownSend();

private:
    SocketHandle m_handle = kNoSocket;
};

// Waits until one of some sockets can be read (data, a connection, or the peer's close)
// and can be woken from another thread. A wake lasts: every later wait returns at once.
class SocketWaiter {
public:
    static constexpr int kWoken = -1;
    static constexpr int kTimedOut = -2;
    static constexpr int kFailed = -3;

    SocketWaiter();
    ~SocketWaiter();
    SocketWaiter(const SocketWaiter&) = delete;
    SocketWaiter& operator=(const SocketWaiter&) = delete;

    // False when the wake channel could not be made.
    bool valid() const;
    // The index of a readable socket in `sockets`, kWoken, kTimedOut (after `timeout`;
    // without one it waits for a socket or a wake) or kFailed.
    int waitReadable(std::initializer_list<SocketHandle> sockets, std::optional<std::chrono::milliseconds> timeout);
    // Safe from any thread.
    void wake();

private:
    SocketHandle m_wakeRead = kNoSocket;
    SocketHandle m_wakeWrite = kNoSocket;
};

// The text of the last socket error of this thread, for messages.
std::string lastSocketErrorText();

// Sends all bytes on a connected stream socket, restarting after interruptions, without
// ever raising SIGPIPE. False when not every byte went out.
bool sendAllBytes(SocketHandle socket, const char* data, std::size_t length);

// The first IPv4 address of host in network byte order, or false when it has none.
bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder);

} // namespace norvanta::platform
