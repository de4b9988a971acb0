#include "platform/linux/ras/nm/SecretAgent.h"

#include <cstring>
#include <string.h>
#include <systemd/sd-bus.h>

namespace norvanta::platform::ras::nm {
namespace {

constexpr char kAgentManagerPath[] = "/org/freedesktop/NetworkManager/AgentManager";
constexpr char kAgentManagerInterface[] = "org.freedesktop.NetworkManager.AgentManager";
constexpr char kNoSecrets[] = "org.freedesktop.NetworkManager.SecretAgent.NoSecrets";

} // namespace

SecretAgent::SecretAgent(Lookup lookup) : m_lookup(std::move(lookup)) {}

int SecretAgent::exportOn(sd_bus* bus)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
    static const sd_bus_vtable kVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("GetSecrets", "a{sa{sv}}osasu", "a{sa{sv}}", onGetSecrets, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("CancelGetSecrets", "os", "", onNothingToDo, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("SaveSecrets", "a{sa{sv}}o", "", onNothingToDo, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("DeleteSecrets", "a{sa{sv}}o", "", onNothingToDo, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
#pragma GCC diagnostic pop
    return sd_bus_add_object_vtable(bus, nullptr, kAgentPath, kAgentInterface, kVtable, this);
}

bool SecretAgent::registerWith(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error)
{
    return callNm(
               bus, kAgentManagerPath, kAgentManagerInterface, "RegisterWithCapabilities", timeout,
               [](sd_bus_message* m) { return sd_bus_message_append(m, "su", kAgentIdentifier, 0U); }, error)
           != nullptr;
}

void SecretAgent::unregister(sd_bus* bus, std::chrono::milliseconds timeout)
{
    CallError ignored;
    callNm(bus, kAgentManagerPath, kAgentManagerInterface, "Unregister", timeout, nullptr, ignored);
}

int SecretAgent::onGetSecrets(sd_bus_message* call, void* self, sd_bus_error* error)
{
    // The settings NetworkManager sends along are not needed: the profile's path names it.
    if (int r = sd_bus_message_skip(call, "a{sa{sv}}"); r < 0) {
        return r;
    }
    const char* profilePath = nullptr;
    const char* setting = nullptr;
    if (int r = sd_bus_message_read(call, "os", &profilePath, &setting); r < 0) {
        return r;
    }
    const char* sender = sd_bus_message_get_sender(call);
    std::optional<std::string> password;
    if (std::string_view(setting) == "vpn" && sender != nullptr) {
        password = static_cast<SecretAgent*>(self)->m_lookup(sender, profilePath);
    }
    if (!password) {
        return sd_bus_error_set(error, kNoSecrets, "No password is waiting for this connection.");
    }
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    const Message owned(reply);
    // Sensitive: sd-bus wipes the message's memory when it is freed.
    r = r >= 0 ? sd_bus_message_sensitive(reply) : r;
    r = r >= 0 ? sd_bus_message_append(reply, "a{sa{sv}}", 1, "vpn", 1, "secrets", "a{ss}", 1, "password",
                                       password->c_str())
               : r;
    explicit_bzero(password->data(), password->size());
    return r >= 0 ? sd_bus_send(nullptr, reply, nullptr) : r;
}

int SecretAgent::onNothingToDo(sd_bus_message* call, void*, sd_bus_error*)
{
    // Nothing is ever saved, so there is nothing to save, delete or cancel.
    return sd_bus_reply_method_return(call, "");
}

} // namespace norvanta::platform::ras::nm
