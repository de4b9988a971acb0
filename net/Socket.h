#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace norvanta::net {

// Owns one stream socket descriptor and closes it when it goes out of scope.
// Thin on purpose: callers keep the protocol, this keeps the descriptor safe.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket();

    // A new IPv4 TCP socket, close-on-exec; invalid (fd() == -1) on failure.
    static Socket openTcp();

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();

    // Connects to addr:port, giving up after timeout. Returns false on any failure.
    bool connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port,
                   std::chrono::milliseconds timeout);

    // Every later send or receive call gives up after timeout (errno EAGAIN).
    bool setIoTimeout(std::chrono::milliseconds timeout);

    // Sends all bytes unless the peer or the network fails; never raises SIGPIPE.
    // Returns false when not every byte went out.
    bool sendAll(const char* data, std::size_t length);
    bool sendAll(const std::string& text) { return sendAll(text.data(), text.size()); }

    // One receive call, restarted on EINTR; result and errno as recv(2).
    long receive(char* buffer, std::size_t capacity);

private:
    int m_fd = -1;
};

// Sends all bytes on a stream socket descriptor, restarting after EINTR, without ever
// raising SIGPIPE. False when not every byte went out.
bool sendAllBytes(int fd, const char* data, std::size_t length);

// True when the errno of a failed receive means the I/O time-out ran out.
bool isTimeoutError(int errorNumber);

// The first IPv4 address of host in network byte order, or false when it has none.
bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder);

} // namespace norvanta::net
