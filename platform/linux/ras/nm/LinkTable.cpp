#include "platform/linux/ras/nm/LinkTable.h"

#include <algorithm>

namespace norvanta::platform::ras::nm {
namespace {

constexpr char kDeviceName[] = "NetworkManager PPTP";
constexpr std::size_t kMaxEarlySignals = 32;

using Phase = Link::Phase;

bool isEnd(const LinkTable::Signal& signal)
{
    return signal.vpn ? (signal.state == kVpnFailed || signal.state == kVpnDisconnected)
                      : signal.state == kActiveDeactivated;
}

// A dial of this client that NetworkManager does not list yet: still being checked, or
// asked to activate without an answer.
bool beingDialed(const LinkTable::Entry& link)
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

void LinkTable::add(ConnectionId id, Entry link)
{
    m_links.insert_or_assign(id, std::move(link));
}

LinkTable::Entry* LinkTable::find(ConnectionId id, std::optional<Link::Phase> phase)
{
    const auto link = m_links.find(id);
    if (link == m_links.end() || (phase && link->second.state.phase() != *phase)) {
        return nullptr;
    }
    return &link->second;
}

void LinkTable::hangUp(ConnectionId id)
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

LinkTable::Entry* LinkTable::byActivePath(const std::string& path)
{
    for (auto& [id, link] : m_links) {
        if (link.activePath == path && link.state.live()) {
            return &link;
        }
    }
    return nullptr;
}

bool LinkTable::awaitingReply() const
{
    return std::any_of(m_links.begin(), m_links.end(), [](const auto& entry) {
        return entry.second.state.phase() == Phase::Activating && entry.second.activePath.empty();
    });
}

bool LinkTable::anyActivating() const
{
    return std::any_of(m_links.begin(), m_links.end(),
                       [](const auto& entry) { return entry.second.state.phase() == Phase::Activating; });
}

std::optional<std::string> LinkTable::passwordFor(const std::string& sender, const std::string& profilePath) const
{
    for (const auto& [id, link] : m_links) {
        if (link.state.phase() == Phase::Activating && link.profilePath == profilePath && link.nmOwner == sender
            && link.progress) {
            return link.password;
        }
    }
    return std::nullopt;
}

LinkTable::Entry* LinkTable::signalFor(const std::string& path, const Signal& signal)
{
    if (isEnd(signal)) {
        m_hungUpPaths.erase(path);
    }
    if (Entry* link = byActivePath(path)) {
        return link;
    }
    auto& early = m_early[path];
    if (awaitingReply() && early.size() < kMaxEarlySignals) {
        early.push_back(signal);
    }
    return nullptr;
}

std::vector<LinkTable::Signal> LinkTable::takeEarlySignals(const std::string& path)
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

void LinkTable::dropEarlySignals()
{
    m_early.clear();
}

LinkTable::Reconciled LinkTable::reconcile(const std::vector<ActiveVpn>& listed,
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
        Entry found;
        found.entryName = vpn.name;
        found.activePath = vpn.path;
        found.state = Link::found(vpn.state == kActiveActivated);
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

std::vector<ActiveConnection> LinkTable::ownConnections() const
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
