#include "platform/SocketLayer.h"

#include "platform/win32/WindowsApi.h"

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace norvanta::platform {
namespace {

std::atomic<bool> g_failForTesting{false};

// WSAStartup once per process; Winsock is left up until the process ends, since sockets
// may still be open on other threads when main returns.
bool startWinsockOnce()
{
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

using Clock = std::chrono::steady_clock;

SOCKET nativeOf(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

enum class Readiness { Readable, Writable };

// True when the socket became ready before deadline. select rather than WSAPoll, which
// the XP-level headers the RAS structures need do not declare. A failed connect shows in
// the exception set; it counts as ready, and the next call reports it.
bool waitUntilReady(SOCKET socket, Readiness wanted, SocketDeadline deadline)
{
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
    const auto micros = std::clamp<std::chrono::microseconds::rep>(left.count(), 0, 1'000'000'000);
    timeval limit{};
    limit.tv_sec = static_cast<long>(micros / 1'000'000);
    limit.tv_usec = static_cast<long>(micros % 1'000'000);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    fd_set* readable = wanted == Readiness::Readable ? &ready : nullptr;
    fd_set* writable = wanted == Readiness::Writable ? &ready : nullptr;
    return ::select(0, readable, writable, &failed, &limit) > 0;
}

bool wouldBlock()
{
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}

} // namespace

bool startSocketLayer()
{
    return !g_failForTesting.load() && startWinsockOnce();
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
        ::closesocket(nativeOf(std::exchange(m_fd, kNoSocket)));
    }
}

TcpConnection TcpConnection::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline)
{
    // The socket stays non-blocking: every wait on it is a select bounded by a deadline,
    // never the stack's own limit of about 21 s. Not inherited by the updater.
    const SOCKET native = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    TcpConnection connection(native == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(native));
    u_long nonBlocking = 1;
    if (!connection.valid() || ::ioctlsocket(native, FIONBIO, &nonBlocking) != 0) {
        connection.close();
        return connection;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;
    if (::connect(native, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK && waitUntilReady(native, Readiness::Writable, deadline)) {
        int length = sizeof error;
        if (::getsockopt(native, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
            error = ::WSAGetLastError();
        }
    }
    if (error != 0) {
        connection.close();
    }
    return connection;
}

bool TcpConnection::sendAll(const char* data, std::size_t length, SocketDeadline deadline)
{
    // Winsock raises no signal for a closed peer; there is nothing to switch off.
    while (length > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
        const int sent = ::send(nativeOf(m_fd), data, chunk, 0);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
        } else if (sent == SOCKET_ERROR && wouldBlock()) {
            if (!waitUntilReady(nativeOf(m_fd), Readiness::Writable, deadline)) {
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
    const int wanted = static_cast<int>(std::min<std::size_t>(capacity, 1u << 30));
    // The socket does not block: bytes already there are taken at once, and only an
    // empty socket is waited on.
    for (;;) {
        const int received = ::recv(nativeOf(m_fd), buffer, wanted, 0);
        if (received > 0) {
            return {Status::Data, static_cast<std::size_t>(received)};
        }
        if (received == 0) {
            return {Status::Closed, 0};
        }
        if (!wouldBlock()) {
            return {Status::Failed, 0};
        }
        if (!waitUntilReady(nativeOf(m_fd), Readiness::Readable, deadline)) {
            return {Status::TimedOut, 0};
        }
    }
}

} // namespace norvanta::platform
