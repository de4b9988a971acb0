#include "platform/Socket.h"

#include "platform/common/SocketSystem.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace norvanta::platform {
namespace {

std::atomic<std::chrono::milliseconds::rep> g_lookupDelayForTesting{0};

// The lookup runs on a thread of its own because the system's resolver cannot be bounded;
// a caller that stops waiting leaves the thread to finish on its own.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
};

// The lookup threads, joined once they have finished. None is detached while it may still
// be starting: mingw-w64's winpthreads can hand a just-detached thread's record to the
// next new thread, which then starts with a null argument and crashes the process (seen
// under Wine within a few thousand lookups, and Windows runs the same library).
class LookupThreads {
public:
    LookupThreads() = default;
    LookupThreads(const LookupThreads&) = delete;
    LookupThreads& operator=(const LookupThreads&) = delete;

    // At exit a lookup may still hang in the resolver; it started long ago, so letting it
    // go is safe, and waiting for it would hold up the end of the program.
    ~LookupThreads()
    {
        for (Running& running : m_threads) {
            if (running.finished->load()) {
                running.thread.join();
            } else {
                running.thread.detach();
            }
        }
    }

    // Starts work on a new thread; throws what std::thread throws when none can be made.
    template <typename Work>
    void start(Work work)
    {
        const std::lock_guard guard(m_mutex);
        joinFinished();
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([work = std::move(work), finished]() mutable {
            work();
            finished->store(true);
        });
        m_threads.push_back(Running{std::move(thread), std::move(finished)});
    }

private:
    struct Running {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void joinFinished()
    {
        m_threads.remove_if([](Running& running) {
            if (!running.finished->load()) {
                return false;
            }
            running.thread.join(); // it has returned from its work: this does not wait
            return true;
        });
    }

    std::mutex m_mutex;
    std::list<Running> m_threads;
};

LookupThreads& lookupThreads()
{
    static LookupThreads threads;
    return threads;
}

void lookUp(const std::string& host, Lookup& lookup)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_lookupDelayForTesting.load()));
    std::uint32_t address = 0;
    const bool found = socket_system::lookUpIpv4(host, address);
    {
        const std::lock_guard guard(lookup.mutex);
        lookup.done = true;
        lookup.found = found;
        lookup.address = address;
    }
    lookup.finished.notify_all();
}

} // namespace

void setNameLookupDelayForTesting(std::chrono::milliseconds delay)
{
    g_lookupDelayForTesting.store(delay.count());
}

bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline deadline)
{
    if (host.empty()) {
        return false;
    }
    try {
        auto lookup = std::make_shared<Lookup>();
        lookupThreads().start([host, lookup] { lookUp(host, *lookup); });
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
