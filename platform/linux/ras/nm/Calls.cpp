#include "platform/linux/ras/nm/Calls.h"

#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasEntryName.h"
#include "platform/ras/RasErrorText.h"

#include <systemd/sd-bus.h>

namespace norvanta::platform::ras::nm {
namespace {

constexpr char kSettingsPath[] = "/org/freedesktop/NetworkManager/Settings";
constexpr char kSettingsInterface[] = "org.freedesktop.NetworkManager.Settings";
constexpr char kConnectionInterface[] = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr char kActiveInterface[] = "org.freedesktop.NetworkManager.Connection.Active";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

constexpr std::uint32_t kAddToDisk = 0x1;
constexpr std::uint32_t kAddBlockAutoconnect = 0x20;
constexpr std::uint32_t kUpdateToDisk = 0x1;

// RAS encryption types: none, required, the strongest required, and "used if the server
// offers it".
constexpr DWORD kEncryptionNone = 0;
constexpr DWORD kEncryptionRequireMax = 2;

std::uint64_t usecOf(std::chrono::milliseconds timeout)
{
    return static_cast<std::uint64_t>(timeout.count()) * 1000U;
}

// A message being read: its parts are checked as they come, and the first failure sticks,
// so that a reply of an unexpected shape ends the walk instead of misreading it.
class Reader {
public:
    explicit Reader(sd_bus_message* message) : m_message(message) {}

    bool ok() const { return m_ok; }
    bool enter(char type, const char* contents)
    {
        return step(sd_bus_message_enter_container(m_message, type, contents));
    }
    bool exit() { return step(sd_bus_message_exit_container(m_message)); }
    bool skip(const char* types) { return step(sd_bus_message_skip(m_message, types)); }

    // Enters the next element of the array being read; false at its end.
    bool next(const char* contents)
    {
        const int result = sd_bus_message_enter_container(m_message, SD_BUS_TYPE_DICT_ENTRY, contents);
        step(result);
        return result > 0;
    }

    std::string string()
    {
        const char* text = nullptr;
        step(sd_bus_message_read_basic(m_message, SD_BUS_TYPE_STRING, &text));
        return text != nullptr ? text : "";
    }

    // The string held by the variant that comes next, or nothing (the variant is skipped)
    // when it holds something else.
    std::optional<std::string> variantString()
    {
        const char* contents = nullptr;
        step(sd_bus_message_peek_type(m_message, nullptr, &contents));
        if (!m_ok || contents == nullptr || std::string_view(contents) != "s") {
            skip("v");
            return std::nullopt;
        }
        enter(SD_BUS_TYPE_VARIANT, "s");
        std::string text = string();
        exit();
        return text;
    }

    std::optional<std::uint32_t> variantUint()
    {
        const char* contents = nullptr;
        step(sd_bus_message_peek_type(m_message, nullptr, &contents));
        if (!m_ok || contents == nullptr || std::string_view(contents) != "u") {
            skip("v");
            return std::nullopt;
        }
        std::uint32_t value = 0;
        enter(SD_BUS_TYPE_VARIANT, "u");
        step(sd_bus_message_read_basic(m_message, SD_BUS_TYPE_UINT32, &value));
        exit();
        return value;
    }

    // A variant holding a{ss}.
    std::map<std::string, std::string> variantStringMap()
    {
        std::map<std::string, std::string> map;
        const char* contents = nullptr;
        step(sd_bus_message_peek_type(m_message, nullptr, &contents));
        if (!m_ok || contents == nullptr || std::string_view(contents) != "a{ss}") {
            skip("v");
            return map;
        }
        enter(SD_BUS_TYPE_VARIANT, "a{ss}");
        enter(SD_BUS_TYPE_ARRAY, "{ss}");
        while (m_ok && next("ss")) {
            std::string key = string();
            map[std::move(key)] = string();
            exit();
        }
        exit();
        exit();
        return map;
    }

private:
    bool step(int result)
    {
        m_ok = m_ok && result >= 0;
        return m_ok;
    }

