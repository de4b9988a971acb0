#include "util/Base64Coder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kOutsideAlphabet = 0xFE;
constexpr std::uint8_t kPadding = 0xFF;
constexpr std::size_t kReservationStep = 4096;

// Encoding reserves twice the input for its text; anything larger than this could not be
// reserved without the size wrapping around.
constexpr std::size_t kMaxInput = std::numeric_limits<std::size_t>::max() / 4;

constexpr std::array<std::uint8_t, 256> makeDecodingTable()
{
    std::array<std::uint8_t, 256> table{};
    table.fill(kOutsideAlphabet);
    for (std::uint8_t index = 0; index < 64; ++index) {
        const auto c = static_cast<std::uint8_t>(kAlphabet[index]);
        table[c] = index;
        table[c | 0x80u] = index;
    }
    table['='] = kPadding;
    table['=' | 0x80u] = kPadding;
    return table;
}

// Built at compile time, so concurrent first uses cannot race on it.
constexpr std::array<std::uint8_t, 256> kDecodingTable = makeDecodingTable();

const char kEmptyText[] = "";

std::uint8_t lookUp(char c)
{
    return kDecodingTable[static_cast<std::uint8_t>(c)];
}

} // namespace

Base64Coder::Base64Coder() = default;

Base64Coder::~Base64Coder() = default;

const std::array<std::uint8_t, 256>& Base64Coder::DecodingTable()
{
    return kDecodingTable;
}

// Reservation rule: reallocate to the next multiple of 4096 strictly above size whenever
// the buffer does not already hold more than size bytes, so there is always room for the
// terminating NUL (an empty request still yields a buffer). The buffer is zero-filled
// and never shrinks.
bool Base64Coder::reserve(std::unique_ptr<char[]>& buffer, std::size_t& capacity, std::size_t& length, std::size_t size)
{
    length = 0;
    if (capacity <= size) {
        if (size > kMaxInput * 2) {
            return false;
        }
        const std::size_t wanted = (size / kReservationStep + 1) * kReservationStep;
        try {
            buffer = std::make_unique<char[]>(wanted);
        } catch (const std::bad_alloc&) {
            if (buffer) {
                std::fill_n(buffer.get(), capacity, '\0');
            }
            return false;
        }
        capacity = wanted;
    }
    std::fill_n(buffer.get(), capacity, '\0');
    return true;
}

void Base64Coder::ReserveText(std::size_t size)
{
    reserve(m_textBuffer, m_textCapacity, m_textLength, size);
}

void Base64Coder::ReserveRaw(std::size_t size)
{
    reserve(m_rawBuffer, m_rawCapacity, m_rawLength, size);
}

void Base64Coder::LoadBase64(const char* bytes, std::size_t length)
{
    ReserveText(length);
    if (m_textCapacity <= length || (bytes == nullptr && length > 0)) {
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsSkipped(static_cast<std::uint8_t>(bytes[i]))) {
            m_textBuffer[m_textLength++] = bytes[i];
        }
    }
}

void Base64Coder::LoadRaw(const char* bytes, std::size_t length)
{
    ReserveRaw(length);
    if (m_rawCapacity <= length || (bytes == nullptr && length > 0)) {
        return;
    }
    std::copy_n(bytes, length, m_rawBuffer.get());
    m_rawLength = length;
}

void Base64Coder::EncodeNulTerminated(const char* text)
{
    if (text != nullptr) {
        EncodeRange(text, std::strlen(text));
    }
}

void Base64Coder::EncodeRange(const char* bytes, std::size_t length)
{
    if ((bytes == nullptr && length > 0) || length > kMaxInput) {
        return;
    }
    LoadRaw(bytes, length);
    ReserveText(2 * length);
    if (m_rawLength != length || m_textCapacity <= 2 * length) {
        // Out of memory: leave both buffers empty rather than half written.
        m_rawLength = 0;
        m_textLength = 0;
        return;
    }
    const auto* raw = reinterpret_cast<const std::uint8_t*>(m_rawBuffer.get());
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        EncodeQuantum({raw[i], raw[i + 1], raw[i + 2]}, 3, std::span<char, 4>(m_textBuffer.get() + m_textLength, 4));
        m_textLength += 4;
    }
    const std::size_t rest = length - i;
    if (rest > 0) {
        const std::array<std::uint8_t, 3> group{raw[i], rest > 1 ? raw[i + 1] : std::uint8_t{0}, 0};
        EncodeQuantum(group, static_cast<unsigned>(rest), std::span<char, 4>(m_textBuffer.get() + m_textLength, 4));
        m_textLength += 4;
    }
}

