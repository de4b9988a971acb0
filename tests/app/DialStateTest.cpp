// The dial's life as sequences of window events against the reactions the window applies.

#include "app/DialState.h"

#include "app/AppTexts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using norvanta::app::DialState;
namespace text = norvanta::app::text;

HRASCONN handle(std::uintptr_t value)
{
    return reinterpret_cast<HRASCONN>(value);
}

struct Step {
    enum Kind { Connect, Started, Event, Tick, Disconnect, Close, AutoReconnect } kind;
    DWORD a = 0; // Connect: have a server; Started: result; Event: state; Tick: seconds; AutoReconnect: on
    DWORD b = 0; // Connect: link alive; Started and Event: handle; Event: error in c
    DWORD c = 0;
    bool linkGone = false; // Tick only
    std::string expected;
};

Step connect(bool haveServer = true, bool linkAlive = false, std::string expected = {})
{
    return {Step::Connect, haveServer, linkAlive, 0, false, std::move(expected)};
}
Step started(DWORD result, std::uintptr_t h, std::string expected = {})
{
    return {Step::Started, result, static_cast<DWORD>(h), 0, false, std::move(expected)};
}
Step event(std::uintptr_t h, DWORD state, DWORD error, std::string expected = {})
{
    return {Step::Event, state, static_cast<DWORD>(h), error, false, std::move(expected)};
}
Step tick(std::optional<DWORD> seconds, std::string expected = {})
{
    return {Step::Tick, seconds.value_or(0), 0, 0, !seconds, std::move(expected)};
}
Step disconnect(std::string expected)
{
    return {Step::Disconnect, 0, 0, 0, false, std::move(expected)};
}
Step closing(std::string expected)
{
    return {Step::Close, 0, 0, 0, false, std::move(expected)};
}
Step autoReconnect(bool on, std::string expected = {})
{
    return {Step::AutoReconnect, on, 0, 0, false, std::move(expected)};
}

const char* const phaseWords[] = {"=idle", "=dialing", "=connected", "=waiting"};
const char* const noticeWords[] = {"notify", "notify:reconnecting", "notify:reconnected", "notify:gaveup"};

// One word per part of the reaction, in the order the window applies them.
std::string describe(const DialState::Reaction& r)
{
    std::string words;
    auto add = [&words](const std::string& word) { words += (words.empty() ? "" : " ") + word; };
    if (r.showNoServer)
        add("noServer");
    if (r.showError)
        add("error:" + std::to_string(*r.showError));
    if (r.hangUp)
        add("hangUp");
    if (r.saveCredentials)
        add("save");
    if (r.tickRunning)
        add(*r.tickRunning ? "tick:on" : "tick:off");
    if (r.status == text::kConnecting)
        add("connecting");
    if (r.status == text::kConnected)
        add("connected");
    if (r.status == text::kDisconnected)
        add("disconnected");
    if (r.status == text::kDialFailed)
        add("failed");
    if (r.status == text::kLinkLost)
        add("lost");
    if (r.statusText)
        add("status:" + *r.statusText);
    if (r.timeText)
        add("time:" + *r.timeText);
    if (r.progress)
        add("progress:" + std::to_string(*r.progress));
    if (r.connectEnabled)
        add(*r.connectEnabled ? "connect:on" : "connect:off");
    if (r.disconnectEnabled)
        add(*r.disconnectEnabled ? "disconnect:on" : "disconnect:off");
    if (r.notify)
        add(noticeWords[static_cast<int>(*r.notify)]);
    if (r.phaseChanged)
        add(phaseWords[static_cast<int>(*r.phaseChanged)]);
    if (r.startDial)
        add("dial");
    return words;
}

DialState::Reaction run(DialState& state, const Step& step)
{
    switch (step.kind) {
    case Step::Connect:
        return state.connectPressed(step.a != 0, step.b != 0);
    case Step::Started:
        return state.dialStarted(step.a, handle(step.b));
    case Step::Event:
        return state.dialEvent(handle(step.b), step.a, step.c);
    case Step::Tick:
        return state.tick(step.linkGone ? std::nullopt : std::optional<std::int32_t>(step.a));
    case Step::Disconnect:
        return state.disconnectPressed();
    case Step::Close:
        return state.windowClosing();
    case Step::AutoReconnect:
        return state.setAutoReconnect(step.a != 0);
    }
    return {};
}

struct Sequence {
    const char* name;
    std::vector<Step> steps;
    DialState::Phase finalPhase;
};

// A dial starts with an empty time line, where its progress names will appear.
const std::string kDial = "connecting time: connect:off =dialing dial";
const std::string kConnected = "save tick:on connected time: disconnect:on =connected";
// The user's own end of a link, and of a dial (whose progress name is cleared).
const std::string kUserEnd = "hangUp tick:off disconnected connect:on =idle";
const std::string kUserCancel = "hangUp tick:off disconnected time: connect:on =idle";
// A link that ended by itself: its own status and one notification.
const std::string kLost = "hangUp tick:off lost connect:on notify =idle";

