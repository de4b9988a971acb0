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
    enum Kind { Connect, Started, Event, Tick, Disconnect, Close } kind;
    DWORD a = 0; // Connect: have a server; Started: result; Event: state; Tick: seconds
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
Step disconnect(std::string expected) { return {Step::Disconnect, 0, 0, 0, false, std::move(expected)}; }
Step closing(std::string expected) { return {Step::Close, 0, 0, 0, false, std::move(expected)}; }

const char* const phaseWords[] = {"=idle", "=dialing", "=connected"};

// One word per part of the reaction, in the order the window applies them.
std::string describe(const DialState::Reaction& r)
{
    std::string words;
    auto add = [&words](const std::string& word) { words += (words.empty() ? "" : " ") + word; };
    if (r.showNoServer) add("noServer");
    if (r.showError) add("error:" + std::to_string(*r.showError));
    if (r.hangUp) add("hangUp");
    if (r.saveCredentials) add("save");
    if (r.tickRunning) add(*r.tickRunning ? "tick:on" : "tick:off");
    if (r.status == text::kConnecting) add("connecting");
    if (r.status == text::kConnected) add("connected");
    if (r.status == text::kDisconnected) add("disconnected");
    if (r.status == text::kDialFailed) add("failed");
    if (r.status == text::kLinkLost) add("lost");
    if (r.timeText) add("time:" + *r.timeText);
    if (r.progress) add("progress:" + std::to_string(*r.progress));
    if (r.connectEnabled) add(*r.connectEnabled ? "connect:on" : "connect:off");
    if (r.disconnectEnabled) add(*r.disconnectEnabled ? "disconnect:on" : "disconnect:off");
    if (r.notifyLinkLost) add("notify");
    if (r.phaseChanged) add(phaseWords[static_cast<int>(*r.phaseChanged)]);
    if (r.startDial) add("dial");
    return words;
}

DialState::Reaction run(DialState& state, const Step& step)
{
    switch (step.kind) {
    case Step::Connect: return state.connectPressed(step.a != 0, step.b != 0);
    case Step::Started: return state.dialStarted(step.a, handle(step.b));
    case Step::Event: return state.dialEvent(handle(step.b), step.a, step.c);
    case Step::Tick: return state.tick(step.linkGone ? std::nullopt : std::optional<std::int32_t>(step.a));
    case Step::Disconnect: return state.disconnectPressed();
    case Step::Close: return state.windowClosing();
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
                 {connect(true, false, kDial), started(87, 0, "error:87 hangUp failed time: connect:on =idle")}, Phase::Idle},
        Sequence{"ErrorEventEndsTheDial",
                 {connect(true, false, kDial), started(0, 1),
                  event(1, RASCS_Authenticate, 691, "error:691 hangUp failed time: connect:on =idle")},
                 Phase::Idle},
        Sequence{"DisconnectedWithoutErrorIsNoConnection",
                 {connect(true, false, kDial), started(0, 1), event(1, RASCS_Disconnected, 0, "hangUp disconnected time: connect:on =idle"),
                  tick(3, "tick:off")},
                 Phase::Idle},
        Sequence{"SecondConnectDuringADialIsIgnored",
                 {connect(true, false, kDial), started(0, 1), connect(true, false, ""), event(1, RASCS_Connected, 0, kConnected)},
                 Phase::Connected},
        Sequence{"ConnectWhileTheLinkIsUpIsIgnored", connectedOn(1, {connect(true, true, "")}), Phase::Connected},
        // A wrong-password dial cancelled, then a new one: the old 691 arrives late.
        Sequence{"LateEventOfAnEarlierDialIsIgnored",
                 {connect(true, false, kDial), started(0, 1), disconnect(kUserCancel), connect(true, false, kDial), started(0, 2),
                  event(1, RASCS_Authenticate, 691, ""), event(2, RASCS_Connected, 0, kConnected)},
                 Phase::Connected},
        Sequence{"DisconnectDuringADialCancelsIt",
                 {connect(true, false, kDial), started(0, 1), disconnect(kUserCancel), event(1, RASCS_Connected, 0, "")},
                 Phase::Idle},
        Sequence{"DropNoticedByTheTick", connectedOn(1, {tick(1, "time: 0 시간 :  0 분 :  1 초"), tick({}, kLost)}),
                 Phase::Idle},
        Sequence{"DropArrivingAsAnEvent", connectedOn(1, {event(1, RASCS_Disconnected, 0, kLost), tick(2, "tick:off")}),
                 Phase::Idle},
        // Enter after a drop the tick has not seen yet: the link is ended, the new dial
        // runs, and the tick no longer reads the new dial as a lost link.
        Sequence{"ConnectAfterAnUnnoticedDropStartsAFreshDial",
                 connectedOn(1, {connect(true, false, "hangUp tick:off connecting time: connect:off notify =dialing dial"), started(0, 2),
                                 tick({}, "tick:off"), event(2, RASCS_Connected, 0, kConnected), connect(true, true, "")}),
                 Phase::Connected},
        Sequence{"ClosingMidDialHangsUp",
                 {connect(true, false, kDial), started(0, 1), closing("hangUp tick:off time: connect:on =idle"), event(1, RASCS_Connected, 0, "")},
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
                 connectedOn(1, {disconnect(kUserEnd), connect(true, false, kDial), started(0, 2),
                                 event(2, RASCS_Connected, 0, kConnected), tick({}, kLost), tick({}, "tick:off"),
                                 event(2, RASCS_Disconnected, 0, "")}),
                 Phase::Idle}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
