// The dialing code against the simulated remote-access service, chosen and configured
// through the environment as a user would.

#include "ras/RasDialNotifier.h"
#include "ras/RasDialer.h"

#include "platform/ras/RasLayerTesting.h"
#include "tests/ras/RasTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include "tests/support/TempSettingsHome.h"

namespace {

using namespace norvanta::ras::testing;
using norvanta::ras::kVpnDeviceType;
using norvanta::ras::kVpnEntryName;
using norvanta::testsupport::TempSettingsHome;
using ::testing::ElementsAre;

void logEvent(HRASCONN, RASCONNSTATE state, DWORD error)
{
    EventLog::instance().record(state, error);
}

class RasSimulationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EventLog::instance().clear();
        norvanta::ras::setDialEventSink(logEvent);
        norvanta::platform::ras::resetRasLayerForTesting();
    }

    void TearDown() override
    {
        norvanta::platform::ras::resetRasLayerForTesting();
        norvanta::ras::setDialEventSink(nullptr);
    }

    DWORD writeEntry() { return WriteVpnEntry(kVpnEntryName, kVpnDeviceType, "", RASNP_Ip, RASFP_Ppp, "", ""); }

    DWORD dial(const std::string& server, const std::string& user, const std::string& password)
    {
        return dialer.Dial(kVpnEntryName, RasDialNotifier, server, user, password, "", "");
    }

    std::uint32_t connectedMs()
    {
        RAS_STATS stats{};
        stats.dwSize = sizeof stats;
        return RasGetConnectionStatistics(dialer.Handle(), &stats) == 0 ? stats.dwConnectDuration : 0;
    }

    TempSettingsHome home;
    ScopedEnv provider{"NORVANTA_VPN_RAS", "sim"};
    ScopedEnv step{"NORVANTA_VPN_SIM_STEP_MS", "0"};
    ScopedEnv accounts{"NORVANTA_VPN_SIM_ACCOUNTS", "kim:s3cret:x,lee:pw"};
    ScopedEnv unreachable{"NORVANTA_VPN_SIM_UNREACHABLE", "127.0.0.2"};
    ScopedEnv dropFile{"NORVANTA_VPN_SIM_DROP_FILE", (home.path() / "drop").string()};
    ScopedEnv configFile{"NORVANTA_VPN_SIM_CONFIG", std::nullopt};
    ScopedEnv dropAfter{"NORVANTA_VPN_SIM_DROP_AFTER_MS", std::nullopt};
    CRasDialer dialer;
};

TEST_F(RasSimulationTest, DialConnectsCountsDropsAndHangsUp)
{
    ASSERT_EQ(writeEntry(), 0u);
    ASSERT_EQ(dial("127.0.0.1", "kim", "s3cret:x"), 0u);

    const auto events = EventLog::instance().waitForOutcome();
    EXPECT_THAT(statesOf(events), ElementsAre(0, 1, 2, 3, 4, 5, 14, 18, 0x2000));
    for (const auto& event : events) {
        EXPECT_EQ(event.error, 0u);
        EXPECT_NE(event.thread, std::this_thread::get_id());
    }
    ASSERT_EQ(dialer.IsConnected(), 1);

    const std::uint32_t first = connectedMs();
    EXPECT_TRUE(eventually([&] { return connectedMs() > first; }));

    HRASCONN listed = nullptr;
    EXPECT_EQ(FindConnectionByEntry(kVpnEntryName, listed), 1);
    EXPECT_EQ(listed, dialer.Handle());

    writeFile(home.path() / "drop", "");
    EXPECT_TRUE(eventually([&] { return dialer.IsConnected() == 0; }));
    std::int32_t seconds = -7;
    EXPECT_EQ(dialer.GetConnectSeconds(seconds), -1);
    EXPECT_EQ(seconds, -7);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "drop"));

    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 1);
    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 0);
}

struct FailureCase {
    const char* name;
    const char* server;
    const char* user;
    const char* password;
    DWORD failedState;
    DWORD error;
};

class DialFailureTest : public RasSimulationTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DialFailureTest, EndsWithAnErrorEventAndNoLink)
{
    const FailureCase& failure = GetParam();
    ASSERT_EQ(writeEntry(), 0u);
    ASSERT_EQ(dial(failure.server, failure.user, failure.password), 0u);

