#pragma once

#include "platform/RasApi.h"

#include <cstdint>
#include <string>

// The client's contact with the remote access service: the phonebook entry, the dial and
// the connection it makes. Texts are CP949 bytes, as typed or as configured. No member
// shows anything or throws; each returns the service's code or a 1/0 flag.
//
// A text longer than the RAS field it goes into (entry, user name and password 256 bytes,
// phone number 128, domain 15, device type 16, device name 128) or holding a NUL is
// refused with 87 (ERROR_INVALID_PARAMETER), never cut: a cut password would fail the
// authentication for a reason the user cannot see.

namespace norvanta::ras {
inline constexpr char kVpnEntryName[] = "Norvanta VPN Service";
inline constexpr char kVpnDeviceType[] = "vpn";
} // namespace norvanta::ras

// The dialing object; its one field is the handle of the last dial.
class CRasDialer {
public:
    CRasDialer() = default;

    // Starts the dial of `entryName` with the server `phoneNumber` and the credentials;
    // `notifier` then receives the progress on a thread of the service. Clears the held
    // handle first, so it is 0 unless the service stored a new one. Returns 0 when the dial
    // started, 87 for an over-long text, else the service's code.
    DWORD Dial(const std::string& entryName, RASDIALFUNC1 notifier, const std::string& phoneNumber,
               const std::string& userName, const std::string& password, const std::string& domain,
               const std::string& phonebook);

    // 1 when the statistics of the held handle can be read (the link is up), else 0;
    // 0 for a handle of 0 and for a stale handle.
    int IsConnected() const;

    // 0 and the whole seconds the link has been up (milliseconds cut down, so 59,999 ms
    // reads 59); -1 when the statistics cannot be read, with `seconds` untouched.
    int GetConnectSeconds(std::int32_t& seconds) const;

    // The handle of the last dial; 0 before any, and kept (stale) after a hang-up.
    HRASCONN Handle() const { return m_hRasConn; }

private:
    HRASCONN m_hRasConn = 0;
};

// Writes the phonebook entry `entryName` as a PPTP-first VPN entry unless it exists:
// 183 when it exists (it is then left exactly as it is, even if a user changed it),
// otherwise the result of writing it (0 = written; 87 for an over-long text).
DWORD WriteVpnEntry(const std::string& entryName, const std::string& deviceType, const std::string& deviceName,
                    DWORD netProtocols, DWORD framingProtocol, const std::string& phoneNumber,
                    const std::string& phonebook);

// Hangs up the dialer's connection, or when it holds no handle the active connection
// named `entryName`. 1 when the service hung up (result 0); 0 when it refused (a stale
// handle, for one) or no connection of that name was found. The handle is not cleared.
int HangUpConnection(CRasDialer& dialer, const std::string& entryName);

// 1 and its handle in `handle` when an active connection has the entry name `entryName`
// (letter case ignored, CP949-aware; with several, the last listed wins); else 0 and
// `handle` untouched.
int FindConnectionByEntry(const std::string& entryName, HRASCONN& handle);
