#include "platform/Socket.h"

#include "platform/common/SocketSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace norvanta::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_failForTesting{false};

int fdOf(SocketHandle handle)
{
    return static_cast<int>(handle);
}

sockaddr_in ipv4Address(std::uint32_t addressNetworkOrder, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;
    return address;
}

// Milliseconds left until deadline for poll(2), rounded up so a wait never ends early.
int pollTimeout(SocketDeadline deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1'000'000));
}

// True when fd became ready for events before deadline.
bool waitUntilReady(int fd, short events, SocketDeadline deadline)
{
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int ready = ::poll(&pfd, 1, pollTimeout(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

} // namespace

void socket_system::close(SocketHandle handle)
{
    ::close(fdOf(handle));
}

bool socket_system::lookUpIpv4(const std::string& host, std::uint32_t& addressNetworkOrder)
{
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

bool startSocketLayer()
{
    // POSIX sockets need no start-up; only a test can make this fail.
    return !g_failForTesting.load();
}

void setSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

std::string lastSocketErrorText()
{
    return std::strerror(errno);
}

Socket Socket::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline,
                         ConnectFailure* failure)
{
    Socket connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!connection.valid()) {
        reportFailure(failure, ConnectFailure::Failed);
        return connection;
    }
    const int fd = fdOf(connection.m_handle);
    const sockaddr_in address = ipv4Address(addressNetworkOrder, port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    int error = errno;
    if (error == EINPROGRESS && waitUntilReady(fd, POLLOUT, deadline)) {
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        connection.close();
        const bool timedOut = error == ETIMEDOUT || (error == EINPROGRESS && Clock::now() >= deadline);
        reportFailure(failure, timedOut ? ConnectFailure::TimedOut : ConnectFailure::Failed);
    }
    return connection;
}

bool Socket::sendAll(const char* data, std::size_t length, SocketDeadline deadline)
{
    const int fd = fdOf(m_handle);
    while (length > 0) {
        const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntilReady(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// Bytes already there are taken at once, and only an empty socket is waited on, which
// spares a poll call for most pieces of a large body.
ReceiveResult Socket::receive(char* buffer, std::size_t capacity, SocketDeadline deadline)
{
    using Status = ReceiveResult::Status;
    const int fd = fdOf(m_handle);
    for (;;) {
        const ssize_t received = ::recv(fd, buffer, capacity, 0);
        if (received > 0) {
            return {Status::Data, static_cast<std::size_t>(received)};
        }
        if (received == 0) {
            return {Status::Closed, 0};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return {Status::Failed, 0};
        }
        if (!waitUntilReady(fd, POLLIN, deadline)) {
            return {Status::TimedOut, 0};
        }
    }
}

Socket Socket::listenOnLoopback(std::uint16_t port, int backlog)
{
    Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.valid()) {
        return listener;
    }
    const int fd = fdOf(listener.m_handle);
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const sockaddr_in address = ipv4Address(htonl(INADDR_LOOPBACK), port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, backlog) != 0) {
        listener.close();
    }
    return listener;
}

std::uint16_t Socket::localPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fdOf(m_handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

Socket Socket::accept()
{
    return Socket(::accept4(fdOf(m_handle), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
}

void Socket::shutdownSend()
{
    ::shutdown(fdOf(m_handle), SHUT_WR);
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
        ::close(fdOf(m_wakeRead));
        ::close(fdOf(m_wakeWrite));
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
        fds.push_back({fdOf(socket), POLLIN, 0});
    }
    fds.push_back({fdOf(m_wakeRead), POLLIN, 0});
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
    [[maybe_unused]] const ssize_t written = ::write(fdOf(m_wakeWrite), &byte, 1);
}

} // namespace norvanta::platform
