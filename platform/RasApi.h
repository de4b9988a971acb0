#pragma once

// The remote access functions and structures the dialing code calls. On Windows they are
// the system's own (<ras.h>, rasapi32). Elsewhere this header declares functions of the
// same names and shapes, implemented by the remote-access layer of the OS folder, which
// forwards them to a provider (see platform/ras/RasProvider.h).
//
// Code written against this header compiles unchanged on both: it must size the structures
// it hands over with the kRas...Size constants below, never with sizeof, because the
// Windows client speaks the Windows XP generation of the structures whatever SDK it uses.

#if defined(_WIN32)

// The build defines WINVER and _WIN32_WINNT as 0x0501 for every file, so that <ras.h>
// lays the structures out at the Windows XP level the constants below name.
#include "platform/win32/WindowsApi.h"

#include <ras.h>
#include <raserror.h>

// <ras.h> packs its structures to 4 bytes; the handles and ULONG_PTRs of the 64-bit
// client make two of them wider than the 32-bit build's.
#if defined(_WIN64)
static_assert(sizeof(RASENTRYA) == 2884 && sizeof(RASDIALPARAMSA) == 1064 && sizeof(RASCONNA) == 708
                  && sizeof(RAS_STATS) == 60,
              "the RAS structures must have their Windows XP sizes (WINVER 0x0501)");
#else
static_assert(sizeof(RASENTRYA) == 2884 && sizeof(RASDIALPARAMSA) == 1060 && sizeof(RASCONNA) == 704
                  && sizeof(RAS_STATS) == 60,
              "the RAS structures must have their Windows XP sizes (WINVER 0x0501)");
#endif

// Newer than the Windows XP headers, but the same number on every Windows.
#if !defined(ERROR_DNSNAME_NOT_RESOLVABLE)
inline constexpr DWORD ERROR_DNSNAME_NOT_RESOLVABLE = 868;
#endif

// The message number the simulated layer hands to a type-1 notifier, as the system does.
inline constexpr UINT kRasDialNotifierMessage = 0xCCCD;

namespace norvanta::platform {
// The Windows XP level at this build's pointer width (asserted above).
inline constexpr DWORD kRasEntrySize = sizeof(RASENTRYA);
inline constexpr DWORD kRasDialParamsSize = sizeof(RASDIALPARAMSA);
inline constexpr DWORD kRasConnSize = sizeof(RASCONNA);
inline constexpr DWORD kRasStatsSize = sizeof(RAS_STATS);
} // namespace norvanta::platform

#else

#include <cstdint>

// Windows' fixed-width names, so that the same dialing code compiles on both systems.
using DWORD = std::uint32_t;
using UINT = unsigned int;
using CHAR = char;
using BYTE = unsigned char;
using LPBYTE = BYTE*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;
using LPVOID = void*;
using ULONG_PTR = std::uintptr_t;

#ifndef WINAPI
#define WINAPI
#endif
#ifndef APIENTRY
#define APIENTRY
#endif

// Opaque connection handle, a pointer type as on Windows; 0 never names a connection.
typedef struct HRASCONN__* HRASCONN;
typedef HRASCONN* LPHRASCONN;

inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr DWORD ERROR_DEVICE_DOES_NOT_EXIST = 608;
inline constexpr DWORD ERROR_PORT_DISCONNECTED = 619;
inline constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
inline constexpr DWORD ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
inline constexpr DWORD ERROR_CANNOT_WRITE_PHONEBOOK = 624;
inline constexpr DWORD ERROR_REMOTE_DISCONNECTION = 629;
inline constexpr DWORD ERROR_USER_DISCONNECTION = 631;
inline constexpr DWORD ERROR_INVALID_SIZE = 632;
inline constexpr DWORD ERROR_NO_CONNECTION = 668;
inline constexpr DWORD ERROR_AUTHENTICATION_FAILURE = 691;
inline constexpr DWORD ERROR_PPP_TIMEOUT = 718;
inline constexpr DWORD ERROR_PPP_NO_PROTOCOLS_CONFIGURED = 720;
inline constexpr DWORD ERROR_NO_LOCAL_ENCRYPTION = 741;
inline constexpr DWORD ERROR_AUTOMATIC_VPN_FAILED = 800;
inline constexpr DWORD ERROR_VPN_GRE_BLOCKED = 806;
inline constexpr DWORD ERROR_VPN_TIMEOUT = 809;
inline constexpr DWORD ERROR_DNSNAME_NOT_RESOLVABLE = 868;

inline constexpr int RAS_MaxEntryName = 256;
inline constexpr int RAS_MaxDeviceType = 16;
inline constexpr int RAS_MaxPhoneNumber = 128;
inline constexpr int RAS_MaxCallbackNumber = RAS_MaxPhoneNumber;
inline constexpr int RAS_MaxDeviceName = 128;
inline constexpr int RAS_MaxAreaCode = 10;
inline constexpr int RAS_MaxPadType = 32;
inline constexpr int RAS_MaxX25Address = 200;
inline constexpr int RAS_MaxFacilities = 200;
inline constexpr int RAS_MaxUserData = 200;
inline constexpr int RAS_MaxDnsSuffix = 256;
inline constexpr int UNLEN = 256;
inline constexpr int PWLEN = 256;
inline constexpr int DNLEN = 15;
inline constexpr int MAX_PATH = 260;