    sd_bus_message* m_message;
    bool m_ok = true;
};

// The parts of a profile's settings the dialer looks at.
struct ProfileSettings {
    std::string id;
    std::string type;
    std::string uuid;
    std::string serviceType;
    std::map<std::string, std::string> data;
};

bool readProfileSettings(sd_bus_message* reply, ProfileSettings& settings)
{
    Reader in(reply);
    in.enter(SD_BUS_TYPE_ARRAY, "{sa{sv}}");
    while (in.ok() && in.next("sa{sv}")) {
        const std::string setting = in.string();
        in.enter(SD_BUS_TYPE_ARRAY, "{sv}");
        while (in.ok() && in.next("sv")) {
            const std::string key = in.string();
            if (setting == "vpn" && key == "data") {
                settings.data = in.variantStringMap();
            } else if ((setting == "connection" && (key == "id" || key == "type" || key == "uuid"))
                       || (setting == "vpn" && key == "service-type")) {
                std::string value = in.variantString().value_or("");
                std::string& target = key == "id"     ? settings.id
                                      : key == "type" ? settings.type
                                      : key == "uuid" ? settings.uuid
                                                      : settings.serviceType;
                target = std::move(value);
            } else {
                in.skip("v");
            }
            in.exit();
        }
        in.exit();
        in.exit();
    }
    in.exit();
    return in.ok();
}

int appendStringMapEntry(sd_bus_message* out, const char* key, const std::map<std::string, std::string>& map)
{
    int result = sd_bus_message_open_container(out, SD_BUS_TYPE_DICT_ENTRY, "sv");
    result = result >= 0 ? sd_bus_message_append_basic(out, SD_BUS_TYPE_STRING, key) : result;
    result = result >= 0 ? sd_bus_message_open_container(out, SD_BUS_TYPE_VARIANT, "a{ss}") : result;
    result = result >= 0 ? sd_bus_message_open_container(out, SD_BUS_TYPE_ARRAY, "{ss}") : result;
    for (const auto& [name, value] : map) {
        result = result >= 0 ? sd_bus_message_append(out, "{ss}", name.c_str(), value.c_str()) : result;
    }
    result = result >= 0 ? sd_bus_message_close_container(out) : result;
    result = result >= 0 ? sd_bus_message_close_container(out) : result;
    return result >= 0 ? sd_bus_message_close_container(out) : result;
}

// Copies the settings of `in` (a GetSettings reply) to `out` with vpn.data replaced.
int appendMergedSettings(sd_bus_message* out, sd_bus_message* in, const std::map<std::string, std::string>& data)
{
    Reader reader(in);
    int result = sd_bus_message_open_container(out, SD_BUS_TYPE_ARRAY, "{sa{sv}}");
    reader.enter(SD_BUS_TYPE_ARRAY, "{sa{sv}}");
    while (result >= 0 && reader.ok() && reader.next("sa{sv}")) {
        const std::string setting = reader.string();
        result = sd_bus_message_open_container(out, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}");
        result = result >= 0 ? sd_bus_message_append_basic(out, SD_BUS_TYPE_STRING, setting.c_str()) : result;
        if (setting != "vpn") {
            result = result >= 0 ? sd_bus_message_copy(out, in, 0) : result;
        } else {
            reader.enter(SD_BUS_TYPE_ARRAY, "{sv}");
            result = result >= 0 ? sd_bus_message_open_container(out, SD_BUS_TYPE_ARRAY, "{sv}") : result;
            while (result >= 0 && reader.ok() && reader.next("sv")) {
                const std::string key = reader.string();
                if (key == "data") {
                    reader.skip("v");
                } else {
                    result = sd_bus_message_open_container(out, SD_BUS_TYPE_DICT_ENTRY, "sv");
                    result = result >= 0 ? sd_bus_message_append_basic(out, SD_BUS_TYPE_STRING, key.c_str()) : result;
                    result = result >= 0 ? sd_bus_message_copy(out, in, 0) : result;
                    result = result >= 0 ? sd_bus_message_close_container(out) : result;
                }
                reader.exit();
            }
            reader.exit();
            result = result >= 0 ? appendStringMapEntry(out, "data", data) : result;
            result = result >= 0 ? sd_bus_message_close_container(out) : result;
        }
        result = result >= 0 ? sd_bus_message_close_container(out) : result;
        reader.exit();
    }
    reader.exit();
    if (!reader.ok()) {
        return -EBADMSG;
    }
    return result >= 0 ? sd_bus_message_close_container(out) : result;
}

Message getSettings(sd_bus* bus, const std::string& path, std::chrono::milliseconds timeout, CallError& error)
{
    return callNm(bus, path.c_str(), kConnectionInterface, "GetSettings", timeout, nullptr, error);
}

} // namespace

void MessageUnref::operator()(sd_bus_message* message) const
{
    sd_bus_message_unref(message);
}

Message callNm(sd_bus* bus, const char* path, const char* interface, const char* member,
               std::chrono::milliseconds timeout, const std::function<int(sd_bus_message*)>& fill, CallError& error)
{
    error = CallError{};
    if (bus == nullptr) {
        error.name = "org.freedesktop.DBus.Error.NoServer";
        return nullptr;
    }
    sd_bus_message* request = nullptr;
    const std::string_view service = std::string_view(interface).starts_with("org.freedesktop.DBus")
                                             && std::string_view(path) == "/org/freedesktop/DBus"
                                         ? "org.freedesktop.DBus"
                                         : kNmService;
    int result = sd_bus_message_new_method_call(bus, &request, std::string(service).c_str(), path, interface, member);
    const Message owned(request);
    if (result >= 0 && fill) {
        result = fill(request);
    }
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    if (result >= 0) {
        result = sd_bus_call(bus, request, usecOf(timeout), &failure, &reply);
    }
    if (result < 0) {
        error.name = failure.name != nullptr ? failure.name : "org.freedesktop.DBus.Error.NoReply";
        error.message = failure.message != nullptr ? failure.message : "";
        sd_bus_error_free(&failure);
        return nullptr;
    }
    sd_bus_error_free(&failure);
    return Message(reply);
}

std::string nmOwner(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error)
{
    const Message reply = callNm(
        bus, "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner", timeout,
        [](sd_bus_message* m) { return sd_bus_message_append_basic(m, 's', kNmService); }, error);
    if (!reply) {
        return {};
    }
    const char* owner = nullptr;
    if (sd_bus_message_read_basic(reply.get(), 's', &owner) < 0 || owner == nullptr) {
        error.name = "org.freedesktop.DBus.Error.NameHasNoOwner";
        return {};
    }
    return owner;
}

std::optional<Profile> findProfile(sd_bus* bus, std::string_view name, std::chrono::milliseconds timeout,
                                   CallError& error)
{
    const Message list = callNm(bus, kSettingsPath, kSettingsInterface, "ListConnections", timeout, nullptr, error);
    if (!list) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    if (sd_bus_message_enter_container(list.get(), 'a', "o") >= 0) {
        const char* path = nullptr;
        while (sd_bus_message_read_basic(list.get(), 'o', &path) > 0) {
            paths.emplace_back(path);
        }
    }
    for (const auto& path : paths) {
        CallError readError;
        const Message reply = getSettings(bus, path, timeout, readError);
        ProfileSettings settings;
        // Another user's private profile answers PermissionDenied, and one removed in the
        // meantime is gone: neither is ours.
        if (!reply || !readProfileSettings(reply.get(), settings)) {
            if (readError && callErrorCode(readError.name, 0) == kErrorNmUnavailable) {
                error = readError;
                return std::nullopt;
            }
            continue;
        }
        if (settings.type == "vpn" && settings.serviceType == kPptpServiceType && sameEntryName(settings.id, name)) {
            return Profile{path, settings.uuid, std::move(settings.data)};
        }
    }
    return std::nullopt;
}

std::map<std::string, std::string> pptpDataFor(const EntrySettings& settings)
{
    // MPPE works only with MS-CHAPv2, so the other methods are refused outright; the
    // password is handed over by the client's secret agent on each dial and never stored.
    std::map<std::string, std::string> data = {
        {"refuse-eap", "yes"},     {"refuse-pap", "yes"},       {"refuse-chap", "yes"},  {"refuse-mschap", "yes"},
        {"lcp-echo-failure", "5"}, {"lcp-echo-interval", "30"}, {"password-flags", "2"},
    };
    // pppd negotiates MPPE only when told to require it: it has no "if the server offers
    // it", and left alone it rejects the server's MPPE and runs the tunnel in plain text.
    // So every entry that wants encryption at all requires it; 40 or 128 bits, whichever
    // the server offers, as Windows takes the strongest offered.
    if (settings.encryptionType != kEncryptionNone) {
        data["require-mppe"] = "yes";
    }
    if (settings.encryptionType == kEncryptionRequireMax) {
        data["require-mppe-128"] = "yes";
    }
    if (!settings.localPhoneNumber.empty()) {
        data["gateway"] = settings.localPhoneNumber;
    }
    return data;
}

LinkDetails::Encryption encryptionRequiredBy(const std::map<std::string, std::string>& data)
{
    const auto says = [&data](const char* key) {
        const auto found = data.find(key);
        return found != data.end() && found->second == "yes";
    };
    if (says("require-mppe-128")) {
        return LinkDetails::Encryption::Mppe128;
    }
    if (says("require-mppe-40")) {
        return LinkDetails::Encryption::Mppe40;
    }
    return says("require-mppe") ? LinkDetails::Encryption::Mppe : LinkDetails::Encryption::None;
}

std::string addProfile(sd_bus* bus, const std::string& name, const std::string& uuid, const std::string& login,
                       const EntrySettings& settings, std::chrono::milliseconds timeout, CallError& error)
{
    const bool defaultRoute = (settings.options & RASEO_RemoteDefaultGateway) != 0;
    const std::string owner = "user:" + login;
    const auto fill = [&](sd_bus_message* m) {
        int r = sd_bus_message_open_container(m, 'a', "{sa{sv}}");
        r = r >= 0 ? sd_bus_message_append(m, "{sa{sv}}", "connection", 5, "id", "s", name.c_str(), "uuid", "s",
                                           uuid.c_str(), "type", "s", "vpn", "autoconnect", "b", 0, "permissions", "as",
                                           1, owner.c_str())
                   : r;
        r = r >= 0 ? sd_bus_message_open_container(m, 'e', "sa{sv}") : r;
        r = r >= 0 ? sd_bus_message_append_basic(m, 's', "vpn") : r;
        r = r >= 0 ? sd_bus_message_open_container(m, 'a', "{sv}") : r;
        r = r >= 0 ? sd_bus_message_append(m, "{sv}", "service-type", "s", kPptpServiceType) : r;
        r = r >= 0 ? appendStringMapEntry(m, "data", pptpDataFor(settings)) : r;
        r = r >= 0 ? sd_bus_message_close_container(m) : r;
        r = r >= 0 ? sd_bus_message_close_container(m) : r;
        r = r >= 0 ? sd_bus_message_append(m, "{sa{sv}}", "ipv4", 2, "method", "s", "auto", "never-default", "b",
                                           defaultRoute ? 0 : 1)
                   : r;
        r = r >= 0 ? sd_bus_message_append(m, "{sa{sv}}", "ipv6", 1, "method", "s", "ignore") : r;
        r = r >= 0 ? sd_bus_message_close_container(m) : r;
        r = r >= 0 ? sd_bus_message_append(m, "u", kAddToDisk | kAddBlockAutoconnect) : r;
        return r >= 0 ? sd_bus_message_append(m, "a{sv}", 0) : r;
    };
    const Message reply = callNm(bus, kSettingsPath, kSettingsInterface, "AddConnection2", timeout, fill, error);
    const char* path = nullptr;
    if (!reply || sd_bus_message_read_basic(reply.get(), 'o', &path) < 0 || path == nullptr) {
        if (!error) {
            error.name = "org.freedesktop.DBus.Error.InvalidArgs";
        }
        return {};
    }
    return path;
}

bool updateProfileData(sd_bus* bus, const std::string& path, const std::map<std::string, std::string>& data,
                       std::chrono::milliseconds timeout, CallError& error)
{
    // Update2 replaces the whole profile, so the new keys go into what NetworkManager holds
    // now: whatever the user changed elsewhere stays.
    const Message current = getSettings(bus, path, timeout, error);
    if (!current) {
        return false;
    }
    const auto fill = [&](sd_bus_message* m) {
        int r = appendMergedSettings(m, current.get(), data);
        r = r >= 0 ? sd_bus_message_append(m, "u", kUpdateToDisk) : r;
        return r >= 0 ? sd_bus_message_append(m, "a{sv}", 0) : r;
    };
    return callNm(bus, path.c_str(), kConnectionInterface, "Update2", timeout, fill, error) != nullptr;
}

std::vector<ActiveVpn> listActiveVpns(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error)
{
    std::vector<ActiveVpn> vpns;
    const Message reply = callNm(
        bus, kNmPath, kPropertiesInterface, "Get", timeout,
        [](sd_bus_message* m) { return sd_bus_message_append(m, "ss", kNmService, "ActiveConnections"); }, error);
    if (!reply) {
        return vpns;
    }
    std::vector<std::string> paths;
    if (sd_bus_message_enter_container(reply.get(), 'v', "ao") >= 0
        && sd_bus_message_enter_container(reply.get(), 'a', "o") >= 0) {
        const char* path = nullptr;
        while (sd_bus_message_read_basic(reply.get(), 'o', &path) > 0) {
            paths.emplace_back(path);
        }
    }
    for (const auto& path : paths) {
        CallError readError;
        const Message all = callNm(
            bus, path.c_str(), kPropertiesInterface, "GetAll", timeout,
            [](sd_bus_message* m) { return sd_bus_message_append_basic(m, 's', kActiveInterface); }, readError);
        if (!all) {
            continue; // gone in the meantime
        }
        ActiveVpn vpn{path, {}, 0};
        std::string type;
        Reader in(all.get());
        in.enter('a', "{sv}");
        while (in.ok() && in.next("sv")) {
            const std::string key = in.string();
            if (key == "Id") {
                vpn.name = in.variantString().value_or("");
            } else if (key == "Type") {
                type = in.variantString().value_or("");
            } else if (key == "State") {
                vpn.state = in.variantUint().value_or(0);
            } else {
                in.skip("v");
            }
            in.exit();
        }
        if (in.ok() && type == "vpn") {
            vpns.push_back(std::move(vpn));
        }
    }
    return vpns;
}

namespace {

// The value of one property, positioned inside its variant of type `type`; null with
// `error` set (or no error when the property holds another type).
Message propertyOf(sd_bus* bus, const char* path, const char* interface, const char* name, const char* type,
                   std::chrono::milliseconds timeout, CallError& error)
{
    Message reply = callNm(
        bus, path, kPropertiesInterface, "Get", timeout,
        [&](sd_bus_message* m) { return sd_bus_message_append(m, "ss", interface, name); }, error);
    if (!reply || sd_bus_message_enter_container(reply.get(), 'v', type) <= 0) {
        return nullptr;
    }
    return reply;
}

} // namespace

std::optional<std::string> localIpv4Address(sd_bus* bus, const std::string& activePath,
                                            std::chrono::milliseconds timeout, CallError& error)
{
    const Message config = propertyOf(bus, activePath.c_str(), kActiveInterface, "Ip4Config", "o", timeout, error);
    const char* configPath = nullptr;
    if (!config || sd_bus_message_read_basic(config.get(), 'o', &configPath) <= 0 || configPath == nullptr
        || std::string_view(configPath) == "/") {
        return std::nullopt;
    }
    const Message addresses = propertyOf(bus, configPath, "org.freedesktop.NetworkManager.IP4Config", "AddressData",
                                         "aa{sv}", timeout, error);
    if (!addresses) {
        return std::nullopt;
    }
    Reader in(addresses.get());
    std::optional<std::string> address;
    if (in.enter('a', "a{sv}") && in.enter('a', "{sv}")) {
        while (!address && in.ok() && in.next("sv")) {
            if (in.string() == "address") {
                address = in.variantString();
            } else {
                in.skip("v");
            }
            in.exit();
        }
    }
    return in.ok() ? address : std::nullopt;
}

} // namespace norvanta::platform::ras::nm
