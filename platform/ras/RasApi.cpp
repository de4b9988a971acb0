#include "platform/RasApi.h"

#include "platform/LinkDetails.h"

#include "platform/ras/RasEntryName.h"
#include "platform/ras/RasErrorText.h"
#include "platform/ras/RasLayer.h"

#include <cstdint>
#include <cstring>
#include <limits>

// Named apart from the GUID typedef ConnectionId that <ras.h> brings in on Windows.
using LayerConnectionId = norvanta::platform::ras::ConnectionId;
using norvanta::platform::ras::RasLayer;

namespace {

// A text field of a RAS structure is only taken when its NUL lies inside it: reading on
// would run past the field, and cutting it would pass on something else than was given.
template <std::size_t N>
bool fieldText(const char (&field)[N], std::string& text)
{
    const void* end = std::memchr(field, '\0', N);
    if (end == nullptr) {
        return false;
    }
    text.assign(field, static_cast<const char*>(end));
    return true;
}

template <std::size_t N>
bool putField(char (&field)[N], const std::string& text)
{
    if (text.size() >= N) {
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

LayerConnectionId idOf(HRASCONN handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value <= std::numeric_limits<LayerConnectionId>::max() ? static_cast<LayerConnectionId>(value) : 0;
}

HRASCONN handleOf(LayerConnectionId id)
{
    return reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(id));
}

std::string phonebookOf(LPCSTR phonebook)
{
    return phonebook != nullptr ? phonebook : "";
}

} // namespace

DWORD APIENTRY RasValidateEntryNameA(LPCSTR lpszPhonebook, LPCSTR lpszEntry)
{
    if (lpszEntry == nullptr || !norvanta::platform::ras::isValidEntryName(lpszEntry)) {
        return ERROR_INVALID_NAME;
    }
    return RasLayer::instance().provider()->validateEntryName(phonebookOf(lpszPhonebook), lpszEntry);
}

DWORD APIENTRY RasSetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                      DWORD dwEntryInfoSize, LPBYTE lpbDeviceInfo, DWORD dwDeviceInfoSize)
{
    if (lpRasEntry == nullptr || lpbDeviceInfo != nullptr || dwDeviceInfoSize != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    if (dwEntryInfoSize != sizeof(RASENTRYA) || lpRasEntry->dwSize != sizeof(RASENTRYA)) {
        return ERROR_INVALID_SIZE;
    }
    if (lpszEntry == nullptr || !norvanta::platform::ras::isValidEntryName(lpszEntry)) {
        return ERROR_INVALID_NAME;
    }
    norvanta::platform::ras::EntrySettings settings;
    if (!fieldText(lpRasEntry->szLocalPhoneNumber, settings.localPhoneNumber)
        || !fieldText(lpRasEntry->szDeviceType, settings.deviceType)
        || !fieldText(lpRasEntry->szDeviceName, settings.deviceName)) {
        return ERROR_INVALID_PARAMETER;
    }
    settings.options = lpRasEntry->dwfOptions;
    settings.options2 = lpRasEntry->dwfOptions2;
    settings.type = lpRasEntry->dwType;
    settings.netProtocols = lpRasEntry->dwfNetProtocols;
    settings.framingProtocol = lpRasEntry->dwFramingProtocol;
    settings.encryptionType = lpRasEntry->dwEncryptionType;
    settings.vpnStrategy = lpRasEntry->dwVpnStrategy;
    settings.redialCount = lpRasEntry->dwRedialCount;
    settings.redialPause = lpRasEntry->dwRedialPause;
    return RasLayer::instance().provider()->setEntryProperties(phonebookOf(lpszPhonebook), lpszEntry, settings);
}

DWORD APIENTRY RasDialA(LPRASDIALEXTENSIONS lpRasDialExtensions, LPCSTR lpszPhonebook, LPRASDIALPARAMSA lpRasDialParams,
                        DWORD dwNotifierType, LPVOID lpvNotifier, LPHRASCONN lphRasConn)
{
    // Only the asynchronous type-1 dial is offered: a synchronous dial would block the
    // caller's window, and the other notifier types have no user here.
    if (lpRasDialExtensions != nullptr || lpRasDialParams == nullptr || dwNotifierType != 1 || lpvNotifier == nullptr
        || lphRasConn == nullptr || *lphRasConn != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) {
        return ERROR_INVALID_SIZE;
    }
    norvanta::platform::ras::DialRequest request;
    std::string callbackNumber;
    if (!fieldText(lpRasDialParams->szEntryName, request.entryName)
        || !fieldText(lpRasDialParams->szPhoneNumber, request.phoneNumber)
        || !fieldText(lpRasDialParams->szCallbackNumber, callbackNumber)
        || !fieldText(lpRasDialParams->szUserName, request.userName)
        || !fieldText(lpRasDialParams->szPassword, request.password)
        || !fieldText(lpRasDialParams->szDomain, request.domain)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!norvanta::platform::ras::isValidEntryName(request.entryName)) {
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    request.phonebook = phonebookOf(lpszPhonebook);

    auto& layer = RasLayer::instance();
    const LayerConnectionId id = norvanta::platform::ras::nextConnectionId();
    const auto notifier = reinterpret_cast<RASDIALFUNC1>(lpvNotifier);
    auto* dispatcher = &layer.dispatcher();
    const DWORD result =
        layer.provider()->dial(id, request, [dispatcher, id, notifier](RASCONNSTATE state, DWORD error) {
            dispatcher->post(id, notifier, state, error);
        });
    if (result == 0) {
        *lphRasConn = handleOf(id);
    }
    return result;
}

DWORD APIENTRY RasHangUpA(HRASCONN hRasConn)
{
    const LayerConnectionId id = idOf(hRasConn);
    if (id == 0) {
        return ERROR_INVALID_HANDLE;
    }
    auto& layer = RasLayer::instance();
    const DWORD result = layer.provider()->hangUp(id);
    layer.dispatcher().forget(id);
    return result;
}

DWORD APIENTRY RasEnumConnectionsA(LPRASCONNA lpRasConn, LPDWORD lpcb, LPDWORD lpcConnections)
{
    if (lpcb == nullptr || lpcConnections == nullptr || (lpRasConn == nullptr && *lpcb != 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (lpRasConn != nullptr && lpRasConn->dwSize != sizeof(RASCONNA)) {
        return ERROR_INVALID_SIZE;
    }
    std::vector<RASCONNA> listed;
    for (const auto& connection : RasLayer::instance().provider()->enumerate()) {
        RASCONNA element{};
        element.dwSize = sizeof(RASCONNA);
        element.hrasconn = handleOf(connection.id);
        element.dwSubEntry = 1;
        // A connection whose name does not fit cannot be the one asked for; it is left out
        // rather than listed under a cut name. The other texts are for display only.
        if (!putField(element.szEntryName, connection.entryName)) {
            continue;
        }
        putField(element.szDeviceType, "vpn");
        putField(element.szDeviceName, connection.deviceName);
        putField(element.szPhonebook, connection.phonebook);
        listed.push_back(element);
    }
    const auto needed = static_cast<std::uint64_t>(listed.size()) * sizeof(RASCONNA);
    if (needed > std::numeric_limits<DWORD>::max()) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    *lpcConnections = static_cast<DWORD>(listed.size());
    if (*lpcb < needed) {
        *lpcb = static_cast<DWORD>(needed);
        return ERROR_BUFFER_TOO_SMALL;
    }
    *lpcb = static_cast<DWORD>(needed);
    if (!listed.empty()) {
        std::memcpy(lpRasConn, listed.data(), needed);
    }
    return 0;
}

DWORD APIENTRY RasGetConnectionStatistics(HRASCONN hRasConn, RAS_STATS* lpStatistics)
{
    if (lpStatistics == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (lpStatistics->dwSize != sizeof(RAS_STATS)) {
        return ERROR_INVALID_SIZE;
    }
    const LayerConnectionId id = idOf(hRasConn);
    if (id == 0) {
        return ERROR_INVALID_HANDLE;
    }
    norvanta::platform::ras::LinkStatistics statistics;
    const DWORD result = RasLayer::instance().provider()->statistics(id, statistics);
    if (result != 0) {
        return result;
    }
    *lpStatistics = RAS_STATS{};
    lpStatistics->dwSize = sizeof(RAS_STATS);
    lpStatistics->dwBytesXmited = statistics.bytesSent;
    lpStatistics->dwBytesRcved = statistics.bytesReceived;
    lpStatistics->dwConnectDuration = statistics.connectDurationMs;
    return 0;
}

DWORD APIENTRY RasGetErrorStringA(UINT uErrorValue, LPSTR lpszErrorString, DWORD cBufSize)
{
    if (lpszErrorString == nullptr || cBufSize == 0) {
        return ERROR_INVALID_PARAMETER;
    }
    namespace ras = norvanta::platform::ras;
    auto text = RasLayer::instance().provider()->errorText(uErrorValue);
    if (!text) {
        text = ras::knownErrorText(uErrorValue);
    }
    if (!text) {
        text = ras::genericErrorText(uErrorValue);
    }
    // A cut text could end in half a double-byte character; the caller's buffer of 256
    // bytes holds every text of ours.
    if (text->size() >= cBufSize) {
        lpszErrorString[0] = '\0';
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(lpszErrorString, text->c_str(), text->size() + 1);
    return 0;
}

namespace norvanta::platform {

LinkDetails readLinkDetails(HRASCONN connection)
{
    const LayerConnectionId id = idOf(connection);
    return id == 0 ? LinkDetails{} : RasLayer::instance().provider()->details(id);
}

} // namespace norvanta::platform
