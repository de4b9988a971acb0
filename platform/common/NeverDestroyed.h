#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace norvanta::platform {

// Process-wide state that a worker still running while the process ends may touch (the
// start-up fetch is detached so that a silent server cannot hold the window open). An
// ordinary static is destroyed by exit() under such a worker's feet; this one is built in
// place and never destroyed, and stays reachable, so leak checkers do not count it.
template <typename T>
class NeverDestroyed {
public:
    template <typename... Args>
    explicit NeverDestroyed(Args&&... args)
    {
        std::construct_at(pointer(), std::forward<Args>(args)...);
    }
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;
    ~NeverDestroyed() = default;

    T& get() { return *pointer(); }
    T* operator->() { return pointer(); }

private:
    T* pointer() { return std::launder(reinterpret_cast<T*>(m_storage)); }

    alignas(T) std::byte m_storage[sizeof(T)];
};

} // namespace norvanta::platform