// The prefix every connected sequence starts with: dial 1 reaches RASCS_Connected.
std::vector<Step> connectedOn(std::uintptr_t h, std::vector<Step> rest)
{
    std::vector<Step> steps{connect(true, false, kDial), started(0, h), event(h, RASCS_OpenPort, 0, "progress:0"),
                            event(h, RASCS_Connected, 0, kConnected)};
    steps.insert(steps.end(), rest.begin(), rest.end());
    return steps;
}

// The countdown of reconnect attempt `attempt` at `seconds` left.
std::string waiting(int attempt, int seconds)
{
    return "status:서비스 재접속 대기 중... (" + std::to_string(attempt) + "/3, " + std::to_string(seconds) + "초)";
}
// A link that dropped by itself, reconnect on: hung up, the first pause begins.
const std::string kDropThenWait = "hangUp tick:on " + waiting(1, 5) + " connect:off notify:reconnecting =waiting";
// A reconnect's dial that failed, when another try may mend it: the next pause.
std::string failedThenWait(int attempt, int seconds)
{
    return "hangUp tick:on " + waiting(attempt, seconds) + " time: connect:off =waiting";
}

// The pause of reconnect attempt `attempt` counted down from `seconds`, then the dial
// (answered with handle h).
std::vector<Step> pauseThenDial(int attempt, int seconds, std::uintptr_t h)
{
    std::vector<Step> steps;
    for (int left = seconds - 1; left > 0; --left) {
        steps.push_back(tick(0, waiting(attempt, left)));
    }
    steps.push_back(tick(0, "tick:off connecting time: connect:off =dialing dial"));
    steps.push_back(started(0, h));
    return steps;
}

std::vector<Step> joined(std::initializer_list<std::vector<Step>> parts)
{
    std::vector<Step> steps;
    for (const auto& part : parts) {
        steps.insert(steps.end(), part.begin(), part.end());
    }
    return steps;
}

class DialStateTest : public ::testing::TestWithParam<Sequence> {};

TEST_P(DialStateTest, ReactsAsTheWindowMust)
{
    DialState state;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        EXPECT_EQ(describe(run(state, step)), step.expected) << "step " << index;
        ++index;
    }
    EXPECT_EQ(state.phase(), GetParam().finalPhase);
}

using Phase = DialState::Phase;

