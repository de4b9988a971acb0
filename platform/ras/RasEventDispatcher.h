#pragma once

#include "platform/ras/RasProvider.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace norvanta::platform::ras {

// Hands dial events to the notifiers on one thread of its own, in the order they were
// posted, so that a notifier never runs on the thread that dialed and never sees the
// events of one dial out of order, whichever thread the provider reports from.
class RasEventDispatcher {
public:
    RasEventDispatcher();
    // Stops the thread; events not yet delivered are dropped.
    ~RasEventDispatcher();

    RasEventDispatcher(const RasEventDispatcher&) = delete;
    RasEventDispatcher& operator=(const RasEventDispatcher&) = delete;

    // Queues one event for `notifier`; never blocks on the notifier.
    void post(ConnectionId id, RASDIALFUNC1 notifier, RASCONNSTATE state, DWORD error);

    // Drops the queued events of a connection that was hung up and waits for one being
    // delivered on another thread, so none arrives after it returns.
    void forget(ConnectionId id);

    // forget() for every connection.
    void forgetAll();

private:
    struct Event {
        ConnectionId id;
        RASDIALFUNC1 notifier;
        RASCONNSTATE state;
        DWORD error;
    };

    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_delivered;
    ConnectionId m_delivering = 0;
    std::deque<Event> m_events;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace norvanta::platform::ras
