#include "platform/SocketLayer.h"

#include "platform/win32/WindowsApi.h"

#include <winsock2.h>

#include <atomic>
#include <mutex>

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

} // namespace

bool StartSocketLayer()
{
    return !g_failForTesting.load() && startWinsockOnce();
}

void SetSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

} // namespace norvanta::platform
