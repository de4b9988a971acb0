#pragma once

#include "platform/SettingsKey.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// The client's settings key, HKEY_CURRENT_USER\SOFTWARE\Norvanta VPN. Create one on the
// stack per use: Open (or Create) the key, read or write a few values, and let the
// destructor close it. Every operation returns true when the underlying registry call
// returned 0 and records that call's result, value type and data size; nothing throws.
class CRegistryEx {
public:
    // The one key this store works on, relative to HKEY_CURRENT_USER.
    static constexpr std::string_view kKeyPath = "SOFTWARE\\Norvanta VPN";
    // Longest string ReadString accepts, terminating NUL included.
    static constexpr std::uint32_t kMaxStringBytes = 1023;

    // Key handle = HKEY_CURRENT_USER, key path empty, last-call fields 0.
    CRegistryEx();
    // Closes the key handle (HKEY_CURRENT_USER itself when nothing was opened).
    virtual ~CRegistryEx();
    CRegistryEx(const CRegistryEx&) = delete;
    CRegistryEx& operator=(const CRegistryEx&) = delete;

    // Sets the key path, then opens the existing key; false (last result 2) when it does
    // not exist. Never creates it. Type and size become 0.
    bool Open();
    // Opens the key, creating it when missing. Type and size become 0.
    bool Create();
    // Stores value as a REG_DWORD (type 4, size 4).
    bool WriteDword(std::string_view name, std::uint32_t value);
    // Stores text as a REG_SZ of text.size() + 1 bytes (the NUL is stored); no length limit.
    bool WriteString(std::string_view name, std::string_view text);
    // One value for WriteAll: a number (REG_DWORD), a text (REG_SZ, NUL stored), or
    // std::monostate to remove the value.
    struct Change {
        std::string_view name;
        std::variant<std::monostate, std::uint32_t, std::string_view> value;
    };
    // Sets the key path and stores every change in one step, creating the key when
    // missing: all of them or, on failure, none. Waits at most lockPatience for another
    // writer of the settings (last result 33 after that). Type and size become 0.
    bool WriteAll(std::span<const Change> changes, std::chrono::milliseconds lockPatience);
    // On success value receives the stored bytes (at most 4, little-endian; bytes the value
    // lacks keep the caller's preset), whatever the stored type. A longer value fails with
    // last result 234; a missing one with 2. On failure value is untouched.
    bool ReadDword(std::string_view name, std::uint32_t& value);
    // On success text receives the stored data up to its first NUL. A value of more than
    // 1023 bytes fails with last result 234; a missing one with 2. On failure text is
    // untouched. The stored type is not checked.
    bool ReadString(std::string_view name, std::string& text);

    // Windows result of the last call (0 = success, 2 = not found, 234 = too long, ...).
    long LastResult() const { return m_lastResult; }
    // REG_SZ (1) after WriteString, REG_DWORD (4) after WriteDword, the stored type after a
    // read (0 when the value is missing), 0 after Open or Create.
    std::uint32_t LastType() const { return m_lastType; }
    // Bytes written or read by the last call (after a read failing with 234: the bytes the
    // value holds); 0 after Open or Create or when the value is missing.
    std::uint32_t LastSize() const { return m_lastSize; }
    // HKEY_CURRENT_USER until a key is opened, then the open key.
    norvanta::platform::SettingsKeyHandle KeyHandle() const { return m_key; }
    // "SOFTWARE\Norvanta VPN" once Open has run, empty before.
    const std::string& KeyPath() const { return m_keyPath; }

private:
    bool record(long result, std::uint32_t type, std::uint32_t size);
    bool adoptKey(long result, norvanta::platform::SettingsKeyHandle opened);

    long m_lastResult = 0;
    std::uint32_t m_lastType = 0;
    std::uint32_t m_lastSize = 0;
    norvanta::platform::SettingsKeyHandle m_key = norvanta::platform::kCurrentUserKey;
    std::string m_keyPath;
};
