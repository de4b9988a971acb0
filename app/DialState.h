#pragma once

#include "platform/RasApi.h"

#include <cstdint>
#include <optional>
#include <string>

namespace norvanta::app {

// The life of one dial as the main window sees it, without the window: events in, the
// reaction the window must apply out. Shaped like the frame's CaptionButtonState so that
// every sequence can be tested as a table.
//
//   Idle    --connect (a server chosen)-->        Dialing   (start a dial)
//   Dialing --dial refused / error event-->       Idle      (show the error, hang up)
//   Dialing --event 0x2001 without error-->       Idle      (hang up, "접속 종료")
//   Dialing --event 0x2000-->                     Connected (save credentials, tick)
//   Connected --tick: link gone, or its end-->    Idle      (hang up, "연결 끊김", notify)
//                                            or Waiting   (reconnect on: hang up, count down)
//   Waiting --tick, the pause over-->             Dialing   (the same server and account)
//   Dialing (a reconnect) --a failure-->          Waiting   (the next, longer pause), or
//                                                 Idle      (the last one, or a refused login)
//   Dialing/Connected/Waiting --disconnect, closing--> Idle (hang up)
//
// A link that drops by itself is dialed again up to kReconnectAttempts times, after pauses
// of kReconnectPauses, unless reconnecting is switched off. Never after the user's own
// 접속종료, nor after a failure that another try cannot mend (isRefusedLogin, a login
// the system cannot send, a missing plugin or kernel support).
//
// A link that ends while connected without the user asking (the tick finds it gone, an
// event reports its end) is told apart from the user's own 접속종료: its own status and
// one desktop notification. While dialing, the progress names fill the time line, which
// is cleared when the dial ends, whichever way.
//
// Events of a dial are matched by its handle: a late event of an earlier dial changes
// nothing. Connect while dialing, or while the link is up, changes nothing.
class DialState {
public:
    // Waiting: the link dropped and the next dial waits out its pause.
    enum class Phase { Idle, Dialing, Connected, Waiting };

    // What to tell the user outside the window.
    enum class Notice { LinkLost, Reconnecting, Reconnected, ReconnectFailed };

    static constexpr int kReconnectAttempts = 3;
    static constexpr std::int32_t kReconnectPauses[kReconnectAttempts] = {5, 15, 45}; // seconds

    // What the window must do, in this order: stop the tick, show a message box, hang up,
    // save the credentials, start the tick, set texts and buttons, and last start a dial
    // (whose answer is a reaction of its own). Unset members leave that part as it is.
    struct Reaction {
        bool showNoServer = false;
        std::optional<DWORD> showError;
        bool hangUp = false;
        bool startDial = false;
        bool saveCredentials = false;
        std::optional<bool> tickRunning;
        // UTF-8 texts of the status line and the time line; statusText, when set, is a
        // status composed for the moment (the reconnect's countdown) and wins.
        const char* status = nullptr;
        std::optional<std::string> statusText;
        std::optional<std::string> timeText;
        // The progress state a running dial reached, for the window to name in the time line.
        std::optional<DWORD> progress;
        // The link dropped by itself, or its reconnect began or ended: tell the user
        // outside the window too.
        std::optional<Notice> notify;
        // The phase after this event, when it changed (the tray's picture and menu follow it).
        std::optional<Phase> phaseChanged;
        std::optional<bool> connectEnabled;
        std::optional<bool> disconnectEnabled;
    };

    Phase phase() const { return m_phase; }
    // The reconnect attempt being dialed or waited for (1..kReconnectAttempts); 0 when none.
    int reconnectAttempt() const { return m_attempt; }

    // Reconnecting after a drop on or off (on by default). Switched off during a pause,
    // the wait ends there as the drop would have ended without it.
    Reaction setAutoReconnect(bool on);

    // 접속 pressed (or Enter). `linkAlive` is what the dialer says of the last link now: a
    // link that dropped before the tick noticed is ended first, then the dial starts.
    Reaction connectPressed(bool haveServer, bool linkAlive);
    // The answer of the dial the previous reaction started: 0 and the dial's handle, or the
    // service's refusal.
    Reaction dialStarted(DWORD result, HRASCONN handle);
    Reaction dialEvent(HRASCONN handle, DWORD state, DWORD error);
    // The once-a-second tick: the connected seconds, or nothing when the link is gone;
    // during a reconnect's pause it counts down.
    Reaction tick(std::optional<std::int32_t> connectedSeconds);
    Reaction disconnectPressed();
    Reaction windowClosing();

private:
    Reaction linkLost(bool mayReconnect);
    Reaction startDialing(Reaction reaction);
    Reaction waitToReconnect(Reaction reaction, int attempt);
    Reaction dialFailed(std::optional<DWORD> error);
    Reaction withPhaseChange(Reaction reaction, Phase before) const;
    Reaction endDial(Reaction reaction, const char* status);
    std::string countdownText() const;

    Phase m_phase = Phase::Idle;
    HRASCONN m_handle = nullptr;
    bool m_autoReconnect = true;
    int m_attempt = 0;
    std::int32_t m_secondsLeft = 0;
};

// A failure that says the server refused the account. NetworkManager reports a refused
// password as any other failed PPTP link, so on Linux that failure counts as one too.
bool isRefusedLogin(DWORD error);

} // namespace norvanta::app
