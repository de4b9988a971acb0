#include "platform/ras/SimHost.h"

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>

namespace norvanta::platform::ras {
namespace {

std::atomic<bool> g_dropRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the drop flag is set from a signal handler");

extern "C" void requestDrop(int)
{
    g_dropRequested.store(true);
}

std::mutex g_signalMutex;
int g_signalUsers = 0;
struct sigaction g_previousAction {};

} // namespace

void acquireExternalDropRequest()
{
    const std::lock_guard lock(g_signalMutex);
    if (g_signalUsers++ == 0) {
        struct sigaction action {};
        action.sa_handler = requestDrop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGUSR1, &action, &g_previousAction);
    }
}

void releaseExternalDropRequest()
{
    const std::lock_guard lock(g_signalMutex);
    if (--g_signalUsers == 0) {
        sigaction(SIGUSR1, &g_previousAction, nullptr);
    }
}

bool takeExternalDropRequest()
{
    return g_dropRequested.exchange(false);
}

std::vector<std::string> resolveHostAddresses(const std::string& host, bool& resolved)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    resolved = !host.empty() && ::getaddrinfo(host.c_str(), nullptr, &hints, &results) == 0;
    std::vector<std::string> addresses;
    for (const addrinfo* result = resolved ? results : nullptr; result != nullptr; result = result->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* address =
            result->ai_family == AF_INET
                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr)
                : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(result->ai_addr)->sin6_addr);
        if (::inet_ntop(result->ai_family, address, text, sizeof text) != nullptr) {
            addresses.emplace_back(text);
        }
    }
    if (results != nullptr) {
        ::freeaddrinfo(results);
    }
    return addresses;
}

} // namespace norvanta::platform::ras
