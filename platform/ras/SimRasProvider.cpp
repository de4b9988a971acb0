#include "platform/ras/SimRasProvider.h"

#include "platform/ras/RasEntryName.h"
#include "platform/ras/RasPhonebookFile.h"
#include "platform/ras/SimHost.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace norvanta::platform::ras {
namespace {

// What a link that has been up since `since` has carried: a browsing user's trickle,
// steady so that a test can tell it grows.
struct SimulatedTraffic {
    explicit SimulatedTraffic(std::chrono::steady_clock::time_point since)
    {
        const auto up = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
        upMs = static_cast<std::uint32_t>(std::min<long long>(up.count(), std::numeric_limits<std::uint32_t>::max()));
        sent = std::uint64_t{upMs} * 2;      // 2 kB/s out
        received = std::uint64_t{upMs} * 11; // 11 kB/s in
    }

    std::uint32_t upMs = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

} // namespace

SimRasProvider::SimRasProvider(SimRasConfig config) : m_config(std::move(config))
{
    acquireExternalDropRequest();
}

SimRasProvider::~SimRasProvider()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_links.clear();
    }
    m_changed.notify_all();
    for (auto& worker : m_workers) {
        worker.thread.join();
    }
    releaseExternalDropRequest();
}

DWORD SimRasProvider::validateEntryName(const std::string& phonebook, const std::string& entryName)
{
    EntrySettings settings;
    const DWORD found = RasPhonebookFile(phonebook).find(entryName, settings);
    if (found == 0) {
        return ERROR_ALREADY_EXISTS;
    }
    return found == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY ? 0 : found;
}

DWORD SimRasProvider::setEntryProperties(const std::string& phonebook, const std::string& entryName,
                                         const EntrySettings& settings)
{
    return RasPhonebookFile(phonebook).write(entryName, settings);
}

DWORD SimRasProvider::dial(ConnectionId id, const DialRequest& request, ProgressCallback progress)
{
    EntrySettings entry;
    if (const DWORD found = RasPhonebookFile(request.phonebook).find(request.entryName, entry); found != 0) {
        return found;
    }
    DialRequest dial = request;
    if (dial.phoneNumber.empty()) {
        dial.phoneNumber = entry.localPhoneNumber;
    }

    const std::lock_guard lock(m_mutex);
    reapWorkers();
    Link link;
    link.entryName = request.entryName;
    link.phonebook = request.phonebook;
    m_links.emplace(id, std::move(link));
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back(Worker{std::thread([this, id, dial, progress = std::move(progress), done] {
                                   runDial(id, dial, progress);
                                   done->store(true);
                               }),
                               done});
    return 0;
}

DWORD SimRasProvider::hangUp(ConnectionId id)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_links.erase(id) == 0) {
            return ERROR_INVALID_HANDLE;
        }
    }
    m_changed.notify_all();
    return 0;
}

std::vector<ActiveConnection> SimRasProvider::enumerate()
{
    const std::lock_guard lock(m_mutex);
    applyDrops();
    std::vector<ActiveConnection> connections;
    for (const auto& [id, link] : m_links) {
        if (link.phase == Phase::Dialing || link.phase == Phase::Connected) {
            connections.push_back(ActiveConnection{id, link.entryName, "Norvanta simulated VPN", link.phonebook});
        }
    }
    return connections;
}

