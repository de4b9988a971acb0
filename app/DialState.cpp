#include "app/DialState.h"

#include "app/AppTexts.h"
#include "app/ConnectedTime.h"

namespace norvanta::app {

DialState::Reaction DialState::connectPressed(bool haveServer, bool linkAlive)
{
    const Phase before = m_phase;
    Reaction reaction;
    if (m_phase == Phase::Dialing || (m_phase == Phase::Connected && linkAlive)) {
        return reaction;
    }
    if (m_phase == Phase::Connected) {
        // The link dropped before the tick saw it: end it as the tick would, then dial.
        reaction = linkLost();
    }
    if (!haveServer) {
        reaction.showNoServer = true;
        return withPhaseChange(reaction, before);
    }
    m_phase = Phase::Dialing;
    m_handle = nullptr;
    reaction.startDial = true;
    reaction.status = text::kConnecting;
    // The time line names the dial's progress from now on; the last link's time goes.
    reaction.timeText = std::string();
    reaction.connectEnabled = false;
    return withPhaseChange(reaction, before);
}

DialState::Reaction DialState::dialStarted(DWORD result, HRASCONN handle)
{
    if (m_phase != Phase::Dialing) {
        return {};
    }
    if (result != 0) {
        // A dial the service refuses outright is reported like one that fails later;
        // otherwise the window would say "connecting" forever with nothing explained.
        Reaction reaction;
        reaction.showError = result;
        reaction.hangUp = true;
        return withPhaseChange(endDial(reaction, text::kDialFailed), Phase::Dialing);
    }
    m_handle = handle;
    return {};
}

DialState::Reaction DialState::dialEvent(HRASCONN handle, DWORD state, DWORD error)
{
    if (m_phase == Phase::Idle || handle != m_handle) {
        return {};
    }
    Reaction reaction;
    if (m_phase == Phase::Connected) {
        // Only an end of the link matters now; it is taken as the tick would take it.
        return error != 0 || state == RASCS_Disconnected ? withPhaseChange(linkLost(), Phase::Connected) : reaction;
    }
    if (error != 0) {
        reaction.showError = error;
        reaction.hangUp = true;
        return withPhaseChange(endDial(reaction, text::kDialFailed), Phase::Dialing);
    }
    if ((state & RASCS_DONE) == 0) {
        reaction.progress = state;
        return reaction;
    }
    if (state != RASCS_Connected) {
        // The service ended the dial without an error: there is no link to report as made.
        reaction.hangUp = true;
        return withPhaseChange(endDial(reaction, text::kDisconnected), Phase::Dialing);
    }
    m_phase = Phase::Connected;
    reaction.status = text::kConnected;
    // The last progress name must not stay there until the first tick.
    reaction.timeText = std::string();
    reaction.disconnectEnabled = true;
    reaction.saveCredentials = true;
    reaction.tickRunning = true;
    return withPhaseChange(reaction, Phase::Dialing);
}

DialState::Reaction DialState::tick(std::optional<std::int32_t> connectedSeconds)
{
    Reaction reaction;
    if (m_phase != Phase::Connected) {
        reaction.tickRunning = false;
        return reaction;
    }
    if (!connectedSeconds) {
        return withPhaseChange(linkLost(), Phase::Connected);
    }
    reaction.timeText = FormatConnectedTime(*connectedSeconds);
    return reaction;
}

DialState::Reaction DialState::disconnectPressed()
{
    const Phase before = m_phase;
    Reaction reaction;
    // Disconnect during a dial cancels it, instead of letting it connect afterwards.
    reaction.hangUp = m_phase != Phase::Idle;
    reaction.tickRunning = false;
    return withPhaseChange(endDial(reaction, text::kDisconnected), before);
}

DialState::Reaction DialState::windowClosing()
{
    Reaction reaction = disconnectPressed();
    reaction.status = nullptr;
    return reaction;
}

DialState::Reaction DialState::linkLost()
{
    // No message box, but the status must no longer claim a connection that does not
    // exist, and must not read like the user's own 접속종료.
    Reaction reaction;
    reaction.tickRunning = false;
    reaction.hangUp = true;
    reaction.notifyLinkLost = true;
    return endDial(reaction, text::kLinkLost);
}

DialState::Reaction DialState::withPhaseChange(Reaction reaction, Phase before) const
{
    if (m_phase != before) {
        reaction.phaseChanged = m_phase;
    }
    return reaction;
}

DialState::Reaction DialState::endDial(Reaction reaction, const char* status)
{
    if (m_phase == Phase::Dialing) {
        // However the dial ends, its last progress name must not stay behind.
        reaction.timeText = std::string();
    }
    m_phase = Phase::Idle;
    m_handle = nullptr;
    reaction.status = status;
    reaction.connectEnabled = true;
    return reaction;
}

} // namespace norvanta::app
