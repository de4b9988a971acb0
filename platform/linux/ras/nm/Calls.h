#pragma once

#include <systemd/sd-bus.h>

#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasProvider.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The NetworkManager calls the dialer makes, each a blocking call bounded by a time-out;
// they run on the bus thread only (BusThread). Texts from NetworkManager are UTF-8; the names
// the client gives are ASCII, so no conversion is needed for them.
namespace norvanta::platform::ras::nm {

inline constexpr char kNmService[] = "org.freedesktop.NetworkManager";
inline constexpr char kNmPath[] = "/org/freedesktop/NetworkManager";
inline constexpr char kPptpServiceType[] = "org.freedesktop.NetworkManager.pptp";
inline constexpr char kAgentPath[] = "/org/freedesktop/NetworkManager/SecretAgent";
inline constexpr char kAgentInterface[] = "org.freedesktop.NetworkManager.SecretAgent";
inline constexpr char kAgentIdentifier[] = "org.norvanta.vpn.client";

// A failed call: the D-Bus error name (empty when the call succeeded) and its message.
struct CallError {
    std::string name;
    std::string message;
    explicit operator bool() const { return !name.empty(); }
};

struct MessageUnref {
    void operator()(sd_bus_message* message) const;
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// Calls `member` of NetworkManager's object `path`; `fill` appends the arguments (may be
// empty). The reply, or null with `error` set (a bus that is gone reads as NoReply).
Message callNm(sd_bus* bus, const char* path, const char* interface, const char* member,
               std::chrono::milliseconds timeout, const std::function<int(sd_bus_message*)>& fill, CallError& error);

// The unique bus name that owns NetworkManager's name; empty with `error` set when none.
std::string nmOwner(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error);

// A saved NetworkManager profile of the PPTP plugin.
struct Profile {
    std::string path;
    std::string uuid;
    std::map<std::string, std::string> data; // vpn.data, the plugin's keys
};

// The PPTP profile whose id equals `name` (ASCII letters in any case); nothing and no
// error when there is none. Profiles this user may not read are passed over.
std::optional<Profile> findProfile(sd_bus* bus, std::string_view name, std::chrono::milliseconds timeout,
                                   CallError& error);

// The plugin's keys for an entry's settings: MS-CHAPv2 only, MPPE required unless the
// entry leaves encryption optional, the password never saved, the gateway when the entry
// has a phone number.
std::map<std::string, std::string> pptpDataFor(const EntrySettings& settings);

// The encryption a link of a profile with the plugin keys `data` runs once it is up:
// pppd ends a link whose server does not agree to what the keys require, and without
// them it refuses MPPE. The strength shows only where the keys fix it.
LinkDetails::Encryption encryptionRequiredBy(const std::map<std::string, std::string>& data);

// Saves a new profile `name`, private to `login`, with `uuid`; its path, or empty with
// `error` set. The password is not part of it.
std::string addProfile(sd_bus* bus, const std::string& name, const std::string& uuid, const std::string& login,
                       const EntrySettings& settings, std::chrono::milliseconds timeout, CallError& error);

// Replaces the plugin keys of the profile at `path` by `data`, keeping every other
// setting as NetworkManager holds it. True on success.
bool updateProfileData(sd_bus* bus, const std::string& path, const std::map<std::string, std::string>& data,
                       std::chrono::milliseconds timeout, CallError& error);

// The active connections that are VPNs, in NetworkManager's order.
std::vector<ActiveVpn> listActiveVpns(sd_bus* bus, std::chrono::milliseconds timeout, CallError& error);

// The first IPv4 address of the active connection at `activePath` (for a VPN, the
// tunnel's own address), or nothing when it has none yet or is gone.
std::optional<std::string> localIpv4Address(sd_bus* bus, const std::string& activePath,
                                            std::chrono::milliseconds timeout, CallError& error);

} // namespace norvanta::platform::ras::nm