INSTANTIATE_TEST_SUITE_P(
    Sequences, DialStateTest,
    ::testing::Values(
        Sequence{"ConnectsCountsAndDisconnects",
                 connectedOn(1, {tick(65, "time: 0 시간 :  1 분 :  5 초"), disconnect(kUserEnd)}), Phase::Idle},
        Sequence{"NoServerSaysSoAndDialsNothing", {connect(false, false, "noServer")}, Phase::Idle},
        Sequence{"RefusedAtOnceIsADialError",
                 {connect(true, false, kDial), started(87, 0, "error:87 hangUp failed time: connect:on =idle")},
                 Phase::Idle},
        Sequence{"ErrorEventEndsTheDial",
                 {connect(true, false, kDial), started(0, 1),
                  event(1, RASCS_Authenticate, 691, "error:691 hangUp failed time: connect:on =idle")},
                 Phase::Idle},
        Sequence{"DisconnectedWithoutErrorIsNoConnection",
                 {connect(true, false, kDial), started(0, 1),
                  event(1, RASCS_Disconnected, 0, "hangUp disconnected time: connect:on =idle"), tick(3, "tick:off")},
                 Phase::Idle},
        Sequence{"SecondConnectDuringADialIsIgnored",
                 {connect(true, false, kDial), started(0, 1), connect(true, false, ""),
                  event(1, RASCS_Connected, 0, kConnected)},
                 Phase::Connected},
        Sequence{"ConnectWhileTheLinkIsUpIsIgnored", connectedOn(1, {connect(true, true, "")}), Phase::Connected},
        // A wrong-password dial cancelled, then a new one: the old 691 arrives late.
        Sequence{"LateEventOfAnEarlierDialIsIgnored",
                 {connect(true, false, kDial), started(0, 1), disconnect(kUserCancel), connect(true, false, kDial),
                  started(0, 2), event(1, RASCS_Authenticate, 691, ""), event(2, RASCS_Connected, 0, kConnected)},
                 Phase::Connected},
        Sequence{
            "DisconnectDuringADialCancelsIt",
            {connect(true, false, kDial), started(0, 1), disconnect(kUserCancel), event(1, RASCS_Connected, 0, "")},
            Phase::Idle},
        // With reconnecting switched off, a drop ends the link for good.
        Sequence{"DropNoticedByTheTick",
                 joined({{autoReconnect(false)},
                         connectedOn(1, {tick(1, "time: 0 시간 :  0 분 :  1 초"), tick({}, kLost)})}),
                 Phase::Idle},
        Sequence{"DropArrivingAsAnEvent",
                 joined({{autoReconnect(false)},
                         connectedOn(1, {event(1, RASCS_Disconnected, 0, kLost), tick(2, "tick:off")})}),
                 Phase::Idle},
        // Enter after a drop the tick has not seen yet: the link is ended, the new dial
        // runs, and the tick no longer reads the new dial as a lost link.
        Sequence{
            "ConnectAfterAnUnnoticedDropStartsAFreshDial",
            connectedOn(1, {connect(true, false, "hangUp tick:off connecting time: connect:off notify =dialing dial"),
                            started(0, 2), tick({}, "tick:off"), event(2, RASCS_Connected, 0, kConnected),
                            connect(true, true, "")}),
            Phase::Connected},
        Sequence{"ClosingMidDialHangsUp",
                 {connect(true, false, kDial), started(0, 1), closing("hangUp tick:off time: connect:on =idle"),
                  event(1, RASCS_Connected, 0, "")},
                 Phase::Idle},
        Sequence{"ClosingWhileIdleHangsUpNothing", {closing("tick:off connect:on")}, Phase::Idle},
        // Every progress state is named in the time line until the dial ends; a failed
        // dial clears the last name as a successful one does.
        Sequence{"ProgressNamesUntilTheDialFails",
                 {connect(true, false, kDial), started(0, 1), event(1, RASCS_OpenPort, 0, "progress:0"),
                  event(1, RASCS_ConnectDevice, 0, "progress:2"), event(1, RASCS_Authenticate, 0, "progress:5"),
                  event(1, RASCS_Authenticate, 691, "error:691 hangUp failed time: connect:on =idle")},
                 Phase::Idle},
        // Ending a connected link by hand is no loss: no notification, the usual status.
        Sequence{"OnlyADropNotifies",
                 joined({{autoReconnect(false)},
                         connectedOn(1, {disconnect(kUserEnd), connect(true, false, kDial), started(0, 2),
                                         event(2, RASCS_Connected, 0, kConnected), tick({}, kLost),
                                         tick({}, "tick:off"), event(2, RASCS_Disconnected, 0, "")})}),
                 Phase::Idle},
        // A drop is dialed again after its pause; once the link is back, a later drop
        // starts from the first attempt again.
        Sequence{"ADropIsDialedAgainAfterItsPause",
                 joined({connectedOn(1, {tick({}, kDropThenWait)}),
                         pauseThenDial(1, 5, 2),
                         {event(2, RASCS_Connected, 0,
                                "save tick:on connected time: disconnect:on notify:reconnected =connected"),
                          event(2, RASCS_Disconnected, 0, kDropThenWait)}}),
                 Phase::Waiting},
        // Each failed attempt waits longer; the third failure ends like any failed dial.
        Sequence{
            "FailedReconnectsWaitLongerThenGiveUp",
            joined({connectedOn(1, {event(1, RASCS_Disconnected, 0, kDropThenWait)}),
                    pauseThenDial(1, 5, 2),
                    {event(2, RASCS_ConnectDevice, 800, failedThenWait(2, 15))},
                    pauseThenDial(2, 15, 3),
                    {event(3, RASCS_Disconnected, 0, failedThenWait(3, 45))},
                    pauseThenDial(3, 45, 4),
                    {event(4, RASCS_ConnectDevice, 800, "error:800 hangUp failed time: connect:on notify:gaveup =idle"),
                     tick(0, "tick:off")}}),
            Phase::Idle},
        // A refused login is not tried again: another try would be refused as well.
        Sequence{"RefusedLoginEndsTheReconnect",
                 joined({connectedOn(1, {tick({}, kDropThenWait)}),
                         pauseThenDial(1, 5, 2),
                         {event(2, RASCS_Authenticate, 691,
                                "error:691 hangUp failed time: connect:on notify:gaveup =idle")}}),
                 Phase::Idle},
        // The user's 접속종료 during the pause ends the wait; so does switching it off.
        Sequence{"DisconnectDuringThePauseEndsTheWait",
                 connectedOn(1, {tick({}, kDropThenWait), tick(0, waiting(1, 4)), disconnect(kUserEnd),
                                 tick(0, "tick:off")}),
                 Phase::Idle},
        Sequence{"SwitchedOffDuringThePauseEndsAsADrop",
                 connectedOn(1, {tick({}, kDropThenWait), autoReconnect(false, "tick:off lost connect:on =idle"),
                                 autoReconnect(true, "")}),
                 Phase::Idle}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
