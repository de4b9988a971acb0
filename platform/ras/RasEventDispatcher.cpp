#include "platform/ras/RasEventDispatcher.h"

#include <algorithm>
#include <cstdint>

namespace norvanta::platform::ras {

RasEventDispatcher::RasEventDispatcher() : m_thread([this] { run(); }) {}

RasEventDispatcher::~RasEventDispatcher()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RasEventDispatcher::post(ConnectionId id, RASDIALFUNC1 notifier, RASCONNSTATE state, DWORD error)
{
    {
        const std::lock_guard lock(m_mutex);
        m_events.push_back(Event{id, notifier, state, error});
    }
    m_wake.notify_one();
}

void RasEventDispatcher::forget(ConnectionId id)
{
    std::unique_lock lock(m_mutex);
    std::erase_if(m_events, [id](const Event& event) { return event.id == id; });
    // An event of this connection may be in the notifier right now; waiting for it keeps
    // the promise that nothing arrives after the hang-up. A notifier that hangs up its own
    // connection runs on this thread and must not wait for itself.
    if (std::this_thread::get_id() != m_thread.get_id()) {
        m_delivered.wait(lock, [this, id] { return m_delivering != id; });
    }
}

void RasEventDispatcher::forgetAll()
{
    std::unique_lock lock(m_mutex);
    m_events.clear();
    if (std::this_thread::get_id() != m_thread.get_id()) {
        m_delivered.wait(lock, [this] { return m_delivering == 0; });
    }
}

void RasEventDispatcher::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_events.empty(); });
        if (m_stopping) {
            return;
        }
        const Event event = m_events.front();
        m_events.pop_front();
        // The notifier is the caller's code: it runs without our lock so that it may call
        // back into the layer (hang up, read the error text) without deadlocking.
        m_delivering = event.id;
        lock.unlock();
        const auto handle = reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(event.id));
        event.notifier(handle, kRasDialNotifierMessage, event.state, event.error, 0);
        lock.lock();
        m_delivering = 0;
        m_delivered.notify_all();
    }
}

} // namespace norvanta::platform::ras
