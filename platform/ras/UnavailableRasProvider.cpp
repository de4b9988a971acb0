#include "platform/ras/UnavailableRasProvider.h"

namespace norvanta::platform::ras {

UnavailableRasProvider::UnavailableRasProvider(DWORD code, std::string text) : m_code(code), m_text(std::move(text)) {}

DWORD UnavailableRasProvider::validateEntryName(const std::string&, const std::string&)
{
    return m_code;
}

DWORD UnavailableRasProvider::setEntryProperties(const std::string&, const std::string&, const EntrySettings&)
{
    return m_code;
}

DWORD UnavailableRasProvider::dial(ConnectionId id, const DialRequest&, ProgressCallback progress)
{
    // The failure is reported as a dial event rather than as the result: a refused dial
    // shows the user nothing, an error event shows this provider's text.
    {
        const std::lock_guard lock(m_mutex);
        m_failedDials.insert(id);
    }
    progress(RASCS_OpenPort, m_code);
    return 0;
}

DWORD UnavailableRasProvider::hangUp(ConnectionId id)
{
    const std::lock_guard lock(m_mutex);
    return m_failedDials.erase(id) == 1 ? 0 : ERROR_INVALID_HANDLE;
}

std::vector<ActiveConnection> UnavailableRasProvider::enumerate()
{
    return {};
}

DWORD UnavailableRasProvider::statistics(ConnectionId id, LinkStatistics&)
{
    const std::lock_guard lock(m_mutex);
    return m_failedDials.contains(id) ? ERROR_NO_CONNECTION : ERROR_INVALID_HANDLE;
}

std::optional<std::string> UnavailableRasProvider::errorText(DWORD code) const
{
    if (code != m_code) {
        return std::nullopt;
    }
    return m_text;
}

} // namespace norvanta::platform::ras