inline constexpr DWORD RASEO_RemoteDefaultGateway = 0x00000010;
inline constexpr DWORD RASEO_ModemLights = 0x00000100;
inline constexpr DWORD RASEO_RequireEncryptedPw = 0x00000400;
inline constexpr DWORD RASEO_Custom = 0x00100000;
inline constexpr DWORD RASEO_PreviewUserPw = 0x01000000;
inline constexpr DWORD RASEO_PreviewDomain = 0x02000000;
inline constexpr DWORD RASEO_ShowDialingProgress = 0x04000000;
inline constexpr DWORD RASEO_RequireCHAP = 0x08000000;
inline constexpr DWORD RASEO2_DontNegotiateMultilink = 0x00000004;
inline constexpr DWORD RASNP_Ip = 0x00000004;
inline constexpr DWORD RASFP_Ppp = 0x00000001;
inline constexpr DWORD RASET_Vpn = 2;
inline constexpr DWORD ET_Optional = 3;
inline constexpr DWORD VS_PptpFirst = 2;

inline constexpr DWORD RASCS_PAUSED = 0x1000;
inline constexpr DWORD RASCS_DONE = 0x2000;

enum RASCONNSTATE {
    RASCS_OpenPort = 0,
    RASCS_PortOpened,
    RASCS_ConnectDevice,
    RASCS_DeviceConnected,
    RASCS_AllDevicesConnected,
    RASCS_Authenticate,
    RASCS_AuthNotify,
    RASCS_AuthRetry,
    RASCS_AuthCallback,
    RASCS_AuthChangePassword,
    RASCS_AuthProject,
    RASCS_AuthLinkSpeed,
    RASCS_AuthAck,
    RASCS_ReAuthenticate,
    RASCS_Authenticated,
    RASCS_PrepareForCallback,
    RASCS_WaitForModemReset,
    RASCS_WaitForCallback,
    RASCS_Projected,
    RASCS_Connected = RASCS_DONE,
    RASCS_Disconnected
};

struct RASIPADDR {
    BYTE a, b, c, d;
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

struct LUID {
    DWORD LowPart;
    std::int32_t HighPart;
};

// A phonebook entry, laid out field for field as the Windows XP structure.
struct RASENTRYA {
    DWORD dwSize;
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    CHAR szAreaCode[RAS_MaxAreaCode + 1];
    CHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
    DWORD dwAlternateOffset;
    RASIPADDR ipaddr;
    RASIPADDR ipaddrDns;
    RASIPADDR ipaddrDnsAlt;
    RASIPADDR ipaddrWins;
    RASIPADDR ipaddrWinsAlt;
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    CHAR szScript[MAX_PATH];
    CHAR szAutodialDll[MAX_PATH];
    CHAR szAutodialFunc[MAX_PATH];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szX25PadType[RAS_MaxPadType + 1];
    CHAR szX25Address[RAS_MaxX25Address + 1];
    CHAR szX25Facilities[RAS_MaxFacilities + 1];
    CHAR szX25UserData[RAS_MaxUserData + 1];
    DWORD dwChannels;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwSubEntries;
    DWORD dwDialMode;
    DWORD dwDialExtraPercent;
    DWORD dwDialExtraSampleSeconds;
    DWORD dwHangUpExtraPercent;
    DWORD dwHangUpExtraSampleSeconds;
    DWORD dwIdleDisconnectSeconds;
    DWORD dwType;
    DWORD dwEncryptionType;
    DWORD dwCustomAuthKey;
    GUID guidId;
    CHAR szCustomDialDll[MAX_PATH];
    DWORD dwVpnStrategy;
    DWORD dwfOptions2;
    DWORD dwfOptions3;
    CHAR szDnsSuffix[RAS_MaxDnsSuffix];
    DWORD dwTcpWindowSize;
    CHAR szPrerequisitePbk[MAX_PATH];
    CHAR szPrerequisiteEntry[RAS_MaxEntryName + 1];
    DWORD dwRedialCount;
    DWORD dwRedialPause;
};
typedef RASENTRYA* LPRASENTRYA;

struct RASDIALPARAMSA {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
    CHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
    CHAR szUserName[UNLEN + 1];
    CHAR szPassword[PWLEN + 1];
    CHAR szDomain[DNLEN + 1];
    DWORD dwSubEntry;
    ULONG_PTR dwCallbackId;
};
typedef RASDIALPARAMSA* LPRASDIALPARAMSA;

// Accepted only as a null pointer by this layer (see RasDialA).
struct RASDIALEXTENSIONS {
    DWORD dwSize;
    DWORD dwfOptions;
    ULONG_PTR hwndParent;
    ULONG_PTR reserved;
};
typedef RASDIALEXTENSIONS* LPRASDIALEXTENSIONS;

struct RASCONNA {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
    GUID guidEntry;
    DWORD dwFlags;
    LUID luid;
};
typedef RASCONNA* LPRASCONNA;

struct RAS_STATS {
    DWORD dwSize;
    DWORD dwBytesXmited;
    DWORD dwBytesRcved;
    DWORD dwFramesXmited;
    DWORD dwFramesRcved;
    DWORD dwCrcErr;
    DWORD dwTimeoutErr;
    DWORD dwAlignmentErr;
    DWORD dwHardwareOverrunErr;
    DWORD dwFramingErr;
    DWORD dwBufferOverrunErr;
    DWORD dwCompressionRatioIn;
    DWORD dwCompressionRatioOut;
    DWORD dwBps;
    DWORD dwConnectDuration; // milliseconds since the link came up
};
typedef RAS_STATS* PRAS_STATS;

// Notifier type 1: handle, message number, state, error code, extended error code.
typedef void(WINAPI* RASDIALFUNC1)(HRASCONN, UINT, RASCONNSTATE, DWORD, DWORD);

// The message number handed to a type-1 notifier, as the Windows service hands it.
inline constexpr UINT kRasDialNotifierMessage = 0xCCCD;

// Returns 0 when the name is valid and free in the phonebook, 183 when an entry of that
// name (compared case-insensitively) exists, 123 for an invalid name (empty, longer than
// 256 bytes, starting with '.', holding a control character or a bracket), 621 when the
// phonebook cannot be read. A null phonebook means the user's default phonebook.
DWORD APIENTRY RasValidateEntryNameA(LPCSTR lpszPhonebook, LPCSTR lpszEntry);

// Creates or replaces the entry. Returns 0 on success; 87 for a null entry, a device block
// (lpbDeviceInfo must be null and its size 0) or a text field without its terminating NUL;
// 632 when dwEntryInfoSize or lpRasEntry->dwSize is not sizeof(RASENTRYA); 123 for an
// invalid name; 624 when the phonebook cannot be written. Other entries are kept as they are.
DWORD APIENTRY RasSetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                      DWORD dwEntryInfoSize, LPBYTE lpbDeviceInfo, DWORD dwDeviceInfoSize);