DWORD SimRasProvider::statistics(ConnectionId id, LinkStatistics& statistics)
{
    const std::lock_guard lock(m_mutex);
    applyDrops();
    const auto link = m_links.find(id);
    if (link == m_links.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (link->second.phase != Phase::Connected) {
        return ERROR_NO_CONNECTION;
    }
    const SimulatedTraffic traffic(link->second.connectedAt);
    statistics = LinkStatistics{};
    statistics.connectDurationMs = traffic.upMs;
    statistics.bytesSent = static_cast<std::uint32_t>(traffic.sent);
    statistics.bytesReceived = static_cast<std::uint32_t>(traffic.received);
    return 0;
}

LinkDetails SimRasProvider::details(ConnectionId id)
{
    const std::lock_guard lock(m_mutex);
    applyDrops();
    const auto link = m_links.find(id);
    if (link == m_links.end() || link->second.phase != Phase::Connected) {
        return {};
    }
    const SimulatedTraffic traffic(link->second.connectedAt);
    LinkDetails details;
    details.localAddress = "10.8.0." + std::to_string(2 + id % 250);
    details.encryption = LinkDetails::Encryption::Mppe128;
    details.bytesSent = traffic.sent;
    details.bytesReceived = traffic.received;
    return details;
}

void SimRasProvider::runDial(ConnectionId id, DialRequest request, const ProgressCallback& progress)
{
    if (!report(id, RASCS_OpenPort, 0, progress) || !report(id, RASCS_PortOpened, 0, progress)) {
        return;
    }
    // The server check resolves names for real and may take a while; it runs on this
    // thread without the lock, so a hang-up is never held up by it.
    const DWORD serverError = checkServer(request.phoneNumber);
    if (!report(id, RASCS_ConnectDevice, serverError, progress) || serverError != 0) {
        return;
    }
    if (!report(id, RASCS_DeviceConnected, 0, progress) || !report(id, RASCS_AllDevicesConnected, 0, progress)) {
        return;
    }
    const DWORD authError = authenticates(request.userName, request.password) ? 0 : ERROR_AUTHENTICATION_FAILURE;
    if (!report(id, RASCS_Authenticate, authError, progress) || authError != 0) {
        return;
    }
    if (!report(id, RASCS_Authenticated, 0, progress) || !report(id, RASCS_Projected, 0, progress)) {
        return;
    }
    report(id, RASCS_Connected, 0, progress);
}

// Waits one step, then reports the event unless the dial was hung up meanwhile; false
// when the dial is over. The report is made under the lock, so that once hangUp() has
// returned no event of that dial can follow.
bool SimRasProvider::report(ConnectionId id, RASCONNSTATE state, DWORD error, const ProgressCallback& progress)
{
    std::unique_lock lock(m_mutex);
    const auto gone = [this, id] { return m_stopping || !m_links.contains(id); };
    if (m_changed.wait_for(lock, m_config.step, gone)) {
        return false;
    }
    auto& link = m_links.at(id);
    if (error != 0) {
        link.phase = Phase::Failed;
    } else if (state == RASCS_Connected) {
        link.phase = Phase::Connected;
        link.connectedAt = std::chrono::steady_clock::now();
    }
    progress(state, error);
    return error == 0;
}

DWORD SimRasProvider::checkServer(const std::string& host) const
{
    bool resolved = false;
    const auto addresses = resolveHostAddresses(host, resolved);
    if (!resolved) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    for (const auto& unreachable : m_config.unreachable) {
        if (sameEntryName(unreachable, host)
            || std::find(addresses.begin(), addresses.end(), unreachable) != addresses.end()) {
            return ERROR_AUTOMATIC_VPN_FAILED;
        }
    }
    return 0;
}

bool SimRasProvider::authenticates(const std::string& user, const std::string& password) const
{
    return std::any_of(m_config.accounts.begin(), m_config.accounts.end(),
                       [&](const auto& account) { return account.first == user && account.second == password; });
}

// A trigger from outside is kept until a link is up to receive it, so that it is not lost
// when it comes a moment before the connection completes.
void SimRasProvider::applyDrops()
{
    const auto now = std::chrono::steady_clock::now();
    bool anyUp = false;
    for (auto& [id, link] : m_links) {
        if (link.phase == Phase::Connected && m_config.dropAfter.count() > 0
            && now - link.connectedAt >= m_config.dropAfter) {
            link.phase = Phase::Dropped;
        }
        anyUp = anyUp || link.phase == Phase::Connected;
    }
    if (!anyUp) {
        return;
    }
    bool drop = takeExternalDropRequest();
    std::error_code ignored;
    if (!m_config.dropFile.empty() && std::filesystem::remove(m_config.dropFile, ignored)) {
        drop = true;
    }
    if (drop) {
        for (auto& [id, link] : m_links) {
            if (link.phase == Phase::Connected) {
                link.phase = Phase::Dropped;
            }
        }
    }
}

void SimRasProvider::reapWorkers()
{
    std::erase_if(m_workers, [](Worker& worker) {
        if (!worker.done->load()) {
            return false;
        }
        worker.thread.join();
        return true;
    });
}

} // namespace norvanta::platform::ras
