#include "net/GrowingBuffer.h"

#include <cstring>

namespace norvanta::net {

GrowingBuffer::GrowingBuffer(std::size_t maxBytes)
    : m_maxBytes(maxBytes), m_storage(kInitialCapacity, '\0')
{
}

bool GrowingBuffer::append(const char* data, std::size_t length)
{
    if (length > m_maxBytes - m_length) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    std::size_t capacity = m_storage.size();
    while (m_length + length + 1 > capacity) {
        capacity *= 2;
    }
    if (capacity != m_storage.size()) {
        m_storage.resize(capacity, '\0');
    }
    std::memcpy(m_storage.data() + m_length, data, length);
    m_length += length;
    m_storage[m_length] = '\0';
    return true;
}

} // namespace norvanta::net
