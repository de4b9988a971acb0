#pragma once

#include <systemd/sd-bus.h>

#include "platform/linux/ras/nm/Calls.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace norvanta::platform::ras::nm {

// The client's NetworkManager secret agent: NetworkManager asks it for the VPN password
// of a profile being activated, so that the password travels only in that one reply and
// is never saved, put in a file or on a command line. Used on the bus thread only.
class SecretAgent {
public:
    // Answers (sender, profile path) with the password to hand over, or nothing.
    using Lookup = std::function<std::optional<std::string>(const std::string& sender, const std::string& profilePath)>;

    explicit SecretAgent(Lookup lookup);

    // Puts the agent object on `bus` (it lives as long as the bus). 0 or a negative errno.
    int exportOn(sd_bus* bus);

    // Asks NetworkManager to use this agent; true on success, else `error` set.
    bool registerWith(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error);

    // Tells NetworkManager to stop asking; failures are of no consequence and ignored.
    void unregister(sd_bus* bus, std::chrono::milliseconds timeout);

private:
    static int onGetSecrets(sd_bus_message* call, void* self, sd_bus_error* error);
    static int onNothingToDo(sd_bus_message* call, void* self, sd_bus_error* error);

    Lookup m_lookup;
};

} // namespace norvanta::platform::ras::nm
