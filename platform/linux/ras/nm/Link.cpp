#include "platform/linux/ras/nm/Link.h"

#include "platform/linux/ras/nm/StateMap.h"

#include <algorithm>

namespace norvanta::platform::ras::nm {

Link::Link(std::chrono::milliseconds greSilence) : Link(Phase::Checking, greSilence) {}

Link::Link(Phase phase, std::chrono::milliseconds greSilence) : m_phase(phase), m_greSilence(greSilence) {}

Link Link::found(bool activated)
{
    Link link(activated ? Phase::Connected : Phase::Activating, kGreSilence);
    // Its dial was another run's: there is no one to report it to.
    link.m_reports = false;
    return link;
}

Link::Reaction Link::checksPassed()
{
    return m_phase == Phase::Checking ? advanceTo(kStepOpenPort) : Reaction{};
}

void Link::activationAsked()
{
    if (m_phase == Phase::Checking) {
        m_phase = Phase::Activating;
    }
}

Link::Reaction Link::activationAnswered()
{
    return m_phase == Phase::Activating ? advanceTo(kStepPortOpened) : Reaction{};
}

Link::Reaction Link::vpnState(std::uint32_t state, std::uint32_t reason, Clock::time_point now)
{
    const bool end = state == kVpnFailed || state == kVpnDisconnected;
    if (m_phase == Phase::Connected) {
        return end ? lose() : Reaction{};
    }
    if (m_phase != Phase::Activating) {
        return {};
    }
    if (state == kVpnConnect && !m_connectSince) {
        m_connectSince = now;
    }
    if (end) {
        return failWith(failureCodeOf(reason, now));
    }
    if (state == kVpnActivated) {
        m_vpnActivated = true;
        return connectWhenBothUp();
    }
    const int step = progressStepOf(state);
    return step >= 0 ? advanceTo(step) : Reaction{};
}

// NetworkManager sends the active connection's state before the VPN state, with the same
// reason, when the connection goes away.
Link::Reaction Link::activeState(std::uint32_t state, std::uint32_t reason, Clock::time_point now)
{
    if (!live()) {
        return {};
    }
    m_activeState = state;
    const bool goingAway = state == kActiveDeactivating || state == kActiveDeactivated;
    if (goingAway) {
        return m_phase == Phase::Connected ? lose() : failWith(failureCodeOf(reason, now));
    }
    return m_phase == Phase::Activating && state == kActiveActivated ? connectWhenBothUp() : Reaction{};
}

Link::Reaction Link::fail(DWORD code)
{
    return m_phase == Phase::Checking || m_phase == Phase::Activating ? failWith(code) : Reaction{};
}

Link::Reaction Link::gone(DWORD activatingCode)
{
    if (m_phase == Phase::Connected) {
        return lose();
    }
    return m_phase == Phase::Activating ? failWith(activatingCode) : Reaction{};
}

Link::Reaction Link::advanceTo(int step)
{
    Reaction reaction;
    for (int next = m_reached + 1; m_reports && next <= step; ++next) {
        reaction.events.push_back({kProgressSteps[next], 0});
    }
    m_reached = std::max(m_reached, step);
    return reaction;
}

Link::Reaction Link::failWith(DWORD code)
{
    m_phase = Phase::Failed;
    if (!m_reports) {
        return {};
    }
    return Reaction{{{kProgressSteps[std::max(m_reached, 0)], code}}};
}

Link::Reaction Link::lose()
{
    m_phase = Phase::Lost;
    Reaction reaction;
    reaction.lost = true;
    return reaction;
}

Link::Reaction Link::connectWhenBothUp()
{
    if (!m_vpnActivated || m_activeState != kActiveActivated) {
        return {};
    }
    m_phase = Phase::Connected;
    Reaction reaction = advanceTo(kStepConnected);
    reaction.cameUp = true;
    return reaction;
}

DWORD Link::failureCodeOf(std::uint32_t reason, Clock::time_point now) const
{
    ConnectSeen seen = ConnectSeen::Never;
    if (m_connectSince) {
        seen = now - *m_connectSince >= m_greSilence ? ConnectSeen::Stalled : ConnectSeen::Briefly;
    }
    return failureCode(reason, seen);
}

} // namespace norvanta::platform::ras::nm
