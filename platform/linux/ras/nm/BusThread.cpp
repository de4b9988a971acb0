#include "platform/linux/ras/nm/BusThread.h"

#include <cerrno>
#include <cstdint>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

namespace norvanta::platform::ras::nm {

struct BusThread::TimedTask {
    BusThread* bus;
    Task task;
};

void BusThread::deleteTimedTask(void* task)
{
    std::unique_ptr<TimedTask>(static_cast<TimedTask*>(task));
}

BusThread::BusThread(Hooks hooks) : m_hooks(std::move(hooks)), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_thread = std::thread([this] { run(); });
}

BusThread::~BusThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_wakeFd);
}

void BusThread::post(Task task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
}

void BusThread::postAfter(std::chrono::milliseconds delay, Task task)
{
    post([this, delay, task = std::move(task)](sd_bus*) mutable {
        sd_event_source* source = nullptr;
        auto holder = std::make_unique<TimedTask>(TimedTask{this, std::move(task)});
        const auto usec =
            static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(delay).count());
        if (sd_event_add_time_relative(m_event, &source, CLOCK_MONOTONIC, usec, 0, onTimer, holder.get()) < 0) {
            return;
        }
        // The task is freed with its source: after it has run, or when the loop ends first.
        sd_event_source_set_destroy_callback(source, deleteTimedTask);
        holder.release();
        m_timers.insert(source);
    });
}

void BusThread::run()
{
    if (sd_event_new(&m_event) < 0) {
        // Without a loop nothing can be dispatched: tasks are still run, without a bus,
        // so that every caller gets its answer.
        for (;;) {
            runQueued();
            const std::lock_guard lock(m_mutex);
            if (m_stopping) {
                return;
            }
        }
    }
    sd_event_source* wake = nullptr;
    sd_event_add_io(m_event, &wake, m_wakeFd, EPOLLIN, onWake, this);
    sd_event_loop(m_event);
    // Stopping: what the last tasks queued (a hang-up on the way out) is sent first.
    runQueued();
    if (m_bus != nullptr) {
        sd_bus_flush(m_bus);
    }
    dropBus();
    for (sd_event_source* timer : m_timers) {
        sd_event_source_unref(timer);
    }
    m_timers.clear();
    sd_event_source_unref(wake);
    sd_event_unref(m_event);
    m_event = nullptr;
}

int BusThread::onWake(sd_event_source*, int fd, unsigned int, void* self)
{
    auto* bus = static_cast<BusThread*>(self);
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(fd, &count, sizeof count);
    bus->runQueued();
    const std::lock_guard lock(bus->m_mutex);
    if (bus->m_stopping) {
        sd_event_exit(bus->m_event, 0);
    }
    return 0;
}

int BusThread::onTimer(sd_event_source* source, std::uint64_t, void* task)
{
    // Take the task before the source (and with it the holder) goes. Dropping the last
    // reference inside the callback is allowed: sd-event frees the source once the
    // callback has returned.
    auto* timed = static_cast<TimedTask*>(task);
    BusThread* bus = timed->bus;
    const Task run = std::move(timed->task);
    bus->m_timers.erase(source);
    sd_event_source_unref(source);
    run(bus->openBus());
    return 0;
}

void BusThread::runQueued()
{
    for (;;) {
        Task task;
        {
            const std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) {
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task(openBus());
    }
}

sd_bus* BusThread::openBus()
{
    if (m_bus != nullptr && sd_bus_is_open(m_bus) > 0) {
        return m_bus;
    }
    dropBus();
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return nullptr;
    }
    if (m_event != nullptr && sd_bus_attach_event(bus, m_event, SD_EVENT_PRIORITY_NORMAL) < 0) {
        sd_bus_unref(bus);
        return nullptr;
    }
    m_bus = bus;
    sd_bus_match_signal(m_bus, nullptr, nullptr, "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local",
                        "Disconnected", onDisconnected, this);
    if (m_hooks.opened) {
        m_hooks.opened(m_bus);
    }
    return m_bus;
}

void BusThread::dropBus()
{
    if (m_bus == nullptr) {
        return;
    }
    sd_bus_detach_event(m_bus);
    sd_bus_flush_close_unref(m_bus);
    m_bus = nullptr;
}

int BusThread::onDisconnected(sd_bus_message*, void* self, sd_bus_error*)
{
    auto* bus = static_cast<BusThread*>(self);
    if (bus->m_hooks.lost) {
        bus->m_hooks.lost();
    }
    return 0;
}

} // namespace norvanta::platform::ras::nm
