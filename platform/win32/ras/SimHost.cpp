#include "platform/ras/SimHost.h"

#include "platform/Socket.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace norvanta::platform::ras {
namespace {

// Windows has no SIGUSR1: the outside way to drop a simulated link is an auto-reset
// event named after the process, "Local\Norvanta VPN sim drop <process id>", which
// anyone in the logon session may set.
std::mutex g_eventMutex;
int g_eventUsers = 0;
HANDLE g_dropEvent = nullptr;

std::wstring dropEventName()
{
    return win32::wideFromUtf8("Local\\Norvanta VPN sim drop " + std::to_string(::GetCurrentProcessId()));
}

} // namespace

void acquireExternalDropRequest()
{
    const std::lock_guard lock(g_eventMutex);
    if (g_eventUsers++ == 0) {
        g_dropEvent = ::CreateEventW(nullptr, FALSE, FALSE, dropEventName().c_str());
    }
}

void releaseExternalDropRequest()
{
    const std::lock_guard lock(g_eventMutex);
    if (--g_eventUsers == 0 && g_dropEvent != nullptr) {
        ::CloseHandle(g_dropEvent);
        g_dropEvent = nullptr;
    }
}

bool takeExternalDropRequest()
{
    const std::lock_guard lock(g_eventMutex);
    return g_dropEvent != nullptr && ::WaitForSingleObject(g_dropEvent, 0) == WAIT_OBJECT_0;
}

std::vector<std::string> resolveHostAddresses(const std::string& host, bool& resolved)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    resolved = !host.empty() && startSocketLayer() && ::getaddrinfo(host.c_str(), nullptr, &hints, &results) == 0;
    std::vector<std::string> addresses;
    for (const addrinfo* result = resolved ? results : nullptr; result != nullptr; result = result->ai_next) {
        char text[NI_MAXHOST] = {};
        if (::getnameinfo(result->ai_addr, static_cast<socklen_t>(result->ai_addrlen), text, sizeof text, nullptr, 0,
                          NI_NUMERICHOST)
            == 0) {
            addresses.emplace_back(text);
        }
    }
    if (results != nullptr) {
        ::freeaddrinfo(results);
    }
    return addresses;
}

} // namespace norvanta::platform::ras
