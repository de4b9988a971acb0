#include "platform/SettingsKey.h"

#include "platform/common/Guarded.h"
#include "platform/common/NeverDestroyed.h"
#include "platform/linux/RegeditDocument.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <optional>

namespace norvanta::platform {
namespace {

constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER\\";

// Open keys hold no operating-system resource here: a handle only remembers which
// section of the file it names. The table makes stale or invented handles detectable.
struct OpenKeys {
    std::mutex mutex;
    std::map<SettingsKeyHandle, std::string> names;
    SettingsKeyHandle nextHandle = 0x1000;
};
NeverDestroyed<OpenKeys> g_openKeys;

SettingsKeyHandle registerKey(std::string keyName)
{
    const std::lock_guard guard(g_openKeys->mutex);
    const SettingsKeyHandle handle = g_openKeys->nextHandle;
    g_openKeys->nextHandle += 4;
    g_openKeys->names.emplace(handle, std::move(keyName));
    return handle;
}

std::optional<std::string> keyNameOf(SettingsKeyHandle handle)
{
    const std::lock_guard guard(g_openKeys->mutex);
    const auto found = g_openKeys->names.find(handle);
    if (found == g_openKeys->names.end()) {
        return std::nullopt;
    }
    return found->second;
}

// A path becomes the text of a section header, so it must fit on one line inside the
// brackets.
bool isValidPath(std::string_view path)
{
    return !path.empty() && path.find(']') == std::string_view::npos
           && std::none_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::optional<SettingsFile> locateFile()
{
    auto directory = SettingsFile::locateDirectory();
    if (!directory) {
        return std::nullopt;
    }
    return SettingsFile(std::move(*directory));
}

struct LoadedDocument {
    RegeditDocument document;
    bool fileExists = false;
};

// Reads the document. A file that cannot be parsed is moved aside under the lock (after
// reading it again, in case another writer replaced it meanwhile) and the store starts
// empty; it is never overwritten in place.
long loadDocument(const SettingsFile& file, bool lockHeld, LoadedDocument& loaded)
{
    std::string text;
    const long readResult = file.read(text);
    if (readResult == kErrorFileNotFound) {
        loaded = {};
        return kErrorSuccess;
    }
    if (readResult == kErrorSuccess) {
        if (auto document = RegeditDocument::parse(text)) {
            loaded = {std::move(*document), true};
            return kErrorSuccess;
        }
    } else if (readResult != kErrorInvalidData) {
        return readResult;
    }
    if (!lockHeld) {
        SettingsFile::Lock lock;
        if (const long result = file.lock(lock); result != kErrorSuccess) {
            return result;
        }
        return loadDocument(file, true, loaded);
    }
    if (const long result = file.moveAside(); result != kErrorSuccess) {
        return result;
    }
    loaded = {};
    return kErrorSuccess;
}

long storeDocument(const SettingsFile& file, const RegeditDocument& document)
{
    const std::string text = document.serialize();
    if (text.size() > SettingsFile::kMaxBytes) {
        return kErrorNotEnoughQuota;
    }
    return file.replace(text);
}

// Loads the document and hands it to use; a caller that changes it (forWriting) holds
// the writer lock from before the load until use has stored the result.
template <typename Use>
long withDocument(bool forWriting, Use&& use, std::chrono::milliseconds lockPatience = SettingsFile::kLockPatience)
{
    const auto file = locateFile();
    if (!file) {
        return kErrorPathNotFound;
    }
    SettingsFile::Lock lock;
    if (forWriting) {
        if (const long result = file->lock(lock, lockPatience); result != kErrorSuccess) {
            return result;
        }
    }
    LoadedDocument loaded;
    if (const long result = loadDocument(*file, forWriting, loaded); result != kErrorSuccess) {
        return result;
    }
    return use(*file, loaded);
}

} // namespace

long openSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key)
{
    return guarded([&] {
        if (root != kCurrentUserKey) {
            return kErrorInvalidHandle;
        }
        if (!isValidPath(path)) {
            return kErrorInvalidParameter;
        }
        return withDocument(false, [&](const SettingsFile&, LoadedDocument& loaded) {
            std::string keyName = std::string(kCurrentUserName) + std::string(path);
            if (!loaded.fileExists || !loaded.document.hasKey(keyName)) {
                return kErrorFileNotFound;
            }
            key = registerKey(std::move(keyName));
            return kErrorSuccess;
        });
    });
}

long createSettingsKey(SettingsKeyHandle root, std::string_view path, SettingsKeyHandle& key)
{
    return guarded([&] {
        if (root != kCurrentUserKey) {
            return kErrorInvalidHandle;
        }
        if (!isValidPath(path)) {
            return kErrorInvalidParameter;
        }
        return withDocument(true, [&](const SettingsFile& file, LoadedDocument& loaded) {
            std::string keyName = std::string(kCurrentUserName) + std::string(path);
            if (!loaded.fileExists || !loaded.document.hasKey(keyName)) {
                loaded.document.addKey(keyName);
                if (const long result = storeDocument(file, loaded.document); result != kErrorSuccess) {
                    return result;
                }
            }
            key = registerKey(std::move(keyName));
            return kErrorSuccess;
        });
    });
}

long setSettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t type,
                      std::span<const std::uint8_t> data)
{
    return guarded([&] {
        const auto keyName = keyNameOf(key);
        if (!keyName) {
            return kErrorInvalidHandle;
        }
        return withDocument(true, [&](const SettingsFile& file, LoadedDocument& loaded) {
            // An open key whose section vanished (file deleted or moved aside meanwhile)
            // gets its section back rather than losing the value.
            const RegeditDocument::Value value{type, {data.begin(), data.end()}};
            if (!loaded.document.setValue(*keyName, name, value)) {
                return kErrorInvalidParameter;
            }
            return storeDocument(file, loaded.document);
        });
    });
}

