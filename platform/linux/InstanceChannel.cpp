#include "platform/InstanceChannel.h"

#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace norvanta::platform {
namespace {

// The whole request. Anything else on the socket is not ours and is dropped.
constexpr std::string_view kShowRequest = "show\n";
// A caller that connects and then says nothing must not hold up the next one.
constexpr int kRequestPatienceMs = 500;

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

// The socket lives where the lock's marker does (the logon's private runtime folder, or
// the private settings folder), so only this user can reach it.
std::string socketPath(const std::string& name)
{
    std::string path = InstanceLock::markerPath(name);
    constexpr std::string_view kLockSuffix = ".lock";
    if (path.size() < kLockSuffix.size()) {
        return {};
    }
    path.replace(path.size() - kLockSuffix.size(), kLockSuffix.size(), ".sock");
    return path;
}

// False when the path does not fit a socket address.
bool addressFor(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

Descriptor localSocket()
{
    return Descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

// Reads the caller's request, waiting a short while for it.
bool readShowRequest(int connection)
{
    char buffer[16];
    std::size_t received = 0;
    while (received < kShowRequest.size()) {
        pollfd ready{connection, POLLIN, 0};
        if (::poll(&ready, 1, kRequestPatienceMs) <= 0) {
            return false;
        }
        const ssize_t got = ::recv(connection, buffer + received, sizeof buffer - received, 0);
        if (got <= 0) {
            return false;
        }
        received += static_cast<std::size_t>(got);
    }
    return std::string_view(buffer, received) == kShowRequest;
}

} // namespace

struct InstanceChannel::Listener {
    Descriptor socket;
    Descriptor wakeRead;
    Descriptor wakeWrite;
    std::string path;
    std::thread thread;

    void run(const std::function<void()>& onShowRequest) const
    {
        pollfd watched[2] = {{socket.get(), POLLIN, 0}, {wakeRead.get(), POLLIN, 0}};
        for (;;) {
            if (::poll(watched, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (watched[1].revents != 0) {
                return;
            }
            const Descriptor connection(::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (connection.valid() && readShowRequest(connection.get())) {
                onShowRequest();
            }
        }
    }

    ~Listener()
    {
        if (thread.joinable()) {
            const char stop = 0;
            [[maybe_unused]] const ssize_t written = ::write(wakeWrite.get(), &stop, 1);
            thread.join();
        }
        if (socket.valid()) {
            ::unlink(path.c_str());
        }
    }
};

InstanceChannel::InstanceChannel(std::function<void()> onShowRequest) : m_onShowRequest(std::move(onShowRequest)) {}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen(const std::string& name)
{
    if (m_listener) {
        return true;
    }
    auto listener = std::make_unique<Listener>();
    listener->path = socketPath(name);
    sockaddr_un address{};
    if (!addressFor(listener->path, address)) {
        return false;
    }
    Descriptor socket = localSocket();
    int wake[2];
    if (!socket.valid() || ::pipe2(wake, O_CLOEXEC) != 0) {
        return false;
    }
    listener->wakeRead = Descriptor(wake[0]);
    listener->wakeWrite = Descriptor(wake[1]);
    // The caller holds the lock, so a socket file already there was left by a holder
    // that ended without removing it.
    ::unlink(listener->path.c_str());
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    listener->socket = std::move(socket);
    if (::listen(listener->socket.get(), 4) != 0) {
        return false;
    }
    try {
        listener->thread = std::thread([raw = listener.get(), this] { raw->run(m_onShowRequest); });
    } catch (const std::system_error&) {
        return false;
    }
    m_listener = std::move(listener);
    return true;
}

bool InstanceChannel::askToShow(const std::string& name)
{
    sockaddr_un address{};
    const Descriptor socket = localSocket();
    if (!socket.valid() || !addressFor(socketPath(name), address)) {
        return false;
    }
    // Non-blocking: a holder that stopped taking requests fails the connect at once
    // instead of holding this start up.
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    const ssize_t sent = ::send(socket.get(), kShowRequest.data(), kShowRequest.size(), MSG_NOSIGNAL);
    return sent == static_cast<ssize_t>(kShowRequest.size());
}

} // namespace norvanta::platform
