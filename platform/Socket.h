#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// IPv4 TCP sockets whose every wait ends by a deadline the caller gives, so that no single
// call can outlast the exchange it belongs to, and a waiter another thread can wake.
namespace norvanta::platform {

// A native stream socket: a descriptor on POSIX, a SOCKET on Windows. kNoSocket names none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

using SocketDeadline = std::chrono::steady_clock::time_point;

// Brings up the socket layer before a network operation. Safe to call before every
// request; returns false when the layer cannot start (the caller treats that as a
// transport failure). On Linux it always succeeds unless a test asked it to fail.
bool startSocketLayer();

// Test hook: while set, startSocketLayer() fails. Not for production code.
void setSocketLayerFailureForTesting(bool fail);

// The first IPv4 address of host in network byte order; false when it has none or the
// lookup has not answered by deadline (the lookup then finishes unobserved).
bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline deadline);

// Test hook: every later lookup first waits this long, as a slow name server would.
void setNameLookupDelayForTesting(std::chrono::milliseconds delay);

// The text of the last socket error of this thread, for messages.
std::string lastSocketErrorText();

// What one receive call brought.
struct ReceiveResult {
    enum class Status { Data, Closed, TimedOut, Failed };
    Status status = Status::Failed;
    std::size_t bytes = 0; // > 0 exactly when status is Data
};

// One IPv4 TCP socket, closed when destroyed. Move-only. It never blocks: every wait is
// bounded by the deadline of the call, never by the system's limits of minutes, and none
// is inherited by a program the client starts.
class Socket {
public:
    Socket() = default;
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket();

    // Why connectTo gave no connection: the deadline passed (or the system's own time-out)
    // with no answer, or the connection was refused or could not be tried.
    enum class ConnectFailure { TimedOut, Failed };

    // A connection to address:port, or an invalid socket when it cannot be made by
    // deadline; then `failure`, when given, says why.
    static Socket connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline,
                            ConnectFailure* failure = nullptr);

    bool valid() const { return m_handle != kNoSocket; }
    SocketHandle handle() const { return m_handle; }

    // Sends every byte unless the peer or the network fails or deadline passes; never
    // raises SIGPIPE. False when not every byte went out.
    bool sendAll(const char* data, std::size_t length, SocketDeadline deadline);
    bool sendAll(std::string_view bytes, SocketDeadline deadline)
    {
        return sendAll(bytes.data(), bytes.size(), deadline);
    }

    // Takes the bytes already there, or waits until deadline at most for some; up to
    // capacity of them.
    ReceiveResult receive(char* buffer, std::size_t capacity, SocketDeadline deadline);

    // The server side, for the development service the tests run in-process.
    // A socket listening on 127.0.0.1:port (0: an ephemeral port) with room for `backlog`
    // connections not yet accepted; invalid on failure.
    static Socket listenOnLoopback(std::uint16_t port, int backlog = 16);
    // The local port the socket is bound to; 0 when it cannot be found.
    std::uint16_t localPort() const;
    // The next connection of a listening socket; invalid when none is waiting.
    Socket accept();
    // Sends nothing more: the peer reads the end of the stream after what was sent.
    void shutdownSend();

private:
    explicit Socket(SocketHandle handle) : m_handle(handle) {}
    void close();

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

} // namespace norvanta::platform
