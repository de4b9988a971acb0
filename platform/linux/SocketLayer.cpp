#include "platform/SocketLayer.h"

#include <atomic>

namespace norvanta::platform {
namespace {
std::atomic<bool> g_failForTesting{false};
}

bool StartSocketLayer()
{
    // POSIX sockets need no start-up; only a test can make this fail.
    return !g_failForTesting.load();
}

void SetSocketLayerFailureForTesting(bool fail)
{
    g_failForTesting.store(fail);
}

} // namespace norvanta::platform
