#include "platform/Socket.h"
#include "platform/SocketLayer.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace norvanta::platform {
namespace {

std::atomic<std::chrono::milliseconds::rep> g_lookupDelayForTesting{0};

// The lookup runs on a thread of its own because the system's resolver cannot be bounded;
// a caller that stops waiting leaves the thread to finish and free this on its own.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
};

void lookUp(const std::string& host, Lookup& lookup)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_lookupDelayForTesting.load()));
    std::uint32_t address = 0;
    const bool found = resolveIpv4(host, address);
    {
        const std::lock_guard guard(lookup.mutex);
        lookup.done = true;
        lookup.found = found;
        lookup.address = address;
    }
    lookup.finished.notify_all();
}

} // namespace

void SetNameLookupDelayForTesting(std::chrono::milliseconds delay)
{
    g_lookupDelayForTesting.store(delay.count());
}

bool ResolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline deadline)
{
    if (host.empty()) {
        return false;
    }
    try {
        auto lookup = std::make_shared<Lookup>();
        std::thread([host, lookup] { lookUp(host, *lookup); }).detach();
        std::unique_lock lock(lookup->mutex);
        if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; }) || !lookup->found) {
            return false;
        }
        addressNetworkOrder = lookup->address;
        return true;
    } catch (...) {
        return false; // no thread or no memory for the lookup: the host stays unresolved
    }
}

} // namespace norvanta::platform
