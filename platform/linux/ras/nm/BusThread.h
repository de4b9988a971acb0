#pragma once

#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

namespace norvanta::platform::ras::nm {

// One connection to the system bus (DBUS_SYSTEM_BUS_ADDRESS, else the standard socket)
// and the thread that owns it. sd-bus objects belong to one thread, so every use of the
// bus is a task run on that thread; the thread also dispatches incoming signals and method
// calls between tasks. The bus is opened on first need and again after it was lost.
class BusThread {
public:
    // Called on the bus thread: after the bus was opened (to add matches and objects), and
    // when it was lost.
    struct Hooks {
        std::function<void(sd_bus*)> opened;
        std::function<void()> lost;
    };

    // A task receives the open bus, or null when the bus cannot be opened.
    using Task = std::function<void(sd_bus*)>;

    explicit BusThread(Hooks hooks);
    // Runs the tasks already posted, sends what they queued, then closes the bus.
    ~BusThread();

    BusThread(const BusThread&) = delete;
    BusThread& operator=(const BusThread&) = delete;

    // Queues `task` for the bus thread; never blocks on the bus.
    void post(Task task);

    // Runs `fn` after `delay` on the bus thread (with the bus as post() gives it).
    void postAfter(std::chrono::milliseconds delay, Task task);

    // Runs `fn` on the bus thread and waits at most `wait` for its result; nothing when it
    // did not finish in time (it still runs, its result is dropped). Must not be called
    // on the bus thread.
    template <typename Result>
    std::optional<Result> await(std::function<Result(sd_bus*)> fn, std::chrono::milliseconds wait)
    {
        auto promise = std::make_shared<std::promise<Result>>();
        auto future = promise->get_future();
        post([promise, fn = std::move(fn)](sd_bus* bus) { promise->set_value(fn(bus)); });
        if (future.wait_for(wait) != std::future_status::ready) {
            return std::nullopt;
        }
        return future.get();
    }

    // True on the bus thread.
    bool onBusThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    struct TimedTask;

    void run();
    void runQueued();
    sd_bus* openBus();
    void dropBus();
    static int onWake(sd_event_source*, int, unsigned int, void* self);
    static int onTimer(sd_event_source*, std::uint64_t, void* task);
    static void deleteTimedTask(void* task);
    static int onDisconnected(sd_bus_message*, void* self, sd_bus_error*);

    const Hooks m_hooks;
    int m_wakeFd = -1;
    std::mutex m_mutex;
    std::deque<Task> m_tasks;
    bool m_stopping = false;
    // Touched only on the bus thread.
    sd_event* m_event = nullptr;
    sd_bus* m_bus = nullptr;
    // Timers that have not fired yet; each holds a reference on the loop until it fires
    // or the loop ends.
    std::unordered_set<sd_event_source*> m_timers;
    std::thread m_thread;
};

} // namespace norvanta::platform::ras::nm
