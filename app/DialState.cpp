#include "app/DialState.h"

#include "app/AppTexts.h"
#include "app/ConnectedTime.h"
#include "platform/ras/RasErrorText.h"

namespace norvanta::app {
namespace {

// The account is disabled, its password has expired, it may not dial in.
constexpr DWORD kAccountRefusals[] = {647, 648, 649};

// Failures another dial with the same server and account cannot mend.
bool mayRetry(DWORD error)
{
    using namespace norvanta::platform::ras;
    return !isRefusedLogin(error) && error != kErrorNmBadText && error != kErrorNmNonAsciiLogin
           && error != kErrorNmPluginMissing && error != kErrorNmNoPppKernel && error != kErrorNmPermissionDenied;
}

} // namespace

bool isRefusedLogin(DWORD error)
{
    for (const DWORD refusal : kAccountRefusals) {
        if (error == refusal) {
            return true;
        }
    }
    return error == ERROR_AUTHENTICATION_FAILURE || error == norvanta::platform::ras::kErrorNmLinkFailed;
}

DialState::Reaction DialState::setAutoReconnect(bool on)
{
    m_autoReconnect = on;
    if (on || m_phase != Phase::Waiting) {
        return {};
    }
    Reaction reaction;
    reaction.tickRunning = false;
    m_attempt = 0;
    return withPhaseChange(endDial(reaction, text::kLinkLost), Phase::Waiting);
}

DialState::Reaction DialState::connectPressed(bool haveServer, bool linkAlive)
{
    const Phase before = m_phase;
    Reaction reaction;
    if (m_phase == Phase::Dialing || m_phase == Phase::Waiting || (m_phase == Phase::Connected && linkAlive)) {
        return reaction;
    }
    if (m_phase == Phase::Connected) {
        // The link dropped before the tick saw it: end it as the tick would, then dial
        // now, as the user asks, rather than after a reconnect's pause.
        reaction = linkLost(false);
    }
    if (!haveServer) {
        reaction.showNoServer = true;
        return withPhaseChange(reaction, before);
    }
    m_attempt = 0;
    return withPhaseChange(startDialing(reaction), before);
}

DialState::Reaction DialState::dialStarted(DWORD result, HRASCONN handle)
{
    if (m_phase != Phase::Dialing) {
        return {};
    }
    if (result != 0) {
        // A dial the service refuses outright is reported like one that fails later;
        // otherwise the window would say "connecting" forever with nothing explained.
        return withPhaseChange(dialFailed(result), Phase::Dialing);
    }
    m_handle = handle;
    return {};
}

DialState::Reaction DialState::dialEvent(HRASCONN handle, DWORD state, DWORD error)
{
    if (m_phase == Phase::Idle || m_phase == Phase::Waiting || handle != m_handle) {
        return {};
    }
    Reaction reaction;
    if (m_phase == Phase::Connected) {
        // Only an end of the link matters now; it is taken as the tick would take it.
        return error != 0 || state == RASCS_Disconnected ? withPhaseChange(linkLost(true), Phase::Connected) : reaction;
    }
    if (error != 0) {
        return withPhaseChange(dialFailed(error), Phase::Dialing);
    }
    if ((state & RASCS_DONE) == 0) {
        reaction.progress = state;
        return reaction;
    }
    if (state != RASCS_Connected) {
        // The service ended the dial without an error: there is no link to report as made.
        return withPhaseChange(dialFailed(std::nullopt), Phase::Dialing);
    }
    m_phase = Phase::Connected;
    reaction.status = text::kConnected;
    // The last progress name must not stay there until the first tick.
    reaction.timeText = std::string();
    reaction.disconnectEnabled = true;
    reaction.saveCredentials = true;
    reaction.tickRunning = true;
    if (m_attempt > 0) {
        reaction.notify = Notice::Reconnected;
        m_attempt = 0;
    }
    return withPhaseChange(reaction, Phase::Dialing);
}

DialState::Reaction DialState::tick(std::optional<std::int32_t> connectedSeconds)
{
    Reaction reaction;
    if (m_phase == Phase::Waiting) {
        if (--m_secondsLeft > 0) {
            reaction.statusText = countdownText();
            return reaction;
        }
        reaction.tickRunning = false;
        return withPhaseChange(startDialing(reaction), Phase::Waiting);
    }
    if (m_phase != Phase::Connected) {
        reaction.tickRunning = false;
        return reaction;
    }
    if (!connectedSeconds) {
        return withPhaseChange(linkLost(true), Phase::Connected);
    }
    reaction.timeText = formatConnectedTime(*connectedSeconds);
    return reaction;
}

DialState::Reaction DialState::disconnectPressed()
{
    const Phase before = m_phase;
    Reaction reaction;
    // Disconnect during a dial cancels it, instead of letting it connect afterwards, and
    // during a reconnect's pause it ends the waiting.
    reaction.hangUp = m_phase != Phase::Idle;
    reaction.tickRunning = false;
    m_attempt = 0;
    return withPhaseChange(endDial(reaction, text::kDisconnected), before);
}

DialState::Reaction DialState::windowClosing()
{
    Reaction reaction = disconnectPressed();
    reaction.status = nullptr;
    return reaction;
}

DialState::Reaction DialState::linkLost(bool mayReconnect)
{
    // No message box, but the status must no longer claim a connection that does not
    // exist, and must not read like the user's own 접속종료.
    Reaction reaction;
    reaction.tickRunning = false;
    reaction.hangUp = true;
    if (mayReconnect && m_autoReconnect) {
        reaction.notify = Notice::Reconnecting;
        return waitToReconnect(reaction, 1);
    }
    reaction.notify = Notice::LinkLost;
    return endDial(reaction, text::kLinkLost);
}

DialState::Reaction DialState::startDialing(Reaction reaction)
{
    m_phase = Phase::Dialing;
    m_handle = nullptr;
    reaction.startDial = true;
    reaction.status = text::kConnecting;
    // The time line names the dial's progress from now on; the last link's time goes.
    reaction.timeText = std::string();
    reaction.connectEnabled = false;
    return reaction;
}

// The once-a-second tick counts the pause down; 접속 stays off, 접속종료 ends the wait.
DialState::Reaction DialState::waitToReconnect(Reaction reaction, int attempt)
{
    m_phase = Phase::Waiting;
    m_handle = nullptr;
    m_attempt = attempt;
    m_secondsLeft = kReconnectPauses[attempt - 1];
    reaction.tickRunning = true;
    reaction.statusText = countdownText();
    reaction.connectEnabled = false;
    return reaction;
}

// A dial that ended without a link: the error when there is one. A reconnect's dial that
// another try may mend waits for the next one instead, without a message box.
DialState::Reaction DialState::dialFailed(std::optional<DWORD> error)
{
    Reaction reaction;
    reaction.hangUp = true;
    if (m_attempt > 0 && m_attempt < kReconnectAttempts && (!error || mayRetry(*error))) {
        // Its last progress name must not stay behind while waiting.
        reaction.timeText = std::string();
        return waitToReconnect(reaction, m_attempt + 1);
    }
    if (error) {
        reaction.showError = *error;
    }
    if (m_attempt > 0) {
        reaction.notify = Notice::ReconnectFailed;
        m_attempt = 0;
    }
    return endDial(reaction, error ? text::kDialFailed : text::kDisconnected);
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

std::string DialState::countdownText() const
{
    return std::string(text::kReconnectWaiting) + " (" + std::to_string(m_attempt) + "/"
           + std::to_string(kReconnectAttempts) + ", " + std::to_string(m_secondsLeft) + "초)";
}

} // namespace norvanta::app
