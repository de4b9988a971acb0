#include "platform/Socket.h"

#include "platform/SocketLayer.h"
#include "platform/win32/WindowsApi.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>
#include <utility>

namespace norvanta::platform {
namespace {

SOCKET nativeOf(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

bool setBlocking(SOCKET socket, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// A non-blocking connect lets us bound the wait; the stack's own limit is about 21 s.
// A refused connection shows in the exception set, not the write set.
bool waitForConnect(SOCKET socket, std::chrono::milliseconds timeout)
{
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit{};
    limit.tv_sec = static_cast<long>(timeout.count() / 1000);
    limit.tv_usec = static_cast<long>((timeout.count() % 1000) * 1000);
    if (::select(0, nullptr, &writable, &failed, &limit) <= 0 || FD_ISSET(socket, &failed)) {
        return false;
    }
    int error = 0;
    int length = sizeof error;
    return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
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
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        return Socket();
    }
    // Kept out of the updater the client may start (WSA_FLAG_NO_HANDLE_INHERIT is
    // refused before Windows 7 SP1).
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    return Socket(static_cast<SocketHandle>(socket));
}

void Socket::close()
{
    if (m_handle != kNoSocket) {
        ::closesocket(nativeOf(m_handle));
        m_handle = kNoSocket;
    }
}

bool Socket::connectTo(std::uint32_t addressNetworkOrder, std::uint16_t port, std::chrono::milliseconds timeout)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = addressNetworkOrder;

    const SOCKET socket = nativeOf(m_handle);
    if (!setBlocking(socket, false)) {
        return false;
    }
    const int result = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const bool connected = result == 0 || (::WSAGetLastError() == WSAEWOULDBLOCK && waitForConnect(socket, timeout));
    return setBlocking(socket, true) && connected;
}

bool Socket::setIoTimeout(std::chrono::milliseconds timeout)
{
    // Winsock takes the time-outs as a DWORD of milliseconds, not a timeval.
    const DWORD milliseconds = static_cast<DWORD>(timeout.count());
    const char* value = reinterpret_cast<const char*>(&milliseconds);
    const SOCKET socket = nativeOf(m_handle);
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, value, sizeof milliseconds) == 0
           && ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, value, sizeof milliseconds) == 0;
}

bool Socket::sendAll(const char* data, std::size_t length)
{
    return sendAllBytes(m_handle, data, length);
}

bool sendAllBytes(SocketHandle socket, const char* data, std::size_t length)
{
    // Windows has no SIGPIPE: a send on a closed connection just fails.
    while (length > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
        const int sent = ::send(nativeOf(socket), data, chunk, 0);
        if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEINTR) {
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
    const int wanted = static_cast<int>(std::min<std::size_t>(capacity, 1u << 30));
    int received = 0;
    do {
        received = ::recv(nativeOf(m_handle), buffer, wanted, 0);
    } while (received == SOCKET_ERROR && ::WSAGetLastError() == WSAEINTR);
    if (received != SOCKET_ERROR) {
        return received;
    }
    // SO_RCVTIMEO running out is WSAETIMEDOUT; the connection is unusable after it.
    return ::WSAGetLastError() == WSAETIMEDOUT ? kReceiveTimedOut : kReceiveFailed;
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
    Socket listener = openTcp();
    if (!listener.valid()) {
        return listener;
    }
    // Windows' SO_REUSEADDR would let another program take the port; the exclusive
    // form is what POSIX gives by default.
    const BOOL exclusive = TRUE;
    ::setsockopt(nativeOf(listener.m_handle), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = ::htons(port);
    if (::bind(nativeOf(listener.m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(nativeOf(listener.m_handle), backlog) != 0) {
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
    ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
    return Socket(static_cast<SocketHandle>(accepted));
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
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
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

std::string lastSocketErrorText()
{
    return "Winsock error " + std::to_string(::WSAGetLastError());
}

} // namespace norvanta::platform
