#pragma once

#include "platform/linux/ras/nm/BusThread.h"
#include "platform/linux/ras/nm/Calls.h"
#include "platform/linux/ras/nm/Link.h"
#include "platform/linux/ras/nm/LinkTable.h"
#include "platform/linux/ras/nm/LinkRecord.h"
#include "platform/linux/ras/nm/SecretAgent.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasProvider.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace norvanta::platform::ras {

// Limits and places of the NetworkManager dialer; the defaults are those of a real run.
struct NmRasOptions {
    std::chrono::milliseconds callTimeout{1500};           // one D-Bus call
    std::chrono::milliseconds callerWait{2500};            // the longest a RAS call waits for D-Bus
    std::chrono::milliseconds dialLimit{90000};            // dial start to connected, or 718
    std::chrono::milliseconds greSilence{nm::kGreSilence}; // in CONNECT this long, a failure reads as GRE blocked
    std::chrono::milliseconds probeTimeout{5000};          // the PPTP port check
    std::uint16_t pptpPort = 1723;
    std::filesystem::path systemRoot = "/"; // where /sys and /lib/modules are read
    std::string kernelRelease;              // empty: the running kernel's
    std::filesystem::path linkRecord = nm::LinkRecord::defaultFile();
};

// The remote-access service of a Linux desktop: PPTP through NetworkManager and its PPTP
// plugin, driven over the system bus as the logged-in user (no root needed).
//
// The phonebook entry is a NetworkManager profile of the same name, private to the user,
// created once and then left as it is. A dial checks what NetworkManager would only report
// as a plain failure (NetworkManager there, the profile, the kernel's PPP support, the
// server's name and PPTP port), writes the server and user into the profile when they
// changed, registers a secret agent that hands the password to NetworkManager when asked,
// and activates the profile; NetworkManager's signals become the dial's RAS events (table
// in nm/StateMap.cpp). Every D-Bus call runs on the provider's bus thread; a RAS call waits
// for one at most callerWait, and a dial never blocks its caller.
class NmRasProvider : public RasProvider {
public:
    explicit NmRasProvider(NmRasOptions options = {});
    // Waits for the dial checks under way and sends what is queued (a hang-up). A link
    // that is up stays up: a client started later finds it.
    ~NmRasProvider() override;

    NmRasProvider(const NmRasProvider&) = delete;
    NmRasProvider& operator=(const NmRasProvider&) = delete;

    // 183 when a PPTP profile of that name exists, 0 when not; 0x20000010 without
    // NetworkManager, 0x20000013 when refused, 621 for another failure. `phonebook` is
    // ignored: NetworkManager keeps one set of profiles.
    DWORD validateEntryName(const std::string& phonebook, const std::string& entryName) override;
    // Saves the profile; 0 when saved, 183 when one of that name exists (it is left
    // alone), 0x20000010 / 0x20000013 as above, 624 for another failure.
    DWORD setEntryProperties(const std::string& phonebook, const std::string& entryName,
                             const EntrySettings& settings) override;
    // Always 0 at once; every outcome arrives as an event.
    DWORD dial(ConnectionId id, const DialRequest& request, ProgressCallback progress) override;
    // 0 for a dial or link of this provider (NetworkManager is told to deactivate it), else 6.
    DWORD hangUp(ConnectionId id) override;
    // The VPN connections NetworkManager has activating or up (links of other programs
    // included, named as NetworkManager names them), and this provider's dials still being
    // checked; only this provider's own when NetworkManager does not answer in time.
    std::vector<ActiveConnection> enumerate() override;
    // 0 with the time since activation while the link is activated; 668 while dialing and
    // after it failed or went down; 6 for an unknown id. Never waits on D-Bus.
    DWORD statistics(ConnectionId id, LinkStatistics& statistics) override;
    // While the link is up: its address (NetworkManager's IPv4 configuration of the VPN,
    // read once after it came up), the encryption its profile requires (for a dial of
    // this client), and the kernel's counters of the interface holding that address.
    LinkDetails details(ConnectionId id) override;

private:
    using Phase = nm::Link::Phase;

    using Link = nm::LinkTable::Entry;

    struct Checked {
        DWORD code = 0;
        nm::Profile profile;
        std::string owner;
    };

    struct Checker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    struct PendingActivation;

    // Dial steps, in order.
    void runChecks(ConnectionId id, DialRequest request);
    // 0 once the texts are UTF-8 for D-Bus; else the code that ends the dial.
    DWORD convertToUtf8(ConnectionId id, DialRequest& request);
    Checked checkNetworkManager(sd_bus* bus, const std::string& entryName);
    void activate(sd_bus* bus, ConnectionId id, const nm::Profile& profile, std::map<std::string, std::string> data,
                  const std::string& owner);
    static int onActivated(sd_bus_message* reply, void* pending, sd_bus_error* error);
    void activated(sd_bus* bus, ConnectionId id, const std::string& activePath, const nm::CallError& error);
    void dialLimitReached(sd_bus* bus, ConnectionId id);

    // Signals (bus thread).
    void busOpened(sd_bus* bus);
    void networkManagerGone();
    static int onVpnStateChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
    static int onActiveStateChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
    static int onNameOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
    void stateChanged(sd_bus* bus, const std::string& path, bool vpn, std::uint32_t state, std::uint32_t reason);
    void applyState(Link& link, const nm::LinkTable::Signal& signal);
    void readLocalAddress(sd_bus* bus, const std::string& activePath);

    // Helpers; those taking a Link expect m_mutex held.
    // Does what the link's state machine asked: report, record, forget the password.
    void react(Link& link, const nm::Link::Reaction& reaction);
    bool failIfChecking(ConnectionId id, DWORD code);
    std::optional<std::string> passwordFor(const std::string& sender, const std::string& profilePath);
    void deactivate(sd_bus* bus, const std::string& activePath);
    void unregisterAgentWhenIdle(sd_bus* bus);
    void reapCheckers();

    const NmRasOptions m_options;
    const nm::LinkRecord m_record;
    std::mutex m_mutex;
    nm::LinkTable m_links;
    std::vector<Checker> m_checkers;
    bool m_agentRegistered = false; // bus thread only
    nm::SecretAgent m_agent;
    // Declared last so that it goes first: its thread runs tasks that use the members above.
    std::unique_ptr<nm::BusThread> m_bus;
};

} // namespace norvanta::platform::ras