// Starts an asynchronous dial and stores the new connection's handle in *lphRasConn.
// Only notifier type 1 is supported; the notifier is called on a thread of the layer,
// never on the caller's, once per progress event and in order. Returns 0 when the dial
// started (failures after that arrive as events with an error code); 87 for dial
// extensions, a null notifier, a type other than 1, a null or non-zero *lphRasConn, or a
// text field without its NUL; 632 for a wrong dwSize; 623 when the entry does not exist.
DWORD APIENTRY RasDialA(LPRASDIALEXTENSIONS lpRasDialExtensions, LPCSTR lpszPhonebook, LPRASDIALPARAMSA lpRasDialParams,
                        DWORD dwNotifierType, LPVOID lpvNotifier, LPHRASCONN lphRasConn);

// Ends the connection (or the dial in progress). Returns 0 when the handle named a
// connection, dropped or not; 6 for a null or stale handle. No notifier event of that
// connection is delivered after it returns.
DWORD APIENTRY RasHangUpA(HRASCONN hRasConn);

// Lists the connections being dialed or up. *lpcb is the buffer size in bytes. Returns 0
// with *lpcb and *lpcConnections set; 603 when the buffer is too small (*lpcb then holds
// the size needed and *lpcConnections the count); 632 when lpRasConn->dwSize is wrong;
// 87 for a null size or count. lpRasConn may be null only when *lpcb is 0.
DWORD APIENTRY RasEnumConnectionsA(LPRASCONNA lpRasConn, LPDWORD lpcb, LPDWORD lpcConnections);

// Fills the statistics of a connection that is up (dwConnectDuration in milliseconds).
// Returns 0; 6 for a null or stale handle; 668 while the link is still being dialed,
// after it failed or after it dropped; 87/632 for a null statistics block or wrong dwSize.
DWORD APIENTRY RasGetConnectionStatistics(HRASCONN hRasConn, RAS_STATS* lpStatistics);

// Writes the Korean text (CP949) of a RAS or system error code. Unknown codes get a
// generic text naming the number. Returns 0; 87 for a null buffer or size 0; 122 when
// the text does not fit (the buffer then holds an empty string: a text is never cut).
DWORD APIENTRY RasGetErrorStringA(UINT uErrorValue, LPSTR lpszErrorString, DWORD cBufSize);

namespace norvanta::platform {
inline constexpr DWORD kRasEntrySize = sizeof(RASENTRYA);
inline constexpr DWORD kRasDialParamsSize = sizeof(RASDIALPARAMSA);
inline constexpr DWORD kRasConnSize = sizeof(RASCONNA);
inline constexpr DWORD kRasStatsSize = sizeof(RAS_STATS);
} // namespace norvanta::platform

#endif