long changeSettingsValues(SettingsKeyHandle root, std::string_view path, std::span<const SettingsValueChange> changes,
                          std::chrono::milliseconds lockPatience)
{
    return guarded([&] {
        if (root != kCurrentUserKey) {
            return kErrorInvalidHandle;
        }
        if (!isValidPath(path)) {
            return kErrorInvalidParameter;
        }
        const std::string keyName = std::string(kCurrentUserName) + std::string(path);
        return withDocument(
            true,
            [&](const SettingsFile& file, LoadedDocument& loaded) {
                loaded.document.addKey(keyName);
                for (const SettingsValueChange& change : changes) {
                    if (change.erase) {
                        loaded.document.deleteValue(keyName, change.name);
                        continue;
                    }
                    const RegeditDocument::Value value{change.type, {change.data.begin(), change.data.end()}};
                    // The document is only a copy until stored, so a refused name loses nothing.
                    if (!loaded.document.setValue(keyName, change.name, value)) {
                        return kErrorInvalidParameter;
                    }
                }
                return storeDocument(file, loaded.document);
            },
            lockPatience);
    });
}

long querySettingsValue(SettingsKeyHandle key, std::string_view name, std::uint32_t& type,
                        std::span<std::uint8_t> buffer, std::uint32_t& size)
{
    type = kRegNone;
    size = 0;
    return guarded([&] {
        const auto keyName = keyNameOf(key);
        if (!keyName) {
            return kErrorInvalidHandle;
        }
        return withDocument(false, [&](const SettingsFile&, LoadedDocument& loaded) {
            const auto value = loaded.document.findValue(*keyName, name);
            if (!value) {
                return kErrorFileNotFound;
            }
            type = value->type;
            size = static_cast<std::uint32_t>(value->data.size());
            if (value->data.size() > buffer.size()) {
                return kErrorMoreData;
            }
            std::copy(value->data.begin(), value->data.end(), buffer.begin());
            return kErrorSuccess;
        });
    });
}

long closeSettingsKey(SettingsKeyHandle key)
{
    if (key == kCurrentUserKey) {
        return kErrorSuccess;
    }
    const std::lock_guard guard(g_openKeys->mutex);
    return g_openKeys->names.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

std::string settingsLocation()
{
    try {
        const auto file = locateFile();
        return file ? file->path() : std::string();
    } catch (...) {
        return {};
    }
}

void setSettingsConfigHomeForTesting(std::string configHome)
{
    SettingsFile::setConfigHomeOverride(std::move(configHome));
}

} // namespace norvanta::platform
