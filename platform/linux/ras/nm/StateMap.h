#pragma once

#include "platform/RasApi.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// How NetworkManager's view of a VPN activation reads as RAS progress states and error
// codes. The full table, with the reasons behind each line, is in StateMap.cpp.
namespace norvanta::platform::ras::nm {

// NMVpnConnectionState.
enum VpnState : std::uint32_t {
    kVpnUnknown = 0,
    kVpnPrepare = 1,
    kVpnNeedAuth = 2,
    kVpnConnect = 3,
    kVpnIpConfigGet = 4,
    kVpnActivated = 5,
    kVpnFailed = 6,
    kVpnDisconnected = 7,
};

// NMActiveConnectionState.
enum ActiveState : std::uint32_t {
    kActiveUnknown = 0,
    kActiveActivating = 1,
    kActiveActivated = 2,
    kActiveDeactivating = 3,
    kActiveDeactivated = 4,
};

// An active VPN connection as NetworkManager lists it.
struct ActiveVpn {
    std::string path;
    std::string name;
    std::uint32_t state = 0; // ActiveState
};

// The RAS states a dial reports, in order; a dial reports each at most once.
inline constexpr RASCONNSTATE kProgressSteps[] = {RASCS_OpenPort,     RASCS_PortOpened,    RASCS_ConnectDevice,
                                                  RASCS_Authenticate, RASCS_Authenticated, RASCS_Projected,
                                                  RASCS_Connected};
inline constexpr int kStepOpenPort = 0;
inline constexpr int kStepPortOpened = 1;
inline constexpr int kStepConnected = 6;

// The index in kProgressSteps a dial has reached when NetworkManager reports `vpnState`;
// -1 for a state that says nothing about progress (unknown, prepare, need-auth, the ends).
int progressStepOf(std::uint32_t vpnState);

// A link that sat this long in CONNECT before it failed had its control connection
// accepted and then never heard the server's PPP: pppd gives up after ten unanswered
// LCP requests three seconds apart, about 30 s, while a refused login or encryption ends
// within seconds. That is the sign of GRE dropped by a router or firewall on the way.
inline constexpr std::chrono::seconds kGreSilence{20};

// What an activation that ended had seen of VPN state 3 (CONNECT).
enum class ConnectSeen {
    Never,
    Briefly, // for less than the GRE silence
    Stalled, // for the GRE silence or longer
};

// The RAS error code of an activation that ended (VPN state 6 or 7, or the active
// connection deactivating) before the link was up. `reason` is
// NMActiveConnectionStateReason.
DWORD failureCode(std::uint32_t reason, ConnectSeen connect);

// The RAS error code of a failed ActivateConnection call, by the error's name and message.
DWORD activationErrorCode(std::string_view errorName, std::string_view message);

// The RAS error code of a failed D-Bus call, by the error's name; `fallback` for a name
// with no meaning of its own.
DWORD callErrorCode(std::string_view errorName, DWORD fallback);

} // namespace norvanta::platform::ras::nm
