#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The per-user settings key, shaped like the registry calls the settings store makes.
// On Windows these forward to the registry; on Linux the key lives in one REGEDIT4 file,
// $XDG_CONFIG_HOME/Norvanta VPN/settings.reg (default ~/.config/Norvanta VPN/settings.reg).
// Every function returns a Windows LONG result; operating-system errors are translated
// here and nowhere else.
namespace norvanta::platform {

// Opaque key handle. 0 is never a valid handle.
using SettingsKeyHandle = std::uintptr_t;

// The predefined root every settings path is relative to (HKEY_CURRENT_USER).
inline constexpr SettingsKeyHandle kCurrentUserKey = 0x80000001u;

// Value types the store keeps apart (other numbers are carried through unchanged).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Results, with their Windows numbers.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2; // no such key or value
inline constexpr long kErrorPathNotFound = 3; // no usable home/config directory
inline constexpr long kErrorTooManyOpenFiles = 4;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6; // not an open settings key
inline constexpr long kErrorNotEnoughMemory = 8;
inline constexpr long kErrorInvalidData = 13;
inline constexpr long kErrorWriteProtect = 19;     // read-only file system
inline constexpr long kErrorLockViolation = 33;    // another writer held the lock too long
inline constexpr long kErrorInvalidParameter = 87; // a name the store cannot hold
inline constexpr long kErrorDiskFull = 112;
inline constexpr long kErrorFilenameTooLong = 206;
inline constexpr long kErrorMoreData = 234; // value larger than the caller's buffer
inline constexpr long kErrorDiskQuotaExceeded = 1295;
inline constexpr long kErrorRegistryIoFailed = 1016; // any other I/O failure
inline constexpr long kErrorNotEnoughQuota = 1816;   // the settings would outgrow their limit

// Opens an existing key below root (only kCurrentUserKey is a valid root). Returns
// kErrorSuccess and sets key, or kErrorFileNotFound when the key does not exist; never
// creates anything. On failure key is left unchanged.
long openSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key);

// Opens the key, creating it (and the settings file and its directory) when missing.
// On failure key is left unchanged.
long createSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key);

// Stores data as the value name (empty name = the key's default value) with the given
// type, replacing any earlier value of that name (names compare ASCII case-insensitively).
// Every other key and value is kept. kErrorInvalidParameter for a name holding a
// control byte; kErrorInvalidHandle when key is not open.
long setSettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t type,
                      std::span<const std::uint8_t> data);

// One change of a batch for changeSettingsValues: stores data as the value name with the
// given type or, when erase is set, removes the value (a missing value is no error).
struct SettingsValueChange {
    std::string_view name;
    std::uint32_t type = kRegNone;
    std::span<const std::uint8_t> data;
    bool erase = false;
};

// Applies every change to the key path below root (only kCurrentUserKey), creating the key
// when missing, as one transaction: one hold of the writer lock and one replacement of the
// file, so either all changes are stored or none. Waits at most lockPatience for another
// writer (kErrorLockViolation after that). kErrorInvalidParameter, and nothing stored,
// when a name holds a control byte.
long changeSettingsValues(SettingsKeyHandle root, std::string_view path, std::span<const SettingsValueChange> changes,
                          std::chrono::milliseconds lockPatience);

// Reads the value name into buffer. On success sets type and size (bytes copied). When
// the value is larger than buffer: kErrorMoreData, type and size (the bytes needed) set,
// buffer untouched. When there is no such value: kErrorFileNotFound, type and size 0.
long querySettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t& type,
                        std::span<std::uint8_t> buffer, std::uint32_t& size);

// Releases a handle from open/create. Closing kCurrentUserKey succeeds and does nothing;
// any other unknown handle gives kErrorInvalidHandle.
long closeSettingsKey(SettingsKeyHandle key);

// Where the settings live, for messages and documentation (the file path on Linux);
// empty when no home directory can be found.
std::string settingsLocation();

// Test hook: use configHome in place of $XDG_CONFIG_HOME (the store then lives in
// configHome/"Norvanta VPN"). An empty text returns to the environment.
void setSettingsConfigHomeForTesting(std::string configHome);

} // namespace norvanta::platform
