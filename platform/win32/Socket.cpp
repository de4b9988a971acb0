#include "platform/Socket.h"

#include "platform/common/SocketSystem.h"
#include "platform/win32/WindowsApi.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <string>

namespace norvanta::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_failForTesting{false};

SOCKET nativeOf(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

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

sockaddr_in ipv4Address(std::uint32_t addressNetworkOrder, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;
    return address;
}

bool makeNonBlocking(SOCKET socket)
{
    u_long nonBlocking = 1;
    return ::ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// A non-blocking TCP socket kept out of the updater the client may start; kNoSocket on
// failure.
SocketHandle openTcp()
{
    const SOCKET native = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (native == INVALID_SOCKET) {
        return kNoSocket;
    }
    if (!makeNonBlocking(native)) {
        ::closesocket(native);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(native);
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

void socket_system::close(SocketHandle handle)
{
    ::closesocket(nativeOf(handle));
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
    return !g_failForTesting.load() && startWinsockOnce();
}

void setSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

std::string lastSocketErrorText()
{
    return "Winsock error " + std::to_string(::WSAGetLastError());
}

Socket Socket::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, SocketDeadline deadline,
                         ConnectFailure* failure)
{
    Socket connection(openTcp());
    if (!connection.valid()) {
        reportFailure(failure, ConnectFailure::Failed);
        return connection;
    }
    const SOCKET native = nativeOf(connection.m_handle);
    const sockaddr_in address = ipv4Address(addressNetworkOrder, port);
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
        const bool timedOut = error == WSAETIMEDOUT || (error == WSAEWOULDBLOCK && Clock::now() >= deadline);
        reportFailure(failure, timedOut ? ConnectFailure::TimedOut : ConnectFailure::Failed);
    }
    return connection;
}

bool Socket::sendAll(const char* data, std::size_t length, SocketDeadline deadline)
{
    // Winsock raises no signal for a closed peer; there is nothing to switch off.
    while (length > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
        const int sent = ::send(nativeOf(m_handle), data, chunk, 0);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
        } else if (sent == SOCKET_ERROR && wouldBlock()) {
            if (!waitUntilReady(nativeOf(m_handle), Readiness::Writable, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// Bytes already there are taken at once, and only an empty socket is waited on.
ReceiveResult Socket::receive(char* buffer, std::size_t capacity, SocketDeadline deadline)
{
    using Status = ReceiveResult::Status;
    const int wanted = static_cast<int>(std::min<std::size_t>(capacity, 1u << 30));
    for (;;) {
        const int received = ::recv(nativeOf(m_handle), buffer, wanted, 0);
        if (received > 0) {
            return {Status::Data, static_cast<std::size_t>(received)};
        }
        if (received == 0) {
            return {Status::Closed, 0};
        }
        if (!wouldBlock()) {
            return {Status::Failed, 0};
        }
        if (!waitUntilReady(nativeOf(m_handle), Readiness::Readable, deadline)) {
            return {Status::TimedOut, 0};
        }
    }
}

Socket Socket::listenOnLoopback(std::uint16_t port, int backlog)
{
    Socket listener(openTcp());
    if (!listener.valid()) {
        return listener;
    }
    const SOCKET native = nativeOf(listener.m_handle);
    // Windows' SO_REUSEADDR would let another program take the port; the exclusive
    // form is what POSIX gives by default.
    const BOOL exclusive = TRUE;
    ::setsockopt(native, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    const sockaddr_in address = ipv4Address(::htonl(INADDR_LOOPBACK), port);
    if (::bind(native, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(native, backlog) != 0) {
        listener.close();
    }
    return listener;
}

std::uint16_t Socket::localPort() const
{
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(nativeOf(m_handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ::ntohs(address.sin_port);
}

Socket Socket::accept()
{
    const SOCKET accepted = ::accept(nativeOf(m_handle), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) {
        return Socket();
    }
    Socket client(static_cast<SocketHandle>(accepted));
    ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
    if (!makeNonBlocking(accepted)) {
        client.close();
    }
    return client;
}

void Socket::shutdownSend()
{
    ::shutdown(nativeOf(m_handle), SD_SEND);
}

// Windows has no pipe that select() can watch, so the wake channel is a UDP socket on
// the loopback that sends to itself; its datagram is never read, so a wake lasts.
SocketWaiter::SocketWaiter()
{
    if (!startSocketLayer()) {
        return;
    }
    const SOCKET channel = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (channel == INVALID_SOCKET) {
        return;
    }
    sockaddr_in address = ipv4Address(::htonl(INADDR_LOOPBACK), 0);
    int length = sizeof address;
    if (::bind(channel, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(channel, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || ::connect(channel, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::closesocket(channel);
        return;
    }
    m_wakeRead = m_wakeWrite = static_cast<SocketHandle>(channel);
}

SocketWaiter::~SocketWaiter()
{
    if (valid()) {
        ::closesocket(nativeOf(m_wakeRead));
    }
}

bool SocketWaiter::valid() const
{
    return m_wakeRead != kNoSocket;
}

int SocketWaiter::waitReadable(std::initializer_list<SocketHandle> sockets,
                               std::optional<std::chrono::milliseconds> timeout)
{
    fd_set readable;
    FD_ZERO(&readable);
    for (const SocketHandle socket : sockets) {
        FD_SET(nativeOf(socket), &readable);
    }
    FD_SET(nativeOf(m_wakeRead), &readable);
    timeval limit{};
    if (timeout) {
        limit.tv_sec = static_cast<long>(timeout->count() / 1000);
        limit.tv_usec = static_cast<long>((timeout->count() % 1000) * 1000);
    }
    const int ready = ::select(0, &readable, nullptr, nullptr, timeout ? &limit : nullptr);
    if (ready == SOCKET_ERROR) {
        return kFailed;
    }
    if (FD_ISSET(nativeOf(m_wakeRead), &readable)) {
        return kWoken;
    }
    int index = 0;
    for (const SocketHandle socket : sockets) {
        if (FD_ISSET(nativeOf(socket), &readable)) {
            return index;
        }
        ++index;
    }
    return kTimedOut;
}

void SocketWaiter::wake()
{
    const char byte = 1;
    ::send(nativeOf(m_wakeWrite), &byte, 1, 0);
}

} // namespace norvanta::platform
