#pragma once

#include "platform/ras/RasProvider.h"

#include <mutex>
#include <set>

namespace norvanta::platform::ras {

// Stands in for a dialer that cannot work here (not built, not installed, wrongly chosen).
// It never pretends to connect: every dial is accepted and at once ends with an error
// event carrying its code, so the user sees the reason in the dial's error message.
class UnavailableRasProvider : public RasProvider {
public:
    // `text` is the Korean text (CP949) RasGetErrorStringA gives for `code`.
    UnavailableRasProvider(DWORD code, std::string text);

    // `code` for both: no phonebook can be reached.
    DWORD validateEntryName(const std::string& phonebook, const std::string& entryName) override;
    DWORD setEntryProperties(const std::string& phonebook, const std::string& entryName,
                             const EntrySettings& settings) override;
    // 0, then one event (RASCS_OpenPort, `code`).
    DWORD dial(ConnectionId id, const DialRequest& request, ProgressCallback progress) override;
    // 0 for a failed dial not yet hung up, else 6.
    DWORD hangUp(ConnectionId id) override;
    // Always empty: nothing is ever up.
    std::vector<ActiveConnection> enumerate() override;
    // 668 for a failed dial not yet hung up, else 6.
    DWORD statistics(ConnectionId id, LinkStatistics& statistics) override;
    // The text given at construction for `code`.
    std::optional<std::string> errorText(DWORD code) const override;

private:
    const DWORD m_code;
    const std::string m_text;
    std::mutex m_mutex;
    std::set<ConnectionId> m_failedDials;
};

} // namespace norvanta::platform::ras
