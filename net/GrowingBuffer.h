#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace norvanta::net {

// A byte buffer that starts at 10 bytes and doubles whenever the data plus a
// terminating NUL would not fit, refusing to grow past a fixed cap.
class GrowingBuffer {
public:
    explicit GrowingBuffer(std::size_t maxBytes);

    // Appends length bytes; false (and nothing appended) when that would pass the cap.
    bool append(const char* data, std::size_t length);

    std::size_t size() const { return m_length; }
    std::size_t capacity() const { return m_storage.size(); }

    // The bytes received so far, NUL bytes included.
    std::string text() const { return std::string(m_storage.data(), m_length); }

private:
    static constexpr std::size_t kInitialCapacity = 10;

    std::size_t m_maxBytes;
    std::vector<char> m_storage;
    std::size_t m_length = 0;
};

} // namespace norvanta::net
