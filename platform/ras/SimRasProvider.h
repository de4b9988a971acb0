#pragma once

#include "platform/ras/RasProvider.h"
#include "platform/ras/SimRasConfig.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace norvanta::platform::ras {

// A remote-access service that behaves like a real one without dialing anything: for tests
// and demonstrations, chosen only by NORVANTA_VPN_RAS=sim. It keeps its entries in the
// user's phonebook file, resolves the server's name for real, walks through the progress
// states 0, 1, 2, 3, 4, 5, 14, 18 and RASCS_Connected one step (config.step) apart, checks
// the credentials against the configured accounts, and can drop a link that is up:
// config.dropAfter after connecting, when config.dropFile appears (the file is removed),
// or when the process receives SIGUSR1. A drop is noticed at the next statistics or
// enumeration call; the link then reads as down (668) until it is hung up.
//
// A link that is up reports plausible details: an address of 10.8.0.0/24, MPPE 128 and
// traffic that grows with the time it has been up.
//
// Outcomes: unknown entry -> 623 (at once); name that does not resolve -> 868 in state 2;
// an address configured unreachable -> 800 in state 2; wrong user or password -> 691 in
// state 5.
class SimRasProvider : public RasProvider {
public:
    explicit SimRasProvider(SimRasConfig config);
    // Ends every dial and link and waits for its threads.
    ~SimRasProvider() override;

    SimRasProvider(const SimRasProvider&) = delete;
    SimRasProvider& operator=(const SimRasProvider&) = delete;

    DWORD validateEntryName(const std::string& phonebook, const std::string& entryName) override;
    DWORD setEntryProperties(const std::string& phonebook, const std::string& entryName,
                             const EntrySettings& settings) override;
    DWORD dial(ConnectionId id, const DialRequest& request, ProgressCallback progress) override;
    DWORD hangUp(ConnectionId id) override;
    std::vector<ActiveConnection> enumerate() override;
    DWORD statistics(ConnectionId id, LinkStatistics& statistics) override;
    LinkDetails details(ConnectionId id) override;

private:
    enum class Phase { Dialing, Connected, Failed, Dropped };

    struct Link {
        std::string entryName;
        std::string phonebook;
        Phase phase = Phase::Dialing;
        std::chrono::steady_clock::time_point connectedAt;
    };

    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void runDial(ConnectionId id, DialRequest request, const ProgressCallback& progress);
    bool report(ConnectionId id, RASCONNSTATE state, DWORD error, const ProgressCallback& progress);
    DWORD checkServer(const std::string& host) const;
    bool authenticates(const std::string& user, const std::string& password) const;
    void applyDrops();
    void reapWorkers();

    const SimRasConfig m_config;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<ConnectionId, Link> m_links;
    std::vector<Worker> m_workers;
    bool m_stopping = false;
};

} // namespace norvanta::platform::ras
