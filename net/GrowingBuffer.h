#pragma once

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace norvanta::net {

// A byte buffer that starts at 10 bytes and doubles whenever the data plus a
// terminating NUL would not fit, refusing to grow past a fixed cap.
class GrowingBuffer {
public:
    explicit GrowingBuffer(std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

    // Appends length bytes; false (and nothing appended) when that would pass the cap
    // or memory runs out.
    bool append(const char* data, std::size_t length);

    std::size_t size() const { return m_length; }
    std::size_t capacity() const { return m_capacity; }

    // The bytes received so far, NUL bytes included; valid until the next append.
    std::string_view view() const { return {m_storage.get(), m_length}; }
    std::string text() const { return std::string(view()); }

private:
    struct FreeDeleter {
        void operator()(char* bytes) const noexcept { std::free(bytes); }
    };

    bool grow(std::size_t capacity);

    std::size_t m_maxBytes;
    std::unique_ptr<char, FreeDeleter> m_storage;
    std::size_t m_capacity = 0;
    std::size_t m_length = 0;
};

} // namespace norvanta::net
