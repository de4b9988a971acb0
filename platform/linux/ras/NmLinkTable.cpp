#include "platform/linux/ras/NmLinkTable.h"

#include <algorithm>

namespace norvanta::platform::ras::nm {
namespace {

constexpr char kDeviceName[] = "NetworkManager PPTP";
constexpr std::size_t kMaxEarlySignals = 32;

using Phase = NmLink::Phase;

bool isEnd(const NmLinkTable::Signal& signal)
{
    return signal.vpn ? (signal.state == kVpnFailed || signal.state == kVpnDisconnected)
                      : signal.state == kActiveDeactivated;
}

// A dial of this client that NetworkManager does not list yet: still being checked, or
// asked to activate without an answer.
bool beingDialed(const NmLinkTable::Link& link)
{
    return link.progress
           && (link.state.phase() == Phase::Checking
               || (link.state.phase() == Phase::Activating && link.activePath.empty()));
}

ActiveConnection connectionOf(ConnectionId id, const std::string& entryName)
{
    return ActiveConnection{id, entryName, kDeviceName, ""};
}

} // namespace

void NmLinkTable::add(ConnectionId id, Link link)
{
    m_links.insert_or_assign(id, std::move(link));
}

NmLinkTable::Link* NmLinkTable::find(ConnectionId id, std::optional<NmLink::Phase> phase)
{
    const auto link = m_links.find(id);
    if (link == m_links.end() || (phase && link->second.state.phase() != *phase)) {
        return nullptr;
    }
    return &link->second;
}

void NmLinkTable::hangUp(ConnectionId id)
{
    const auto link = m_links.find(id);
    if (link == m_links.end()) {
        return;
    }
    if (!link->second.activePath.empty() && link->second.state.live()) {
        m_hungUpPaths.insert(link->second.activePath);
    }
    m_links.erase(link);
}

NmLinkTable::Link* NmLinkTable::byActivePath(const std::string& path)
{
    for (auto& [id, link] : m_links) {
        if (link.activePath == path && link.state.live()) {
            return &link;
        }
    }
    return nullptr;
}

bool NmLinkTable::awaitingReply() const
{
    return std::any_of(m_links.begin(), m_links.end(), [](const auto& entry) {
        return entry.second.state.phase() == Phase::Activating && entry.second.activePath.empty();
    });
}

bool NmLinkTable::anyActivating() const
{
    return std::any_of(m_links.begin(), m_links.end(),
                       [](const auto& entry) { return entry.second.state.phase() == Phase::Activating; });
}

std::optional<std::string> NmLinkTable::passwordFor(const std::string& sender, const std::string& profilePath) const
{
    for (const auto& [id, link] : m_links) {
        if (link.state.phase() == Phase::Activating && link.profilePath == profilePath && link.nmOwner == sender
            && link.progress) {
            return link.password;
        }
    }
    return std::nullopt;
}

NmLinkTable::Link* NmLinkTable::signalFor(const std::string& path, const Signal& signal)
{
    if (isEnd(signal)) {
        m_hungUpPaths.erase(path);
    }
    if (Link* link = byActivePath(path)) {
        return link;
    }
    auto& early = m_early[path];
    if (awaitingReply() && early.size() < kMaxEarlySignals) {
        early.push_back(signal);
    }
    return nullptr;
}

std::vector<NmLinkTable::Signal> NmLinkTable::takeEarlySignals(const std::string& path)
{
    std::vector<Signal> signals;
    if (const auto early = m_early.find(path); early != m_early.end()) {
        signals = std::move(early->second);
        m_early.erase(early);
    }
    if (!awaitingReply()) {
        m_early.clear();
    }
    return signals;
}

void NmLinkTable::dropEarlySignals()
{
    m_early.clear();
}

NmLinkTable::Reconciled NmLinkTable::reconcile(const std::vector<ActiveVpn>& listed,
                                               const std::function<ConnectionId()>& nextId)
{
    Reconciled reconciled;
    std::set<std::string> present;
    for (const auto& vpn : listed) {
        present.insert(vpn.path);
        if ((vpn.state != kActiveActivating && vpn.state != kActiveActivated) || m_hungUpPaths.contains(vpn.path)) {
            continue;
        }
        const auto known = std::find_if(m_links.begin(), m_links.end(), [&vpn](const auto& entry) {
            return entry.second.activePath == vpn.path && entry.second.state.live();
        });
        if (known != m_links.end()) {
            reconciled.connections.push_back(connectionOf(known->first, known->second.entryName));
            continue;
        }
        // Up before this client looked (a restarted client, or another program): from now
        // on it is followed like a dial of ours.
        Link found;
        found.entryName = vpn.name;
        found.activePath = vpn.path;
        found.state = NmLink::found(vpn.state == kActiveActivated);
        const ConnectionId id = nextId();
        m_links.emplace(id, std::move(found));
        reconciled.found.push_back(id);
        reconciled.connections.push_back(connectionOf(id, vpn.name));
    }
    for (const auto& [id, link] : m_links) {
        if (beingDialed(link)) {
            reconciled.connections.push_back(connectionOf(id, link.entryName));
        } else if (!link.activePath.empty() && !present.contains(link.activePath) && link.state.live()) {
            // NetworkManager no longer lists it: a signal was missed, or the bus was away.
            reconciled.vanished.push_back(id);
        }
    }
    std::erase_if(m_hungUpPaths, [&present](const std::string& path) { return !present.contains(path); });
    return reconciled;
}

std::vector<ActiveConnection> NmLinkTable::ownConnections() const
{
    std::vector<ActiveConnection> connections;
    for (const auto& [id, link] : m_links) {
        if (beingDialed(link) || link.state.live()) {
            connections.push_back(connectionOf(id, link.entryName));
        }
    }
    return connections;
}

} // namespace norvanta::platform::ras::nm
