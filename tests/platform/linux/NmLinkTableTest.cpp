// How the dialer's links meet NetworkManager's list of active connections and the
// signals that come before the reply naming their connection, as tables.

#include "platform/linux/ras/nm/LinkTable.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

using namespace norvanta::platform::ras;
using nm::ActiveVpn;
using nm::Link;
using nm::LinkTable;

constexpr auto kActivating = nm::kActiveActivating;
constexpr auto kActivated = nm::kActiveActivated;

// A link of the table before the look: dialed by this client or found, and how far.
enum class Known { Checking, AwaitingReply, Activating, Connected, Failed };

struct KnownLink {
    ConnectionId id;
    Known known;
    std::string activePath;
};

LinkTable::Entry linkOf(const KnownLink& known)
{
    LinkTable::Entry link;
    link.entryName = "dial " + std::to_string(known.id);
    link.progress = [](RASCONNSTATE, DWORD) {};
    link.activePath = known.activePath;
    if (known.known != Known::Checking) {
        link.state.checksPassed();
        link.state.activationAsked();
    }
    if (known.known == Known::Activating || known.known == Known::Connected) {
        link.state.activationAnswered();
    }
    if (known.known == Known::Connected) {
        link.state.vpnState(nm::kVpnActivated, 0, Link::Clock::now());
        link.state.activeState(kActivated, 0, Link::Clock::now());
    }
    if (known.known == Known::Failed) {
        link.state.fail(ERROR_PPP_TIMEOUT);
    }
    return link;
}

struct ReconcileCase {
    const char* name;
    std::vector<KnownLink> known;
    std::vector<ConnectionId> hungUp; // hung up before the look
    std::vector<ActiveVpn> listed;
    std::vector<std::string> reported; // entry names, in order
    std::size_t found;
    std::vector<ConnectionId> vanished;
};

void PrintTo(const ReconcileCase& c, std::ostream* out)
{
    *out << c.name;
}

class NmLinkTableReconcileTest : public testing::TestWithParam<ReconcileCase> {};

TEST_P(NmLinkTableReconcileTest, ReportsFollowsAndLoses)
{
    const ReconcileCase& c = GetParam();
    LinkTable table;
    for (const KnownLink& known : c.known) {
        table.add(known.id, linkOf(known));
    }
    for (const ConnectionId id : c.hungUp) {
        table.hangUp(id);
    }
    ConnectionId next = 100;
    const auto reconciled = table.reconcile(c.listed, [&next] { return next++; });

    std::vector<std::string> reported;
    for (const auto& connection : reconciled.connections) {
        reported.push_back(connection.entryName);
        EXPECT_EQ(connection.deviceName, "NetworkManager PPTP");
    }
    EXPECT_EQ(reported, c.reported);
    ASSERT_EQ(reconciled.found.size(), c.found);
    for (const ConnectionId id : reconciled.found) {
        ASSERT_NE(table.find(id), nullptr);
        EXPECT_FALSE(table.find(id)->progress) << "a link found reports no events";
    }
    EXPECT_EQ(reconciled.vanished, c.vanished);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, NmLinkTableReconcileTest,
    testing::Values(ReconcileCase{"OwnLinkUpIsReportedOnce",
                                  {{1, Known::Connected, "/A/1"}},
                                  {},
                                  {{"/A/1", "Norvanta", kActivated}},
                                  {"dial 1"},
                                  0,
                                  {}},
                    ReconcileCase{"DialsNotListedYetAreReported",
                                  {{1, Known::Checking, ""}, {2, Known::AwaitingReply, ""}},
                                  {},
                                  {},
                                  {"dial 1", "dial 2"},
                                  0,
                                  {}},
                    ReconcileCase{"LinksOfOthersAreFollowed",
                                  {},
                                  {},
                                  {{"/A/7", "Office", kActivated}, {"/A/8", "Home", kActivating}, {"/A/9", "Gone", 4}},
                                  {"Office", "Home"},
                                  2,
                                  {}},
                    ReconcileCase{
                        "LiveLinkNoLongerListedVanishes",
                        {{1, Known::Connected, "/A/1"}, {2, Known::Activating, "/A/2"}, {3, Known::Failed, "/A/3"}},
                        {},
                        {},
                        {},
                        0,
                        {1, 2}},
                    ReconcileCase{"HungUpLinkStillListedIsNeitherReportedNorFound",
                                  {{1, Known::Connected, "/A/1"}},
                                  {1},
                                  {{"/A/1", "Norvanta", kActivated}},
                                  {},
                                  0,
                                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A hang-up is remembered only until NetworkManager stops listing the connection: the same
// path, listed again later, is a new activation.
TEST(NmLinkTableTest, HangUpIsForgottenOnceTheListNoLongerHasIt)
{
    LinkTable table;
    table.add(1, linkOf({1, Known::Connected, "/A/1"}));
    table.hangUp(1);
    ConnectionId next = 100;
    const std::vector<ActiveVpn> listed{{"/A/1", "Norvanta", kActivated}};
    EXPECT_TRUE(table.reconcile(listed, [&next] { return next++; }).connections.empty());
    EXPECT_TRUE(table.reconcile({}, [&next] { return next++; }).connections.empty());
    EXPECT_EQ(table.reconcile(listed, [&next] { return next++; }).found.size(), 1u);
}

// NetworkManager can signal a new active connection before ActivateConnection's reply names
// it: those signals wait for the reply, in their order, and only while one is awaited.
TEST(NmLinkTableTest, SignalsBeforeTheReplyWaitForIt)
{
    LinkTable table;
    const LinkTable::Signal connect{true, nm::kVpnConnect, 0};
    const LinkTable::Signal activated{false, kActivated, 0};
    EXPECT_EQ(table.signalFor("/A/1", connect), nullptr);
    EXPECT_TRUE(table.takeEarlySignals("/A/1").empty()) << "kept though no reply was awaited";

    table.add(1, linkOf({1, Known::AwaitingReply, ""}));
    for (int i = 0; i < 40; ++i) {
        table.signalFor("/A/1", i == 0 ? connect : activated);
    }
    table.signalFor("/A/2", connect);
    table.find(1)->activePath = "/A/1";
    const auto early = table.takeEarlySignals("/A/1");
    ASSERT_EQ(early.size(), 32u);
    EXPECT_TRUE(early.front().vpn);
    EXPECT_FALSE(early.back().vpn);
    EXPECT_TRUE(table.takeEarlySignals("/A/2").empty()) << "another connection's signals outlived the wait";
    EXPECT_EQ(table.signalFor("/A/1", connect), table.find(1));
}

} // namespace
