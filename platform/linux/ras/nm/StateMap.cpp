#include "platform/linux/ras/nm/StateMap.h"

#include "platform/ras/RasErrorText.h"

#include <algorithm>
#include <iterator>
#include <utility>

// What the dialer reports for each thing NetworkManager says. Every code has a Korean text
// in RasErrorText.cpp; the codes 0x200000xx are this client's own.
//
// Progress (one RAS event per step, in order; a skipped step is reported on the way):
//   | NetworkManager                                  | RAS states reported                 |
//   |-------------------------------------------------|-------------------------------------|
//   | checks passed (NM there, profile, kernel, port) | 0 OpenPort                          |
//   | ActivateConnection answered with the path       | 1 PortOpened                        |
//   | VpnState 3 CONNECT                              | 2 ConnectDevice, 5 Authenticate     |
//   | VpnState 4 IP_CONFIG_GET                        | 14 Authenticated, 18 Projected      |
//   | VpnState 5 ACTIVATED                            | 0x2000 Connected                    |
//   | VpnState 1 PREPARE, 2 NEED_AUTH                 | nothing (the password is asked for) |
//
// Failures before the dial reaches NetworkManager (reported at state 0):
//   | cause                                                  | code                         |
//   |--------------------------------------------------------|------------------------------|
//   | server, user, domain or password not CP949 text       | 0x20000018 unusable text     |
//   | no system bus, NetworkManager not on it, no answer     | 0x20000010 NM unavailable    |
//   | no profile of the entry's name                         | 623                          |
//   | kernel without ppp_generic or ppp_mppe                 | 0x20000012 no PPP kernel     |
//   | server name does not resolve to an IPv4 address        | 868                          |
//   | TCP port 1723 refused or unreachable                   | 800                          |
//   | TCP port 1723 silent                                   | 809                          |
//   | ActivateConnection: ConnectionNotAvailable             | 0x20000011 plugin missing    |
//   | any call: PermissionDenied / AccessDenied              | 0x20000013 permission denied |
//   | ActivateConnection: UnknownConnection, no source       | 0x20000015 no network        |
//   |   connection or base device (nothing activated below) |                              |
//   | ActivateConnection: UnknownConnection, other           | 623                          |
//   | the dial's own time limit passed                       | 718                          |
//
// VpnState 6 FAILED or 7 DISCONNECTED before ACTIVATED, by NMActiveConnectionStateReason:
//   | reason                                         | code                                  |
//   |------------------------------------------------|---------------------------------------|
//   | 0 UNKNOWN, 1 NONE, 4 SERVICE_STOPPED           | after CONNECT: 0x20000016 the PPTP    |
//   |                                                | link failed, or 806 GRE blocked when  |
//   |                                                | CONNECT lasted the GRE silence (20 s);|
//   |                                                | before CONNECT: 800, or for 4 the     |
//   |                                                | plugin stopped 0x20000014             |
//   | 2 USER_DISCONNECTED                            | 631                                   |
//   | 3 DEVICE_DISCONNECTED, 14 DEVICE_REMOVED       | 0x20000017 the local network went     |
//   | 13 DEVICE_REALIZE_FAILED                       | 619                                   |
//   | 5 IP_CONFIG_INVALID                            | 720                                   |
//   | 6 CONNECT_TIMEOUT                              | 718                                   |
//   | 7 SERVICE_START_TIMEOUT, 8 SERVICE_START_FAILED| 0x20000011 plugin missing             |
//   | 9 NO_SECRETS, 10 LOGIN_FAILED                  | 691                                   |
//   | 11 CONNECTION_REMOVED                          | 623                                   |
//   | 12 DEPENDENCY_FAILED, anything else            | 800                                   |
//
// After ACTIVATED no event follows (RAS reports none either): the link reads as down, and
// RasGetConnectionStatistics answers 668, as soon as VpnState 6/7, an active state of 3/4,
// or NetworkManager leaving the bus is seen.
//
// Active.StateChanged 3 DEACTIVATING or 4 DEACTIVATED ends a dial that is not connected
// yet, with the reason it carries: NetworkManager 1.42 sends VpnState 5 with reason 2 while
// it takes a VPN down, which is no connection. A dial is connected only once both the VPN
// state is 5 and the active connection is 2 ACTIVATED (NetworkManager sends the latter
// first).
//
// Reasons 0, 1 and 4 say little about the cause. With the real pppd no exit status ever
// reaches NetworkManager: the plugin learns of the end from pppd's phase change and kills
// pppd itself, so a refused password, a server that will not do MPPE and pppd that cannot
// start (no /dev/ppp) all end as the plugin's CONNECT_FAILED, then reason 0, within a few
// seconds of CONNECT. They read as "the PPTP link could not be established" with the
// system log to look in, never as a wrong password. Only time tells GRE dropped on the
// way: the same reason, but after tens of seconds in CONNECT.