    const auto events = EventLog::instance().waitForOutcome();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().state, failure.failedState);
    EXPECT_EQ(events.back().error, failure.error);
    EXPECT_EQ(dialer.IsConnected(), 0);

    char text[256] = {};
    EXPECT_EQ(RasGetErrorStringA(failure.error, text, sizeof text), 0u);
    EXPECT_GT(std::strlen(text), 10u);

    // As after a failed dial on Windows, the handle still names the dial until hung up.
    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 1);
    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DialFailureTest,
    ::testing::Values(FailureCase{"WrongPassword", "127.0.0.1", "kim", "wrong", RASCS_Authenticate, 691},
                      FailureCase{"UnknownUser", "127.0.0.1", "park", "pw", RASCS_Authenticate, 691},
                      FailureCase{"EmptyUser", "127.0.0.1", "", "", RASCS_Authenticate, 691},
                      FailureCase{"UnresolvableName", "nothing.invalid", "lee", "pw", RASCS_ConnectDevice, 868},
                      FailureCase{"UnreachableAddress", "127.0.0.2", "lee", "pw", RASCS_ConnectDevice, 800}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RasSimulationTest, KoreanAccountFromTheEnvironmentMatchesTypedCp949)
{
    // The variable is UTF-8; the dialog hands over what was typed as CP949 ("김똠" / "암호햏").
    const ScopedEnv korean{"NORVANTA_VPN_SIM_ACCOUNTS", "김똠:암호햏"};
    ASSERT_EQ(writeEntry(), 0u);
    ASSERT_EQ(dial("127.0.0.1", "\xB1\xE8\x8C\x63", "\xBE\xCF\xC8\xA3\xC1\x64"), 0u);
    EXPECT_EQ(EventLog::instance().waitForOutcome().back().state, RASCS_Connected);
}

TEST_F(RasSimulationTest, LinkDropsAfterTheConfiguredTime)
{
    ScopedEnv drop{"NORVANTA_VPN_SIM_DROP_AFTER_MS", "20"};
    norvanta::platform::ras::resetRasLayerForTesting();
    ASSERT_EQ(writeEntry(), 0u);
    ASSERT_EQ(dial("localhost", "lee", "pw"), 0u);
    ASSERT_EQ(EventLog::instance().waitForOutcome().back().state, RASCS_Connected);

    EXPECT_TRUE(eventually([&] { return dialer.IsConnected() == 0; }));
    HRASCONN listed = nullptr;
    EXPECT_EQ(FindConnectionByEntry(kVpnEntryName, listed), 0);
}

TEST_F(RasSimulationTest, SignalDropsTheLink)
{
    ASSERT_EQ(writeEntry(), 0u);
    ASSERT_EQ(dial("127.0.0.1", "lee", "pw"), 0u);
    ASSERT_EQ(EventLog::instance().waitForOutcome().back().state, RASCS_Connected);
    ASSERT_EQ(dialer.IsConnected(), 1);

    norvanta::testsupport::requestSimulatedLinkDrop();
    EXPECT_TRUE(eventually([&] { return dialer.IsConnected() == 0; }));
}

// The entry outlives the program: a later run finds it and leaves a user's edits alone.
TEST_F(RasSimulationTest, EntryPersistsAcrossRunsAndEditsAreKept)
{
    ASSERT_EQ(writeEntry(), 0u);
    const auto phonebook = home.path() / "Norvanta VPN" / "rasphone.pbk";
    ASSERT_TRUE(std::filesystem::exists(phonebook));
    std::string edited = readFile(phonebook);
    edited.replace(edited.find("RedialCount=3"), 13, "RedialCount=9");
    writeFile(phonebook, edited);

    norvanta::platform::ras::resetRasLayerForTesting();
    EXPECT_EQ(writeEntry(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(readFile(phonebook), edited);
}

TEST_F(RasSimulationTest, DialWithoutTheEntryIsRefused)
{
    EXPECT_EQ(dial("127.0.0.1", "lee", "pw"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(dialer.Handle(), nullptr);
}

// The default is the NetworkManager dialer; with no NetworkManager to reach it fails the
// dial with an error event that says so, never a connection. The system bus is pointed
// at nothing so the test does not depend on the machine it runs on.
TEST_F(RasSimulationTest, DefaultProviderFailsHonestly)
{
    ScopedEnv unset{"NORVANTA_VPN_RAS", std::nullopt};
    ScopedEnv noBus{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/norvanta-test-bus"};
    norvanta::platform::ras::resetRasLayerForTesting();
    ASSERT_EQ(dial("127.0.0.1", "lee", "pw"), 0u);

    const auto events = EventLog::instance().waitForOutcome();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events.back().error, 0u);
    EXPECT_EQ(dialer.IsConnected(), 0);
    char text[256] = {};
    ASSERT_EQ(RasGetErrorStringA(events.back().error, text, sizeof text), 0u);
    EXPECT_THAT(text, ::testing::HasSubstr(norvanta::testsupport::systemDialerFailureHint()));
    EXPECT_THAT(text, ::testing::HasSubstr("NORVANTA_VPN_RAS=sim"));
}

} // namespace
