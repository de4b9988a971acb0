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
//   Dialing/Connected --disconnect, closing-->    Idle      (hang up)
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
    enum class Phase { Idle, Dialing, Connected };

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
        // UTF-8 texts of the status line and the time line.
        const char* status = nullptr;
        std::optional<std::string> timeText;
        // The progress state a running dial reached, for the window to name in the time line.
        std::optional<DWORD> progress;
        // The link dropped by itself: tell the user outside the window too.
        bool notifyLinkLost = false;
        // The phase after this event, when it changed (the tray's picture and menu follow it).
        std::optional<Phase> phaseChanged;
        std::optional<bool> connectEnabled;
        std::optional<bool> disconnectEnabled;
    };

    Phase phase() const { return m_phase; }

    // 접속 pressed (or Enter). `linkAlive` is what the dialer says of the last link now: a
    // link that dropped before the tick noticed is ended first, then the dial starts.
    Reaction connectPressed(bool haveServer, bool linkAlive);
    // The answer of the dial the previous reaction started: 0 and the dial's handle, or the
    // service's refusal.
    Reaction dialStarted(DWORD result, HRASCONN handle);
    Reaction dialEvent(HRASCONN handle, DWORD state, DWORD error);
    // The once-a-second tick: the connected seconds, or nothing when the link is gone.
    Reaction tick(std::optional<std::int32_t> connectedSeconds);
    Reaction disconnectPressed();
    Reaction windowClosing();

private:
    Reaction linkLost();
    Reaction withPhaseChange(Reaction reaction, Phase before) const;
    Reaction endDial(Reaction reaction, const char* status);

    Phase m_phase = Phase::Idle;
    HRASCONN m_handle = nullptr;
};

} // namespace norvanta::app
