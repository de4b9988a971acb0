#include "util/CRegistryEx.h"

#include <array>
#include <span>
#include <vector>

namespace platform = norvanta::platform;

CRegistryEx::CRegistryEx() = default;

CRegistryEx::~CRegistryEx()
{
    if (m_key != 0) {
        platform::closeSettingsKey(m_key);
        m_key = 0;
    }
}

bool CRegistryEx::record(long result, std::uint32_t type, std::uint32_t size)
{
    m_lastResult = result;
    m_lastType = type;
    m_lastSize = size;
    return result == platform::kErrorSuccess;
}

// A store opened twice would otherwise lose track of its first key, which then could
// never be closed; the newer key replaces it.
bool CRegistryEx::adoptKey(long result, platform::SettingsKeyHandle opened)
{
    if (result == platform::kErrorSuccess) {
        if (m_key != platform::kCurrentUserKey && m_key != 0 && m_key != opened) {
            platform::closeSettingsKey(m_key);
        }
        m_key = opened;
    }
    return record(result, 0, 0);
}

bool CRegistryEx::Open()
{
    // The path stays the fixed one, however the object was used before.
    m_keyPath = std::string(kKeyPath);
    platform::SettingsKeyHandle opened = 0;
    const long result = platform::openSettingsKey(platform::kCurrentUserKey, kKeyPath, opened);
    return adoptKey(result, opened);
}

bool CRegistryEx::Create()
{
    platform::SettingsKeyHandle opened = 0;
    const long result = platform::createSettingsKey(platform::kCurrentUserKey, kKeyPath, opened);
    return adoptKey(result, opened);
}

bool CRegistryEx::WriteDword(std::string_view name, std::uint32_t value)
{
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                            static_cast<std::uint8_t>(value >> 16),
                                            static_cast<std::uint8_t>(value >> 24)};
    return record(platform::setSettingsValue(m_key, name, platform::kRegDword, bytes), platform::kRegDword,
                  static_cast<std::uint32_t>(bytes.size()));
}

bool CRegistryEx::WriteString(std::string_view name, std::string_view text)
{
    std::string data;
    try {
        data.reserve(text.size() + 1);
        data.assign(text);
        data.push_back('\0');
    } catch (...) {
        return record(platform::kErrorNotEnoughMemory, platform::kRegSz, 0);
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    return record(platform::setSettingsValue(m_key, name, platform::kRegSz, bytes), platform::kRegSz,
                  static_cast<std::uint32_t>(bytes.size()));
}

bool CRegistryEx::WriteAll(std::span<const Change> changes, std::chrono::milliseconds lockPatience)
{
    m_keyPath = std::string(kKeyPath);
    try {
        // The seam takes bytes; these hold each value's bytes until the call returns.
        std::vector<std::vector<std::uint8_t>> bytes;
        std::vector<platform::SettingsValueChange> seamChanges;
        bytes.reserve(changes.size());
        seamChanges.reserve(changes.size());
        for (const Change& change : changes) {
            platform::SettingsValueChange& seamChange = seamChanges.emplace_back();
            seamChange.name = change.name;
            std::vector<std::uint8_t>& data = bytes.emplace_back();
            if (const auto* number = std::get_if<std::uint32_t>(&change.value)) {
                seamChange.type = platform::kRegDword;
                for (int shift = 0; shift < 32; shift += 8) {
                    data.push_back(static_cast<std::uint8_t>(*number >> shift));
                }
            } else if (const auto* text = std::get_if<std::string_view>(&change.value)) {
                seamChange.type = platform::kRegSz;
                data.assign(text->begin(), text->end());
                data.push_back(0);
            } else {
                seamChange.erase = true;
            }
            seamChange.data = data;
        }
        return record(platform::changeSettingsValues(platform::kCurrentUserKey, kKeyPath, seamChanges, lockPatience), 0,
                      0);
    } catch (...) {
        return record(platform::kErrorNotEnoughMemory, 0, 0);
    }
}

bool CRegistryEx::ReadDword(std::string_view name, std::uint32_t& value)
{
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const long result = platform::querySettingsValue(m_key, name, type, buffer, size);
    if (result == platform::kErrorSuccess) {
        // Only the bytes actually stored replace the caller's preset, as a short value
        // copied over the number's first bytes would.
        for (std::uint32_t i = 0; i < size; ++i) {
            const std::uint32_t shift = 8 * i;
            value = (value & ~(0xFFu << shift)) | static_cast<std::uint32_t>(buffer[i]) << shift;
        }
    }
    return record(result, type, size);
}

bool CRegistryEx::ReadString(std::string_view name, std::string& text)
{
    // One byte more than is offered to the query, so the data always ends in a NUL.
    std::array<std::uint8_t, kMaxStringBytes + 1> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const long result =
        platform::querySettingsValue(m_key, name, type, std::span<std::uint8_t>(buffer.data(), kMaxStringBytes), size);
    if (result == platform::kErrorSuccess) {
        try {
            text.assign(reinterpret_cast<const char*>(buffer.data()));
        } catch (...) {
            return record(platform::kErrorNotEnoughMemory, type, size);
        }
    }
    return record(result, type, size);
}
