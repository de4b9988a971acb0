#pragma once

#include "platform/RasApi.h"

#include <optional>
#include <string>
#include <string_view>

namespace norvanta::platform::ras {

// Codes of this layer, in the range Windows leaves to applications (bit 29 set), so they
// can never be mistaken for a code of the system.
inline constexpr DWORD kErrorUnknownProvider = 0x20000002;  // NORVANTA_VPN_RAS holds an unknown value
inline constexpr DWORD kErrorSimulationConfig = 0x20000003; // the simulation's settings are wrong
// The NetworkManager dialer's own failures, each with a text that says what to install or check.
inline constexpr DWORD kErrorNmUnavailable = 0x20000010;      // no system bus or no NetworkManager on it
inline constexpr DWORD kErrorNmPluginMissing = 0x20000011;    // the PPTP plugin is not installed or does not start
inline constexpr DWORD kErrorNmNoPppKernel = 0x20000012;      // the kernel has no PPP or MPPE support
inline constexpr DWORD kErrorNmPermissionDenied = 0x20000013; // NetworkManager (polkit) refused this user
inline constexpr DWORD kErrorNmPluginStopped = 0x20000014;    // the plugin stopped before the link was up
inline constexpr DWORD kErrorNmNoNetwork = 0x20000015;        // no active network connection to carry the VPN
inline constexpr DWORD kErrorNmLinkFailed = 0x20000016;       // the PPTP link failed to come up (see the system log)
inline constexpr DWORD kErrorNmUplinkLost = 0x20000017;       // the local network connection went while connecting
inline constexpr DWORD kErrorNmBadText = 0x20000018;          // user, password or server is not convertible text
inline constexpr DWORD kErrorNmNonAsciiLogin = 0x20000019;    // an ID or password pppd cannot log in with

// The layer's Korean text (CP949) for a code it knows, or nothing.
std::optional<std::string> knownErrorText(DWORD code);

// The Korean text (CP949) for a code nobody knows; it names the number.
std::string genericErrorText(DWORD code);

// The text of kErrorUnknownProvider naming the value found; a value that is not short
// printable ASCII is left out rather than shown garbled.
std::string unknownProviderText(std::string_view value);

// The text of kErrorSimulationConfig naming where the problem is (a variable name or
// "file:line"); a location longer than 120 bytes is left out.
std::string simulationConfigText(std::string_view location);

} // namespace norvanta::platform::ras
