#pragma once

#include <string>

namespace norvanta::platform {

// A per-logon marker that tells whether another instance of the client runs.
// Held from acquire() until the object goes away; the system drops it when the
// process ends, however it ends.
class InstanceLock {
public:
    enum class Result {
        Acquired,    // no other instance holds the name; this process holds it now
        HeldByOther, // another process holds it
        Unavailable, // the marker could not be made; callers start as if alone
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries once, without waiting.
    Result acquire(const std::string& name);

    // Where the marker for name lives (for messages and tests): $XDG_RUNTIME_DIR when it
    // is set to an absolute path, else the private settings folder; empty when neither
    // can be found.
    static std::string markerPath(const std::string& name);

private:
    int m_fd = -1;
};

} // namespace norvanta::platform
