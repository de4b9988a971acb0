#include "platform/SocketLayer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace norvanta::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_failForTesting{false};
std::atomic<std::chrono::milliseconds::rep> g_lookupDelayForTesting{0};

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

// The lookup runs on a thread of its own because getaddrinfo cannot be bounded; a caller
// that stops waiting leaves the thread to finish and free this on its own.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
};

void lookUp(const std::string& host, Lookup& lookup)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_lookupDelayForTesting.load()));
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    const bool found = ::getaddrinfo(host.c_str(), nullptr, &hints, &results) == 0 && results != nullptr;
    const std::uint32_t address =
        found ? reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr.s_addr : 0;
    if (results != nullptr) {
        ::freeaddrinfo(results);
    }
    {
        const std::lock_guard guard(lookup.mutex);
        lookup.done = true;
        lookup.found = found;
        lookup.address = address;
    }
    lookup.finished.notify_all();
}

} // namespace

bool StartSocketLayer()
{
    // POSIX sockets need no start-up; only a test can make this fail.
    return !g_failForTesting.load();
}

void SetSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

void SetNameLookupDelayForTesting(std::chrono::milliseconds delay)
{
    g_lookupDelayForTesting.store(delay.count());
}

bool ResolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline deadline)
{
    if (host.empty()) {
        return false;
    }
    try {
        auto lookup = std::make_shared<Lookup>();
        std::thread([host, lookup] { lookUp(host, *lookup); }).detach();
        std::unique_lock lock(lookup->mutex);
        if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; }) || !lookup->found) {
            return false;
        }
        addressNetworkOrder = lookup->address;
        return true;
    } catch (...) {
        return false; // no thread or no memory for the lookup: the host stays unresolved
    }
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

TcpConnection::~TcpConnection()
{
    close();
}

void TcpConnection::close()
{
    if (m_fd >= 0) {
        ::close(std::exchange(m_fd, -1));
    }
}

TcpConnection TcpConnection::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port,
                                       SocketDeadline deadline)
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
    if (::connect(connection.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    int error = errno;
    if (error == EINPROGRESS && waitUntilReady(connection.m_fd, POLLOUT, deadline)) {
        socklen_t length = sizeof error;
        if (::getsockopt(connection.m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
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
        const ssize_t sent = ::send(m_fd, data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntilReady(m_fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

ReceiveResult TcpConnection::receive(char* buffer, std::size_t capacity, SocketDeadline deadline)
{
    using Status = ReceiveResult::Status;
    for (;;) {
        if (!waitUntilReady(m_fd, POLLIN, deadline)) {
            return {Status::TimedOut, 0};
        }
        const ssize_t received = ::recv(m_fd, buffer, capacity, 0);
        if (received > 0) {
            return {Status::Data, static_cast<std::size_t>(received)};
        }
        if (received == 0) {
            return {Status::Closed, 0};
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return {Status::Failed, 0};
        }
    }
}

bool sendAllBytes(int fd, const char* data, std::size_t length)
{
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

} // namespace norvanta::platform
