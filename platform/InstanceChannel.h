#pragma once

#include <functional>
#include <memory>
#include <string>

namespace norvanta::platform {

// The way a second start of the client reaches the instance that holds the instance lock
// of the same name, so that a window hidden in the tray comes back when the user starts
// the program again. On Linux a local socket beside the lock's marker; on Windows a
// registered window message to a message-only window of the holder's.
class InstanceChannel {
public:
    // onShowRequest runs on the channel's own thread, once for each request.
    explicit InstanceChannel(std::function<void()> onShowRequest);
    // Stops listening; no call of onShowRequest runs or starts after it returns.
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Starts taking requests for name; only the holder of the lock of that name may
    // (whatever an earlier holder left behind is taken over). False when the channel
    // cannot be made: the program then runs without it.
    bool listen(const std::string& name);

    // Asks the holder of name to show its window, without waiting for it. True when a
    // listening holder took the request.
    static bool askToShow(const std::string& name);

    struct Listener;

private:
    std::function<void()> m_onShowRequest;
    std::unique_ptr<Listener> m_listener;
};

} // namespace norvanta::platform
