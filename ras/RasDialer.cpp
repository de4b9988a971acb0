#include "ras/RasDialer.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

using norvanta::platform::kRasConnSize;
using norvanta::platform::kRasDialParamsSize;
using norvanta::platform::kRasEntrySize;
using norvanta::platform::kRasStatsSize;

constexpr DWORD kVpnEntryOptions = RASEO_RemoteDefaultGateway | RASEO_ModemLights | RASEO_RequireEncryptedPw
                                   | RASEO_Custom | RASEO_PreviewUserPw | RASEO_PreviewDomain
                                   | RASEO_ShowDialingProgress | RASEO_RequireCHAP;
static_assert(kVpnEntryOptions == 0x0F100510);

// Copies a text into a fixed RAS field with its NUL. A text that does not fit, or that
// holds a NUL of its own, is refused: either way the service would get a different text.
template <std::size_t N>
bool copyField(char (&field)[N], const std::string& text)
{
    if (text.size() >= N || text.find('\0') != std::string::npos) {
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

// An empty path names the default phonebook, which the service wants as a null pointer.
LPCSTR phonebookPointer(const std::string& phonebook)
{
    return phonebook.empty() ? nullptr : phonebook.c_str();
}

bool isLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Equal ignoring the case of ASCII letters. Entry names are CP949: the trail byte of a
// double-byte character is compared as it is, since folding it would make two different
// Hangul characters equal.
bool sameEntryName(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        const auto ca = static_cast<unsigned char>(*a);
        const auto cb = static_cast<unsigned char>(*b);
        if (isLeadByte(ca) && a[1] != '\0') {
            if (ca != cb || a[1] != b[1]) {
                return false;
            }
            ++a;
            ++b;
            continue;
        }
        if (foldAscii(ca) != foldAscii(cb)) {
            return false;
        }
        if (ca == '\0') {
            return true;
        }
    }
}

// Reads the statistics of a handle; false when the service cannot give them.
bool readStatistics(HRASCONN handle, RAS_STATS& stats)
{
    std::memset(&stats, 0, sizeof stats);
    stats.dwSize = kRasStatsSize;
    return RasGetConnectionStatistics(handle, &stats) == 0;
}

} // namespace

DWORD CRasDialer::Dial(const std::string& entryName, RASDIALFUNC1 notifier, const std::string& phoneNumber,
                       const std::string& userName, const std::string& password, const std::string& domain,
                       const std::string& phonebook)
{
    RASDIALPARAMSA params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = kRasDialParamsSize;
    m_hRasConn = 0;
    if (!copyField(params.szEntryName, entryName) || !copyField(params.szPhoneNumber, phoneNumber)
        || !copyField(params.szUserName, userName) || !copyField(params.szPassword, password)
        || !copyField(params.szDomain, domain)) {
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD result =
        RasDialA(nullptr, phonebookPointer(phonebook), &params, 1, reinterpret_cast<LPVOID>(notifier), &m_hRasConn);
    // The password must not linger in a stack frame after the service has taken it.
    volatile char* secret = params.szPassword;
    for (std::size_t i = 0; i < sizeof params.szPassword; ++i) {
        secret[i] = 0;
    }
    return result;
}

int CRasDialer::IsConnected() const
{
    RAS_STATS stats;
    return readStatistics(m_hRasConn, stats) ? 1 : 0;
}

int CRasDialer::GetConnectSeconds(std::int32_t& seconds) const
{
    RAS_STATS stats;
    if (!readStatistics(m_hRasConn, stats)) {
        return -1;
    }
    seconds = static_cast<std::int32_t>(stats.dwConnectDuration / 1000u);
    return 0;
}

DWORD WriteVpnEntry(const std::string& entryName, const std::string& deviceType, const std::string& deviceName,
                    DWORD netProtocols, DWORD framingProtocol, const std::string& phoneNumber,
                    const std::string& phonebook)
{
    if (entryName.size() > static_cast<std::size_t>(RAS_MaxEntryName) || entryName.find('\0') != std::string::npos) {
        return ERROR_INVALID_PARAMETER;
    }
    const LPCSTR book = phonebookPointer(phonebook);
    if (RasValidateEntryNameA(book, entryName.c_str()) == ERROR_ALREADY_EXISTS) {
        // An existing entry is never rewritten: what a user set in it stays.
        return ERROR_ALREADY_EXISTS;
    }
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = kRasEntrySize;
    entry.dwfOptions = kVpnEntryOptions;
    entry.dwfNetProtocols = netProtocols;
    entry.dwFramingProtocol = framingProtocol;
    entry.dwReserved1 = 0;
    entry.dwReserved2 = 0;
    entry.dwType = RASET_Vpn;
    entry.dwEncryptionType = ET_Optional;
    entry.dwVpnStrategy = VS_PptpFirst;
    entry.dwfOptions2 = RASEO2_DontNegotiateMultilink;
    entry.dwRedialCount = 3;
    entry.dwRedialPause = 60;
    if (!copyField(entry.szLocalPhoneNumber, phoneNumber) || !copyField(entry.szDeviceType, deviceType)
        || !copyField(entry.szDeviceName, deviceName)) {
        return ERROR_INVALID_PARAMETER;
    }
    return RasSetEntryPropertiesA(book, entryName.c_str(), &entry, kRasEntrySize, nullptr, 0);
}

int HangUpConnection(CRasDialer& dialer, const std::string& entryName)
{
    if (dialer.Handle() != 0) {
        return RasHangUpA(dialer.Handle()) == 0 ? 1 : 0;
    }
    HRASCONN found = 0;
    if (FindConnectionByEntry(entryName, found) == 0) {
        return 0;
    }
    return RasHangUpA(found) == 0 ? 1 : 0;
}

int FindConnectionByEntry(const std::string& entryName, HRASCONN& handle)
{
    if (entryName.find('\0') != std::string::npos) {
        return 0;
    }
    // The first call only learns how many connections there are and how much room
    // they need; its result is expected to be "buffer too small".
    RASCONNA probe;
    std::memset(&probe, 0, sizeof probe);
    probe.dwSize = kRasConnSize;
    DWORD bytes = 0;
    DWORD count = 0;
    RasEnumConnectionsA(&probe, &bytes, &count);
    if (count == 0) {
        return 0;
    }
    if (count > UINT32_MAX / kRasConnSize || bytes > count * kRasConnSize) {
        return 0;
    }
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(count) * kRasConnSize);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const DWORD elementSize = kRasConnSize;
    std::memcpy(buffer.data(), &elementSize, sizeof elementSize);
    DWORD listedBytes = static_cast<DWORD>(buffer.size());
    DWORD listed = 0;
    // A connection that came up between the two calls makes this one fail; reading the
    // elements it did not write would be reading garbage.
    if (RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(buffer.data()), &listedBytes, &listed) != 0) {
        return 0;
    }
    int found = 0;
    for (DWORD i = 0; i < listed && i < count; ++i) {
        // The elements are kRasConnSize apart, which on Windows can be less than sizeof
        // of the structure the SDK declares; each is copied out whole before it is read.
        RASCONNA element;
        std::memset(&element, 0, sizeof element);
        std::memcpy(&element, buffer.data() + static_cast<std::size_t>(i) * kRasConnSize, kRasConnSize);
        element.szEntryName[RAS_MaxEntryName] = '\0';
        if (sameEntryName(element.szEntryName, entryName.c_str())) {
            handle = element.hrasconn;
            found = 1;
        }
    }
    return found;
}
