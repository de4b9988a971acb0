#include "platform/SettingsKey.h"

#include "platform/SettingsFile.h"
#include "platform/common/Guarded.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <shlwapi.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <set>
#include <vector>

namespace norvanta::platform {
namespace {

// Tests get a key of their own below this one, named after the configuration home they
// ask for, so the user's real settings are never touched by a test run.
constexpr std::string_view kTestRoot = "Software\\Norvanta VPN Tests\\";

std::mutex g_mutex;
std::set<SettingsKeyHandle> g_openKeys;
std::string g_testHome;

// Only handles this seam gave out may reach the registry calls: a stale or invented
// value is refused here, as the Linux store refuses it.
bool isOpen(SettingsKeyHandle key)
{
    const std::lock_guard guard(g_mutex);
    return g_openKeys.count(key) == 1;
}

SettingsKeyHandle remember(HKEY key)
{
    const auto handle = reinterpret_cast<SettingsKeyHandle>(key);
    const std::lock_guard guard(g_mutex);
    g_openKeys.insert(handle);
    return handle;
}

HKEY nativeOf(SettingsKeyHandle handle)
{
    return reinterpret_cast<HKEY>(handle);
}

bool hasControlByte(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A configuration home becomes one key name: backslashes would make it a path.
std::string testKeyName(std::string home)
{
    std::replace(home.begin(), home.end(), '\\', '/');
    return std::string(kTestRoot) + home;
}

// The path below HKEY_CURRENT_USER a caller's path really names.
std::string effectivePath(std::string_view path)
{
    const std::lock_guard guard(g_mutex);
    if (g_testHome.empty()) {
        return std::string(path);
    }
    return testKeyName(g_testHome) + "\\" + std::string(path);
}

long validateRootAndPath(SettingsKeyHandle root, std::string_view path)
{
    if (root != kCurrentUserKey) {
        return kErrorInvalidHandle;
    }
    if (path.empty() || hasControlByte(path)) {
        return kErrorInvalidParameter;
    }
    return kErrorSuccess;
}

// The registry's results are already Windows LONG codes; only the few the Linux store
// cannot produce are folded into the nearest of its own.
long translate(LSTATUS status)
{
    switch (status) {
    case ERROR_SUCCESS:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_MORE_DATA:
    case ERROR_INVALID_PARAMETER:
        return status;
    case ERROR_PATH_NOT_FOUND:
        return kErrorFileNotFound;
    case ERROR_OUTOFMEMORY:
        return kErrorNotEnoughMemory;
    default:
        return kErrorRegistryIoFailed;
    }
}

} // namespace

long openSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key)
{
    return guarded([&] {
        if (const long result = validateRootAndPath(root, path); result != kErrorSuccess) {
            return result;
        }
        HKEY opened = nullptr;
        const LSTATUS status = ::RegOpenKeyExA(HKEY_CURRENT_USER, effectivePath(path).c_str(), 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
        if (status != ERROR_SUCCESS) {
            return translate(status);
        }
        key = remember(opened);
        return kErrorSuccess;
    });
}

long createSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key)
{
    return guarded([&] {
        if (const long result = validateRootAndPath(root, path); result != kErrorSuccess) {
            return result;
        }
        HKEY created = nullptr;
        const LSTATUS status =
            ::RegCreateKeyExA(HKEY_CURRENT_USER, effectivePath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &created, nullptr);
        if (status != ERROR_SUCCESS) {
            return translate(status);
        }
        key = remember(created);
        return kErrorSuccess;
    });
}

long setSettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t type,
                      std::span<const std::uint8_t> data)
{
    return guarded([&] {
        if (!isOpen(key)) {
            return kErrorInvalidHandle;
        }
        if (hasControlByte(name)) {
            return kErrorInvalidParameter;
        }
        const std::string valueName(name);
        return translate(
            ::RegSetValueExA(nativeOf(key), valueName.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
    });
}

long changeSettingsValues(SettingsKeyHandle root, std::string_view path, std::span<const SettingsValueChange> changes,
                          std::chrono::milliseconds)
{
    // The registry keeps each value whole and needs no writer lock of ours; the checks
    // come first so that a bad name stores nothing.
    for (const SettingsValueChange& change : changes) {
        if (hasControlByte(change.name)) {
            return kErrorInvalidParameter;
        }
    }
    SettingsKeyHandle key = 0;
    if (const long created = createSettingsKey(root, path, key); created != kErrorSuccess) {
        return created;
    }
    long result = kErrorSuccess;
    for (const SettingsValueChange& change : changes) {
        if (change.erase) {
            const std::string valueName(change.name);
            const LSTATUS status = ::RegDeleteValueA(nativeOf(key), valueName.c_str());
            result = status == ERROR_FILE_NOT_FOUND ? kErrorSuccess : translate(status);
        } else {
            result = setSettingsValue(key, change.name, change.type, change.data);
        }
        if (result != kErrorSuccess) {
            break;
        }
    }
    closeSettingsKey(key);
    return result;
}

long querySettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t& type,
                        std::span<std::uint8_t> buffer, std::uint32_t& size)
{
    type = kRegNone;
    size = 0;
    return guarded([&] {
        if (!isOpen(key)) {
            return kErrorInvalidHandle;
        }
        const std::string valueName(name);
        DWORD valueType = REG_NONE;
        DWORD needed = 0;
        // Sized first: a short buffer must be left untouched, which the registry does
        // not promise when it answers ERROR_MORE_DATA.
        LSTATUS status = ::RegQueryValueExA(nativeOf(key), valueName.c_str(), nullptr, &valueType, nullptr, &needed);
        if (status != ERROR_SUCCESS) {
            return translate(status);
        }
        type = valueType;
        size = needed;
        if (needed > buffer.size()) {
            return kErrorMoreData;
        }
        std::vector<std::uint8_t> bytes(std::max<DWORD>(needed, 1));
        DWORD copied = static_cast<DWORD>(bytes.size());
        status = ::RegQueryValueExA(nativeOf(key), valueName.c_str(), nullptr, &valueType, bytes.data(), &copied);
        if (status != ERROR_SUCCESS) {
            type = kRegNone;
            size = 0;
            return translate(status);
        }
        if (copied > buffer.size()) {
            size = copied;
            return kErrorMoreData; // the value grew between the two calls
        }
        type = valueType;
        size = copied;
        std::copy_n(bytes.begin(), copied, buffer.begin());
        return kErrorSuccess;
    });
}

long closeSettingsKey(SettingsKeyHandle key)
{
    if (key == kCurrentUserKey) {
        return kErrorSuccess;
    }
    {
        const std::lock_guard guard(g_mutex);
        if (g_openKeys.erase(key) != 1) {
            return kErrorInvalidHandle;
        }
    }
    return translate(::RegCloseKey(nativeOf(key)));
}

std::string settingsLocation()
{
    try {
        return "HKEY_CURRENT_USER\\" + effectivePath("Software\\Norvanta VPN");
    } catch (...) {
        return {};
    }
}

void setSettingsConfigHomeForTesting(std::string configHome)
{
    // The files kept beside the settings (the simulation's phonebook) follow the home.
    SettingsFile::setConfigHomeOverride(configHome);
    // Each test home is a fresh, empty store; the key of the one before is removed, as
    // a test removes its configuration folder on Linux.
    const std::lock_guard guard(g_mutex);
    if (!g_testHome.empty()) {
        ::SHDeleteKeyW(HKEY_CURRENT_USER, win32::wideFromUtf8(testKeyName(g_testHome)).c_str());
    }
    g_testHome = std::move(configHome);
}

} // namespace norvanta::platform
