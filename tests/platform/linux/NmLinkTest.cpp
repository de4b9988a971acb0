// What NetworkManager's signals make of one dial, as a table: each row is the inputs in
// the order NetworkManager sends them (as seen from the real daemon where noted) and the
// dial events, phase and record changes they must give.

#include "platform/linux/ras/nm/Link.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasErrorText.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <vector>

namespace {

using norvanta::platform::ras::nm::Link;
using namespace norvanta::platform::ras;
using namespace std::chrono_literals;
using Event = Link::Event;
using Phase = Link::Phase;

enum class Input { ChecksPassed, Asked, Answered, Vpn, Active, Fail, Gone };

struct Step {
    Input input;
    std::uint32_t value = 0;  // the state, or the code of Fail and Gone
    std::uint32_t reason = 0; // NMActiveConnectionStateReason
    std::chrono::seconds at{0};
};

constexpr Step kChecks{Input::ChecksPassed};
constexpr Step kAsked{Input::Asked};
constexpr Step kAnswered{Input::Answered};
constexpr Step vpn(std::uint32_t state, std::uint32_t reason = 0, std::chrono::seconds at = 0s)
{
    return {Input::Vpn, state, reason, at};
}
constexpr Step active(std::uint32_t state, std::uint32_t reason = 0)
{
    return {Input::Active, state, reason};
}

// How each dial the rows start begins: checks passed, activation asked and answered.
const std::vector<Event> kStarted{{RASCS_OpenPort, 0}, {RASCS_PortOpened, 0}};
const std::vector<Event> kUpToAuthenticate{{RASCS_ConnectDevice, 0}, {RASCS_Authenticate, 0}};
const std::vector<Event> kUpToProjected{{RASCS_Authenticated, 0}, {RASCS_Projected, 0}};

struct Row {
    const char* name;
    bool found = false; // a link found up (or activating) rather than dialed
    std::vector<Step> steps;
    std::vector<std::vector<Event>> events; // concatenated
    Phase phase;
    bool cameUp = false;
    bool lost = false;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

std::vector<Step> dialed(std::initializer_list<Step> rest)
{
    std::vector<Step> steps{kChecks, kAsked, kAnswered};
    steps.insert(steps.end(), rest);
    return steps;
}

Link::Reaction feed(Link& link, const Step& step)
{
    const Link::Clock::time_point t0{};
    switch (step.input) {
    case Input::ChecksPassed:
        return link.checksPassed();
    case Input::Asked:
        link.activationAsked();
        return {};
    case Input::Answered:
        return link.activationAnswered();
    case Input::Vpn:
        return link.vpnState(step.value, step.reason, t0 + step.at);
    case Input::Active:
        return link.activeState(step.value, step.reason, t0 + step.at);
    case Input::Fail:
        return link.fail(step.value);
    case Input::Gone:
        return link.gone(step.value);
    }
    return {};
}

class NmLinkTest : public ::testing::TestWithParam<Row> {};

TEST_P(NmLinkTest, SignalsGiveTheirEvents)
{
    const Row& row = GetParam();
    Link link = row.found ? Link::found(false) : Link(20s);
    std::vector<Event> events;
    bool cameUp = false;
    bool lost = false;
    for (const Step& step : row.steps) {
        const Link::Reaction reaction = feed(link, step);
        events.insert(events.end(), reaction.events.begin(), reaction.events.end());
        // Each happens once, and only to a link that was not yet up or lost.
        EXPECT_FALSE(cameUp && reaction.cameUp);
        EXPECT_FALSE(lost && reaction.lost);
        cameUp = cameUp || reaction.cameUp;
        lost = lost || reaction.lost;
    }
    std::vector<Event> expected;
    for (const auto& part : row.events) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(events, expected);
    EXPECT_EQ(link.phase(), row.phase);
    EXPECT_EQ(cameUp, row.cameUp);
    EXPECT_EQ(lost, row.lost);
    for (const Event& event : events) {
        if (event.error != 0) {
            EXPECT_TRUE(knownErrorText(event.error).has_value()) << event.error;
        }
    }
}

const Row kRows[] = {
    {"UpWhenBothSayActivated",
     false,
     dialed({vpn(nm::kVpnPrepare), vpn(nm::kVpnConnect), vpn(nm::kVpnIpConfigGet), active(nm::kActiveActivated),
             vpn(nm::kVpnActivated)}),
     {kStarted, kUpToAuthenticate, kUpToProjected, {{RASCS_Connected, 0}}},
     Phase::Connected,
     true},
    // The real daemon sends the VPN's 5 before the active connection's 2.
    {"VpnActivatedAloneIsNotUp",
     false,
     dialed({vpn(nm::kVpnConnect), vpn(nm::kVpnIpConfigGet), vpn(nm::kVpnActivated)}),
     {kStarted, kUpToAuthenticate, kUpToProjected},
     Phase::Activating},
    {"ActiveLastBringsItUp",
     false,
     dialed({vpn(nm::kVpnActivated), active(nm::kActiveActivated)}),
     {kStarted, {{RASCS_ConnectDevice, 0}, {RASCS_Authenticate, 0}}, kUpToProjected, {{RASCS_Connected, 0}}},
     Phase::Connected,
     true},
    {"StepsAreReportedOnce",
     false,
     dialed({vpn(nm::kVpnIpConfigGet), vpn(nm::kVpnConnect), vpn(nm::kVpnIpConfigGet)}),
     {kStarted, kUpToAuthenticate, kUpToProjected},
     Phase::Activating},
    // Real: taken down from outside while connecting, NetworkManager 1.42 still sends a
    // VPN state 5 after the active connection said it was going away.
    {"TakenDownWhileConnectingIsNeverUp",
     false,
     dialed({vpn(nm::kVpnConnect), active(nm::kActiveDeactivating, 2), vpn(nm::kVpnActivated),
             active(nm::kActiveActivated)}),
     {kStarted, kUpToAuthenticate, {{RASCS_Authenticate, ERROR_USER_DISCONNECTION}}},
     Phase::Failed},
    // Real: a refused password and a server without MPPE end within seconds of CONNECT.
    {"QuickFailureAfterConnectIsTheLink",
     false,
     dialed({vpn(nm::kVpnConnect, 0, 0s), vpn(nm::kVpnFailed, 0, 5s)}),
     {kStarted, kUpToAuthenticate, {{RASCS_Authenticate, kErrorNmLinkFailed}}},
     Phase::Failed},
    // Real: GRE dropped on the way; pppd gives up about 32 s after CONNECT.
    {"FailureAfterTheGreSilenceIsGreBlocked",
     false,
     dialed({vpn(nm::kVpnConnect, 0, 0s), vpn(nm::kVpnFailed, 0, 32s), vpn(nm::kVpnDisconnected, 4, 32s)}),
     {kStarted, kUpToAuthenticate, {{RASCS_Authenticate, ERROR_VPN_GRE_BLOCKED}}},
     Phase::Failed},
    {"FailureBeforeConnect",
     false,
     dialed({vpn(nm::kVpnPrepare), vpn(nm::kVpnDisconnected, 4)}),
     {kStarted, {{RASCS_PortOpened, kErrorNmPluginStopped}}},
     Phase::Failed},
    {"FailedCheckEndsAtTheFirstStep",
     false,
     {{Input::Fail, kErrorNmNoPppKernel}, kChecks, kAsked, vpn(nm::kVpnConnect)},
     {{{RASCS_OpenPort, kErrorNmNoPppKernel}}},
     Phase::Failed},
    {"RefusedActivation",
     false,
     {kChecks, kAsked, {Input::Fail, kErrorNmPluginMissing}, kAnswered},
     {{{RASCS_OpenPort, 0}, {RASCS_OpenPort, kErrorNmPluginMissing}}},
     Phase::Failed},
    {"NetworkManagerGoneWhileActivating",
     false,
     dialed({vpn(nm::kVpnConnect), {Input::Gone, kErrorNmUnavailable}}),
     {kStarted, kUpToAuthenticate, {{RASCS_Authenticate, kErrorNmUnavailable}}},
     Phase::Failed},
    {"EndedFromOutsideWhenUpIsLost",
     false,
     dialed({vpn(nm::kVpnActivated),
             active(nm::kActiveActivated),
             vpn(nm::kVpnDisconnected, 2),
             {Input::Gone, kErrorNmUnavailable},
             {Input::Fail, ERROR_PPP_TIMEOUT}}),
     {kStarted, kUpToAuthenticate, kUpToProjected, {{RASCS_Connected, 0}}},
     Phase::Lost,
     true,
     true},
    {"ActiveGoingAwayWhenUpIsLost",
     false,
     dialed({vpn(nm::kVpnActivated), active(nm::kActiveActivated), active(nm::kActiveDeactivating, 2)}),
     {kStarted, kUpToAuthenticate, kUpToProjected, {{RASCS_Connected, 0}}},
     Phase::Lost,
     true,
     true},
    // A link another run of the client started: followed, but its dial is not reported.
    {"FoundActivatingComesUpUnreported",
     true,
     {vpn(nm::kVpnActivated), active(nm::kActiveActivated)},
     {},
     Phase::Connected,
     true},
    {"FoundActivatingFailsUnreported", true, {active(nm::kActiveDeactivated, 2)}, {}, Phase::Failed},
};

INSTANTIATE_TEST_SUITE_P(Table, NmLinkTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
