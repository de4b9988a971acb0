#include "app/SavedCredentials.h"

#include "util/Base64Coder.h"
#include "util/CRegistryEx.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>
#include <variant>
#include <vector>

namespace norvanta::app {
namespace {

// The save runs on the window's thread: a writer that keeps the settings locked (say, a
// stopped updater) may delay the window this long, no longer; the save then fails quietly.
constexpr std::chrono::milliseconds kSaveLockPatience{1000};
constexpr char kLastServer[] = "LastServer";
// Value name and default of each Switch, in its order.
constexpr std::pair<const char*, bool> kSwitches[] = {{"AutoReconnect", true}, {"ConnectOnStart", false}};

std::string decodeStored(CRegistryEx& store, const char* name)
{
    std::string stored;
    store.ReadString(name, stored);
    Base64Coder coder;
    coder.DecodeRange(stored.data(), stored.size());
    const char* raw = coder.RawBytes();
    return raw == nullptr ? std::string() : std::string(raw, ::strnlen(raw, coder.RawLength()));
}

std::string encode(const std::string& text)
{
    Base64Coder coder;
    const char* encoded = coder.EncodeToOutput(text.c_str(), 0);
    return encoded == nullptr ? std::string() : std::string(encoded);
}

} // namespace

std::optional<RememberedCredentials> RestoreCredentials()
{
    CRegistryEx store;
    if (!store.Open()) {
        return std::nullopt;
    }
    std::uint32_t saveId = 0;
    std::uint32_t savePassword = 0;
    store.ReadDword("UserIDSave", saveId);
    store.ReadDword("UserPWSave", savePassword);

    RememberedCredentials remembered;
    remembered.saveId = static_cast<int>(saveId);
    remembered.savePassword = static_cast<int>(savePassword);
    if (saveId == 1) {
        remembered.userId = decodeStored(store, "UserID");
    }
    if (savePassword == 1) {
        remembered.password = decodeStored(store, "UserPW");
    }
    return remembered;
}

void SaveCredentials(const std::string& userId, const std::string& password, int saveId, int savePassword)
{
    const std::string encodedId = encode(userId);
    const std::string encodedPassword = savePassword == 1 ? encode(password) : std::string();
    using Stored = decltype(CRegistryEx::Change::value);
    const CRegistryEx::Change changes[] = {
        {"UserID", std::string_view(encodedId)},
        {"UserIDSave", static_cast<std::uint32_t>(saveId)},
        {"UserPWSave", static_cast<std::uint32_t>(savePassword)},
        // A password the user no longer wants remembered must not stay in the file.
        {"UserPW", savePassword == 1 ? Stored(std::string_view(encodedPassword)) : Stored(std::monostate())},
    };
    CRegistryEx store;
    store.WriteAll(changes, kSaveLockPatience);
}

std::string restoreLastServer()
{
    CRegistryEx store;
    std::string name;
    if (store.Open()) {
        store.ReadString(kLastServer, name);
    }
    return name;
}

void saveLastServer(const std::string& name)
{
    const CRegistryEx::Change changes[] = {{kLastServer, std::string_view(name)}};
    CRegistryEx store;
    store.WriteAll(changes, kSaveLockPatience);
}

bool restoreSwitch(Switch which)
{
    const auto& [name, byDefault] = kSwitches[static_cast<int>(which)];
    CRegistryEx store;
    std::uint32_t on = byDefault ? 1 : 0;
    if (store.Open()) {
        store.ReadDword(name, on);
    }
    return on != 0;
}

void saveSwitch(Switch which, bool on)
{
    const CRegistryEx::Change changes[] = {{kSwitches[static_cast<int>(which)].first, std::uint32_t{on ? 1u : 0u}}};
    CRegistryEx store;
    store.WriteAll(changes, kSaveLockPatience);
}

void forgetUnticked(int saveId, int savePassword)
{
    std::vector<CRegistryEx::Change> changes;
    if (saveId == 0) {
        changes.push_back({"UserIDSave", std::uint32_t{0}});
    }
    if (savePassword == 0) {
        changes.push_back({"UserPWSave", std::uint32_t{0}});
        changes.push_back({"UserPW", std::monostate()});
    }
    CRegistryEx store;
    if (changes.empty() || !store.Open()) {
        return;
    }
    store.WriteAll(changes, kSaveLockPatience);
}

void applySaveBoxToggle(SaveBox toggled, int newState, int& saveId, int& savePassword)
{
    if (toggled == SaveBox::Id && newState == 0) {
        savePassword = 0;
    } else if (toggled == SaveBox::Password && newState != 0) {
        saveId = 1;
    }
}

} // namespace norvanta::app
