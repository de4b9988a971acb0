#include "platform/linux/ras/NmPreflight.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace norvanta::platform::ras::nm {
namespace {

constexpr DWORD kErrorVpnNoResponse = 809;  // ERROR_VPN_TIMEOUT

// True when a line of modules.dep or modules.builtin names `module` ("kernel/.../ppp_mppe.ko"
// with or without compression, followed by ':' in modules.dep).
bool listsModule(const std::filesystem::path& list, std::string_view module, bool& readable)
{
    std::ifstream in(list);
    if (!in) {
        return false;
    }
    readable = true;
    const std::string wanted = "/" + std::string(module) + ".ko";
    std::string line;
    while (std::getline(in, line)) {
        const std::string path = line.substr(0, line.find(':'));
        const auto at = path.rfind(wanted);
        if (at != std::string::npos && (at + wanted.size() == path.size() || path[at + wanted.size()] == '.')) {
            return true;
        }
    }
    return false;
}

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

KernelSupport kernelModuleSupport(const std::filesystem::path& root, const std::string& release,
                                  std::string_view module)
{
    std::error_code ignored;
    if (std::filesystem::exists(root / "sys/module" / std::string(module), ignored)) {
        return KernelSupport::Present;
    }
    const auto modules = root / "lib/modules" / release;
    bool readable = false;
    if (listsModule(modules / "modules.builtin", module, readable) || listsModule(modules / "modules.dep", module, readable)) {
        return KernelSupport::Present;
    }
    return readable ? KernelSupport::Missing : KernelSupport::Unknown;
}

bool pppKernelMissing(const std::filesystem::path& root, const std::string& release)
{
    return kernelModuleSupport(root, release, "ppp_generic") == KernelSupport::Missing
           || kernelModuleSupport(root, release, "ppp_mppe") == KernelSupport::Missing;
}

std::string runningKernelRelease()
{
    utsname name{};
    return ::uname(&name) == 0 ? name.release : "";
}

DWORD resolveServer(const std::string& host, std::string& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &results) != 0 || results == nullptr) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(results->ai_addr);
    const bool written = ::inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr;
    ::freeaddrinfo(results);
    if (!written) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    address = text;
    return 0;
}

std::string gatewayFor(const std::string& host, const std::string& address)
{
    const bool plain = !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    });
    return plain ? host : address;
}

DWORD probePptpPort(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    const Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd() < 0) {
        return ERROR_AUTOMATIC_VPN_FAILED;
    }
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return ERROR_AUTOMATIC_VPN_FAILED;
    }
    pollfd waiting{socket.fd(), POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return kErrorVpnNoResponse;
    }
    int failure = 0;
    socklen_t length = sizeof failure;
    if (ready < 0 || ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0) {
        return ERROR_AUTOMATIC_VPN_FAILED;
    }
    if (failure == ETIMEDOUT) {
        return kErrorVpnNoResponse;
    }
    return failure == 0 ? 0 : ERROR_AUTOMATIC_VPN_FAILED;
}

} // namespace norvanta::platform::ras::nm
