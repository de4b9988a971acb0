#include "platform/SocketLayer.h"

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <utility>

namespace norvanta::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_failForTesting{false};

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

bool startSocketLayer()
{
    // POSIX sockets need no start-up; only a test can make this fail.
    return !g_failForTesting.load();
}

void setSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : m_fd(std::exchange(other.m_fd, kNoSocket)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, kNoSocket);
    }
    return *this;
}

TcpConnection::~TcpConnection()
{
    close();
}

void TcpConnection::close()
{
    if (valid()) {
        ::close(static_cast<int>(std::exchange(m_fd, kNoSocket)));
    }
}

TcpConnection TcpConnection::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline)
{
    // The socket stays non-blocking: every wait on it is a poll bounded by a deadline,
    // never the kernel's own limits of minutes.
    TcpConnection connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!connection.valid()) {
        return connection;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;
    if (::connect(connection.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    int error = errno;
    if (error == EINPROGRESS && waitUntilReady(connection.fd(), POLLOUT, deadline)) {
        socklen_t length = sizeof error;
        if (::getsockopt(connection.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        connection.close();
    }
    return connection;
}

bool TcpConnection::sendAll(const char* data, std::size_t length, SocketDeadline deadline)
{
    while (length > 0) {
        const ssize_t sent = ::send(fd(), data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntilReady(fd(), POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// The socket does not block: bytes already there are taken at once, and only an empty
// socket is waited on, which spares a poll call for most pieces of a large body.
ReceiveResult TcpConnection::receive(char* buffer, std::size_t capacity, SocketDeadline deadline)
{
    using Status = ReceiveResult::Status;
    for (;;) {
        const ssize_t received = ::recv(fd(), buffer, capacity, 0);
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
        if (!waitUntilReady(fd(), POLLIN, deadline)) {
            return {Status::TimedOut, 0};
        }
    }
}

} // namespace norvanta::platform
