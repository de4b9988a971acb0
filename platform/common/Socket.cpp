#include "platform/Socket.h"

#include "platform/common/SocketSystem.h"

#include <utility>

namespace norvanta::platform {

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

void Socket::close()
{
    if (valid()) {
        socket_system::close(std::exchange(m_handle, kNoSocket));
    }
}

} // namespace norvanta::platform
