#pragma once

#include "platform/LinkDetails.h"
#include "platform/linux/ras/nm/Link.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasProvider.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace norvanta::platform::ras::nm {

// The links the dialer follows, by connection id, and how they meet what NetworkManager
// says of its active connections: signals that come before the reply naming their
// connection, hang-ups not yet seen done, and its list of what is up. No D-Bus, no
// threads: the dialer holds its lock around every call.
class LinkTable {
public:
    struct Entry {
        Link state{kGreSilence};
        std::string entryName;
        ProgressCallback progress; // empty for a link found rather than dialed
        std::string password;      // until NetworkManager no longer needs it
        std::string profilePath;
        std::string activePath;
        std::string nmOwner; // the only sender the agent answers
        std::uint64_t activatedMs = 0;
        std::optional<LinkDetails::Encryption> encryption; // unknown for a link found
        std::optional<std::string> localAddress;           // read once it is up
    };

    // A state signal: of the VPN (else of the active connection), its state and reason.
    struct Signal {
        bool vpn = false;
        std::uint32_t state = 0;
        std::uint32_t reason = 0;
    };

    // What a look at NetworkManager's list found.
    struct Reconciled {
        std::vector<ActiveConnection> connections; // what enumerate() answers
        std::vector<ConnectionId> found;           // links up before this client looked, now followed
        std::vector<ConnectionId> vanished;        // live links it no longer lists
    };

    void add(ConnectionId id, Entry link);
    // The link of id, or null; with a phase, only while it is in that phase.
    Entry* find(ConnectionId id, std::optional<Link::Phase> phase = std::nullopt);
    // Forgets the link; a live one's active connection counts as hung up until
    // NetworkManager says it ended or no longer lists it.
    void hangUp(ConnectionId id);
    // The live link of an active connection, or null.
    Entry* byActivePath(const std::string& path);

    // A dial has asked ActivateConnection and has no answer yet.
    bool awaitingReply() const;
    // A dial is activating: NetworkManager may still ask for its password.
    bool anyActivating() const;
    // The password for NetworkManager's `sender` asking for the profile at profilePath,
    // while a dial of this client activates it.
    std::optional<std::string> passwordFor(const std::string& sender, const std::string& profilePath) const;

    // A signal of the active connection at path: its link, or null when there is none.
    // Signals for a connection no link knows yet are kept (32 at most) while a reply is
    // awaited: ActivateConnection's answer can come after the first of them.
    Entry* signalFor(const std::string& path, const Signal& signal);
    // The signals kept for path, in their order, now that its reply came; the rest are
    // dropped once no reply is awaited.
    std::vector<Signal> takeEarlySignals(const std::string& path);
    void dropEarlySignals();

    // Matches NetworkManager's list: the connections to report (links of other programs
    // included, hung-up ones not), links up before this client looked added with ids from
    // nextId, and the live links no longer listed.
    Reconciled reconcile(const std::vector<ActiveVpn>& listed, const std::function<ConnectionId()>& nextId);
    // What to report when NetworkManager did not answer: this client's links.
    std::vector<ActiveConnection> ownConnections() const;

    template <typename Visit>
    void forEach(Visit visit)
    {
        for (auto& [id, link] : m_links) {
            visit(link);
        }
    }

private:
    std::map<ConnectionId, Entry> m_links;
    std::set<std::string> m_hungUpPaths;
    std::map<std::string, std::vector<Signal>> m_early;
};

} // namespace norvanta::platform::ras::nm