namespace norvanta::platform::ras::nm {
namespace {

enum Reason : std::uint32_t {
    kReasonUnknown = 0,
    kReasonNone = 1,
    kReasonUserDisconnected = 2,
    kReasonDeviceDisconnected = 3,
    kReasonServiceStopped = 4,
    kReasonIpConfigInvalid = 5,
    kReasonConnectTimeout = 6,
    kReasonServiceStartTimeout = 7,
    kReasonServiceStartFailed = 8,
    kReasonNoSecrets = 9,
    kReasonLoginFailed = 10,
    kReasonConnectionRemoved = 11,
    kReasonDependencyFailed = 12,
    kReasonDeviceRealizeFailed = 13,
    kReasonDeviceRemoved = 14,
};

const std::pair<std::uint32_t, DWORD> kReasonCodes[] = {
    {kReasonUserDisconnected, ERROR_USER_DISCONNECTION},
    {kReasonDeviceDisconnected, kErrorNmUplinkLost},
    {kReasonIpConfigInvalid, ERROR_PPP_NO_PROTOCOLS_CONFIGURED},
    {kReasonConnectTimeout, ERROR_PPP_TIMEOUT},
    {kReasonServiceStartTimeout, kErrorNmPluginMissing},
    {kReasonServiceStartFailed, kErrorNmPluginMissing},
    {kReasonNoSecrets, ERROR_AUTHENTICATION_FAILURE},
    {kReasonLoginFailed, ERROR_AUTHENTICATION_FAILURE},
    {kReasonConnectionRemoved, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
    {kReasonDependencyFailed, ERROR_AUTOMATIC_VPN_FAILED},
    {kReasonDeviceRealizeFailed, ERROR_PORT_DISCONNECTED},
    {kReasonDeviceRemoved, kErrorNmUplinkLost},
};

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

int progressStepOf(std::uint32_t vpnState)
{
    switch (vpnState) {
    case kVpnConnect:
        return 3;
    case kVpnIpConfigGet:
        return 5;
    case kVpnActivated:
        return kStepConnected;
    default:
        return -1;
    }
}

DWORD failureCode(std::uint32_t reason, ConnectSeen connect)
{
    if (reason == kReasonUnknown || reason == kReasonNone || reason == kReasonServiceStopped) {
        if (connect != ConnectSeen::Never) {
            return connect == ConnectSeen::Stalled ? ERROR_VPN_GRE_BLOCKED : kErrorNmLinkFailed;
        }
        return reason == kReasonServiceStopped ? kErrorNmPluginStopped : ERROR_AUTOMATIC_VPN_FAILED;
    }
    const auto found = std::find_if(std::begin(kReasonCodes), std::end(kReasonCodes),
                                    [reason](const auto& entry) { return entry.first == reason; });
    return found != std::end(kReasonCodes) ? found->second : ERROR_AUTOMATIC_VPN_FAILED;
}

DWORD activationErrorCode(std::string_view errorName, std::string_view message)
{
    // NetworkManager 1.42 answers a VPN without an activated connection beneath it with
    // UnknownConnection "Could not find source connection." (or, for a device given
    // explicitly, "The base device for the VPN connection was not active."): the profile
    // is there, the network is not.
    const bool unknown = errorName == "org.freedesktop.NetworkManager.UnknownConnection"
                         || errorName == "org.freedesktop.NetworkManager.UnknownDevice";
    if (unknown
        && (message.find("source connection") != std::string_view::npos
            || message.find("base device") != std::string_view::npos)) {
        return kErrorNmNoNetwork;
    }
    return callErrorCode(errorName, ERROR_AUTOMATIC_VPN_FAILED);
}

DWORD callErrorCode(std::string_view errorName, DWORD fallback)
{
    static constexpr std::string_view kUnavailable[] = {
        "org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
        "org.freedesktop.DBus.Error.NoReply",        "org.freedesktop.DBus.Error.Timeout",
        "org.freedesktop.DBus.Error.TimedOut",       "org.freedesktop.DBus.Error.Disconnected",
        "org.freedesktop.DBus.Error.NoServer",       "org.freedesktop.DBus.Error.FileNotFound",
        "org.freedesktop.DBus.Error.UnknownObject",  "org.freedesktop.DBus.Error.UnknownMethod",
    };
    if (std::find(std::begin(kUnavailable), std::end(kUnavailable), errorName) != std::end(kUnavailable)) {
        return kErrorNmUnavailable;
    }
    if (endsWith(errorName, ".PermissionDenied") || errorName == "org.freedesktop.DBus.Error.AccessDenied"
        || errorName == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired") {
        return kErrorNmPermissionDenied;
    }
    if (errorName == "org.freedesktop.NetworkManager.ConnectionNotAvailable") {
        return kErrorNmPluginMissing;
    }
    if (errorName == "org.freedesktop.NetworkManager.UnknownConnection"
        || errorName == "org.freedesktop.NetworkManager.Settings.Connection.DoesNotExist") {
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    return fallback;
}

} // namespace norvanta::platform::ras::nm
