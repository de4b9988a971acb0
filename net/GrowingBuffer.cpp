#include "net/GrowingBuffer.h"

#include <cstring>

namespace norvanta::net {
namespace {
constexpr std::size_t kInitialCapacity = 10;
}

GrowingBuffer::GrowingBuffer(std::size_t maxBytes) : m_maxBytes(maxBytes)
{
    if (grow(kInitialCapacity)) {
        m_storage.get()[0] = '\0';
    }
}

// realloc rather than a new block and a copy: for large buffers the C library moves
// the pages instead of the bytes, which keeps a 10 MiB body from being copied twice.
bool GrowingBuffer::grow(std::size_t capacity)
{
    char* grown = static_cast<char*>(std::realloc(m_storage.get(), capacity));
    if (grown == nullptr) {
        return false;
    }
    static_cast<void>(m_storage.release());
    m_storage.reset(grown);
    m_capacity = capacity;
    return true;
}

bool GrowingBuffer::append(const char* data, std::size_t length)
{
    if (m_capacity == 0 || length > m_maxBytes - m_length) {
        return false;
    }
    std::size_t capacity = m_capacity;
    while (m_length + length + 1 > capacity) {
        capacity *= 2;
    }
    if (capacity != m_capacity && !grow(capacity)) {
        return false;
    }
    if (length != 0) {
        std::memcpy(m_storage.get() + m_length, data, length);
    }
    m_length += length;
    m_storage.get()[m_length] = '\0';
    return true;
}

} // namespace norvanta::net
