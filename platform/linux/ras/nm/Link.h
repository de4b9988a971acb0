#pragma once

#include "platform/RasApi.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace norvanta::platform::ras::nm {

// One dial (or a link found up) as NetworkManager's signals move it on: no D-Bus, no
// threads, no clock of its own. Each input returns what the dialer must do about it.
//
//                 ActivateConnection asked          VPN state 5 and active state 2
//   Checking ------------------------> Activating ----------------------------------> Connected
//      |                                   |                                             |
//      | a check failed                    | VPN 6/7, active 3/4, an error reply,        | VPN 6/7,
//      |                                   | the time limit, NetworkManager gone         | active 3/4,
//      v                                   v                                             v NetworkManager gone
//    Failed <------------------------------+                                           Lost
//
// Progress is reported in the order of kProgressSteps, each step at most once; a failure
// is reported once, at the step reached, with its RAS code. Failed and Lost take no input.
// While the active connection goes away, a VPN state 5 may still follow (NetworkManager
// 1.42 sends one when a VPN is taken down while connecting): that is not a connection.
class Link {
public:
    enum class Phase { Checking, Activating, Connected, Failed, Lost };

    // One dial event for the notifier: the state, and the RAS code when the dial failed.
    struct Event {
        RASCONNSTATE state;
        DWORD error;
        bool operator==(const Event&) const = default;
    };

    // What one input asks of the dialer: the events to report, in order; whether the link
    // has just come up (record the time, drop the password, read its address) or was just
    // lost (forget its record).
    struct Reaction {
        std::vector<Event> events;
        bool cameUp = false;
        bool lost = false;
        bool operator==(const Reaction&) const = default;
    };

    using Clock = std::chrono::steady_clock;

    // A dial of this client, being checked. `greSilence`: how long in CONNECT makes a
    // failure read as GRE blocked.
    explicit Link(std::chrono::milliseconds greSilence);
    // A link NetworkManager had activating or up before this client looked: followed like
    // a dial, without its events.
    static Link found(bool activated);

    Phase phase() const { return m_phase; }
    // Activating or connected: NetworkManager has a connection for it.
    bool live() const { return m_phase == Phase::Activating || m_phase == Phase::Connected; }

    // The checks before NetworkManager is asked passed: "open port".
    Reaction checksPassed();
    // The profile is ready and ActivateConnection is asked for.
    void activationAsked();
    // ActivateConnection answered with the active connection: "port opened".
    Reaction activationAnswered();
    // NetworkManager's VPN state, or the active connection's own state, arriving at `now`.
    Reaction vpnState(std::uint32_t state, std::uint32_t reason, Clock::time_point now);
    Reaction activeState(std::uint32_t state, std::uint32_t reason, Clock::time_point now);
    // A dial that cannot go on: a check, an error reply, the time limit, NetworkManager
    // gone while activating. Fails a dial still checking or activating; nothing otherwise.
    Reaction fail(DWORD code);
    // NetworkManager went away, or no longer lists the connection: a connected link is
    // lost, an activating one fails with `activatingCode`.
    Reaction gone(DWORD activatingCode);

private:
    Link(Phase phase, std::chrono::milliseconds greSilence);

    Reaction advanceTo(int step);
    Reaction failWith(DWORD code);
    Reaction lose();
    Reaction connectWhenBothUp();
    DWORD failureCodeOf(std::uint32_t reason, Clock::time_point now) const;

    Phase m_phase;
    std::chrono::milliseconds m_greSilence;
    bool m_reports = true;                           // a dial of this client, whose events someone waits for
    int m_reached = -1;                              // index in kProgressSteps reported so far
    std::optional<Clock::time_point> m_connectSince; // VPN state 3 first seen
    bool m_vpnActivated = false;                     // VPN state 5 seen
    std::uint32_t m_activeState = 0;                 // the active connection's last state
};

} // namespace norvanta::platform::ras::nm