void Base64Coder::DecodeNulTerminated(const char* text)
{
    if (text != nullptr) {
        DecodeRange(text, std::strlen(text));
    }
}

void Base64Coder::decodeGroup(std::array<std::uint8_t, 4> values)
{
    DecodeQuantum(values, std::span<char, 3>(m_rawBuffer.get() + m_rawLength, 3));
}

void Base64Coder::DecodeRange(const char* bytes, std::size_t length)
{
    if ((bytes == nullptr && length > 0) || length > kMaxInput) {
        return;
    }
    LoadBase64(bytes, length);
    ReserveRaw(length);
    if (m_textCapacity <= length || m_rawCapacity <= length) {
        m_rawLength = 0;
        m_textLength = 0;
        return;
    }
    // The raw buffer holds more than length bytes and the output needs at most
    // 3 * ceil(n / 4) of them for n kept characters, with the 4096-byte minimum covering
    // short inputs.
    const char* text = m_textBuffer.get();
    const std::size_t count = m_textLength;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        std::array<std::uint8_t, 4> values{lookUp(text[i]), lookUp(text[i + 1]), lookUp(text[i + 2]),
                                           lookUp(text[i + 3])};
        for (std::size_t k = 2; k < 4; ++k) {
            if (values[k] == kPadding) {
                values[k] = 0;
            }
        }
        decodeGroup(values);
        m_rawLength += 3;
    }
    const std::size_t rest = count - i;
    if (rest > 0) {
        std::array<std::uint8_t, 4> values{};
        for (std::size_t k = 0; k < rest; ++k) {
            const std::uint8_t value = lookUp(text[i + k]);
            values[k] = value == kPadding ? 0 : value;
        }
        decodeGroup(values);
        m_rawLength += rest;
    }
}

const char* Base64Coder::EncodeToOutput(const char* text, int /*mode*/)
{
    EncodeNulTerminated(text);
    return Base64Text();
}

const char* Base64Coder::DecodeToOutput(const char* text)
{
    DecodeNulTerminated(text);
    return RawBytes();
}

const char* Base64Coder::RawBytes() const
{
    return m_rawBuffer ? m_rawBuffer.get() : kEmptyText;
}

const char* Base64Coder::Base64Text() const
{
    return m_textBuffer ? m_textBuffer.get() : kEmptyText;
}

void Base64Coder::EncodeQuantum(const std::array<std::uint8_t, 3>& group, unsigned count, std::span<char, 4> output)
{
    const auto values = SplitQuantum(group[0], group[1], group[2]);
    for (std::size_t k = 0; k < 4; ++k) {
        output[k] = kAlphabet[values[k]];
    }
    for (std::size_t k = std::max(count, 1u) + 1; k < 4; ++k) {
        output[k] = '=';
    }
}

void Base64Coder::DecodeQuantum(const std::array<std::uint8_t, 4>& values, std::span<char, 3> output)
{
    const auto bytes = JoinQuantum(values[0], values[1], values[2], values[3]);
    for (std::size_t k = 0; k < 3; ++k) {
        output[k] = static_cast<char>(bytes[k]);
    }
}

std::array<std::uint8_t, 4> Base64Coder::SplitQuantum(std::uint8_t x, std::uint8_t y, std::uint8_t z) const
{
    return {static_cast<std::uint8_t>(x >> 2), static_cast<std::uint8_t>((x << 4 & 0x3F) | y >> 4),
            static_cast<std::uint8_t>((y << 2 & 0x3F) | z >> 6), static_cast<std::uint8_t>(z & 0x3F)};
}

std::array<std::uint8_t, 3> Base64Coder::JoinQuantum(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                                     std::uint8_t d) const
{
    return {static_cast<std::uint8_t>(a << 2 | (b >> 4 & 3)), static_cast<std::uint8_t>(b << 4 | (c >> 2 & 0xF)),
            static_cast<std::uint8_t>(c << 6 | (d & 0x3F))};
}

bool Base64Coder::IsSkipped(std::uint8_t byte) const
{
    return (byte >= 7 && byte <= 13) || byte == ' ';
}
