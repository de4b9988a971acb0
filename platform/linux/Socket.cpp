#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

namespace norvanta::platform {
namespace {

timeval toTimeval(std::chrono::milliseconds timeout)
{
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return tv;
}

bool setBlocking(int fd, bool blocking)
{
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) {
        return false;
    }
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, wanted) == 0;
}

// A non-blocking connect lets us bound the wait; the kernel's own limit is minutes.
bool waitForConnect(int fd, std::chrono::milliseconds timeout)
{
    pollfd pfd{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&pfd, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

} // namespace

Socket::Socket(Socket&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoSocket)) {}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoSocket);
    }
    return *this;
}

Socket::~Socket()
{
    close();
}

Socket Socket::openTcp()
{
    return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

void Socket::close()
{
    if (m_handle != kNoSocket) {
        ::close(static_cast<int>(m_handle));
        m_handle = kNoSocket;
    }
}

bool Socket::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, std::chrono::milliseconds timeout)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;

    const int fd = static_cast<int>(m_handle);
    if (!setBlocking(fd, false)) {
        return false;
    }
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const bool connected = result == 0 || (errno == EINPROGRESS && waitForConnect(fd, timeout));
    return setBlocking(fd, true) && connected;
}

bool Socket::setIoTimeout(std::chrono::milliseconds timeout)
{
    const timeval tv = toTimeval(timeout);
    const int fd = static_cast<int>(m_handle);
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0
           && ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

bool Socket::sendAll(const char* data, std::size_t length)
{
    return sendAllBytes(m_handle, data, length);
}

bool sendAllBytes(SocketHandle socket, const char* data, std::size_t length)
{
    const int fd = static_cast<int>(socket);
    while (length > 0) {
        const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

long Socket::receive(char* buffer, std::size_t capacity)
{
    ssize_t received = 0;
    do {
        received = ::recv(static_cast<int>(m_handle), buffer, capacity, 0);
    } while (received < 0 && errno == EINTR);
    if (received >= 0) {
        return static_cast<long>(received);
    }
    // SO_RCVTIMEO running out shows as EAGAIN (EWOULDBLOCK).
    return errno == EAGAIN || errno == EWOULDBLOCK ? kReceiveTimedOut : kReceiveFailed;
}

bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder)
{
    if (host.empty()) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &results) != 0 || results == nullptr) {
        return false;
    }
    addressNetworkOrder = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(results);
    return true;
}

Socket Socket::listenOnLoopback(std::uint16_t port, int backlog)
{
    Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.valid()) {
        return listener;
    }
    const int fd = static_cast<int>(listener.m_handle);
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, backlog) != 0) {
        listener.close();
    }
    return listener;
}

std::uint16_t Socket::localPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(static_cast<int>(m_handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

Socket Socket::accept()
{
    return Socket(::accept4(static_cast<int>(m_handle), nullptr, nullptr, SOCK_CLOEXEC));
}

void Socket::shutdownSend()
{
    ::shutdown(static_cast<int>(m_handle), SHUT_WR);
}

// A pipe is the wake channel: a byte written to it keeps it readable for good.
SocketWaiter::SocketWaiter()
{
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) == 0) {
        m_wakeRead = ends[0];
        m_wakeWrite = ends[1];
    }
}

SocketWaiter::~SocketWaiter()
{
    if (valid()) {
        ::close(static_cast<int>(m_wakeRead));
        ::close(static_cast<int>(m_wakeWrite));
    }
}

bool SocketWaiter::valid() const
{
    return m_wakeRead != kNoSocket;
}

int SocketWaiter::waitReadable(std::initializer_list<SocketHandle> sockets,
                               std::optional<std::chrono::milliseconds> timeout)
{
    std::vector<pollfd> fds;
    for (const SocketHandle socket : sockets) {
        fds.push_back({static_cast<int>(socket), POLLIN, 0});
    }
    fds.push_back({static_cast<int>(m_wakeRead), POLLIN, 0});
    const int milliseconds = timeout ? static_cast<int>(timeout->count()) : -1;
    const int ready = ::poll(fds.data(), fds.size(), milliseconds);
    if (ready < 0) {
        return errno == EINTR ? kTimedOut : kFailed;
    }
    if (fds.back().revents != 0) {
        return kWoken;
    }
    for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
        if (fds[i].revents != 0) {
            return static_cast<int>(i);
        }
    }
    return kTimedOut;
}

void SocketWaiter::wake()
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(m_wakeWrite), &byte, 1);
}

std::string lastSocketErrorText()
{
    return std::strerror(errno);
}

} // namespace norvanta::platform
