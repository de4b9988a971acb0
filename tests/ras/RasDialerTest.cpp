#include "ras/RasDialer.h"

#include "platform/ras/RasLayerTesting.h"
#include "tests/ras/RasTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace norvanta::platform::ras;
// Named outright: <ras.h> on Windows brings a global ConnectionId (a GUID) along.
using norvanta::platform::ras::ConnectionId;
using norvanta::ras::kVpnDeviceType;
using norvanta::ras::kVpnEntryName;
using norvanta::ras::testing::EventLog;

// What the fake provider saw and what it is to answer; owned by the test, so it stays
// readable after the provider went into the layer.
struct FakeService {
    DWORD validateResult = 0;
    int setCalls = 0;
    std::string setEntryName;
    std::string setPhonebook;
    EntrySettings setSettings;
    DWORD dialResult = 0;
    std::vector<DialRequest> dials;
    std::vector<ConnectionId> dialIds;
    std::vector<ActiveConnection> active;
    std::set<ConnectionId> hungUp;
    std::map<ConnectionId, std::uint32_t> upForMs;
    int statisticsCalls = 0;
};

class FakeRasProvider : public RasProvider {
public:
    explicit FakeRasProvider(FakeService& service) : m_service(service) {}

    DWORD validateEntryName(const std::string&, const std::string&) override { return m_service.validateResult; }
    DWORD setEntryProperties(const std::string& phonebook, const std::string& entryName,
                             const EntrySettings& settings) override
    {
        ++m_service.setCalls;
        m_service.setPhonebook = phonebook;
        m_service.setEntryName = entryName;
        m_service.setSettings = settings;
        return 0;
    }
    DWORD dial(ConnectionId id, const DialRequest& request, ProgressCallback) override
    {
        m_service.dials.push_back(request);
        if (m_service.dialResult == 0) {
            m_service.dialIds.push_back(id);
        }
        return m_service.dialResult;
    }
    DWORD hangUp(ConnectionId id) override
    {
        const bool known = std::count(m_service.dialIds.begin(), m_service.dialIds.end(), id) != 0
                           || std::any_of(m_service.active.begin(), m_service.active.end(),
                                          [id](const auto& connection) { return connection.id == id; });
        return known && m_service.hungUp.insert(id).second ? 0 : ERROR_INVALID_HANDLE;
    }
    std::vector<ActiveConnection> enumerate() override { return m_service.active; }
    DWORD statistics(ConnectionId id, LinkStatistics& statistics) override
    {
        ++m_service.statisticsCalls;
        if (m_service.hungUp.contains(id) || !m_service.upForMs.contains(id)) {
            return m_service.hungUp.contains(id) ? ERROR_INVALID_HANDLE : ERROR_NO_CONNECTION;
        }
        statistics.connectDurationMs = m_service.upForMs.at(id);
        return 0;
    }

private:
    FakeService& m_service;
};

class RasDialerTest : public ::testing::Test {
protected:
    void SetUp() override { setRasProviderForTesting(std::make_unique<FakeRasProvider>(service)); }
    void TearDown() override { resetRasLayerForTesting(); }

    DWORD dial(const std::string& server, const std::string& user = "user", const std::string& password = "pw")
    {
        return dialer.Dial(kVpnEntryName, EventLog::notifier, server, user, password, "", "");
    }

    ConnectionId heldId() const { return static_cast<ConnectionId>(reinterpret_cast<std::uintptr_t>(dialer.Handle())); }

    FakeService service;
    CRasDialer dialer;
};

TEST_F(RasDialerTest, FirstWriteCreatesThePptpFirstVpnEntry)
{
    EXPECT_EQ(WriteVpnEntry(kVpnEntryName, kVpnDeviceType, "", RASNP_Ip, RASFP_Ppp, "", ""), 0u);

    ASSERT_EQ(service.setCalls, 1);
    EXPECT_EQ(service.setEntryName, "Norvanta VPN Service");
    EXPECT_EQ(service.setPhonebook, "");
    const EntrySettings& entry = service.setSettings;
    EXPECT_EQ(entry.options, 0x0F100510u);
    EXPECT_EQ(entry.options2, 4u);
    EXPECT_EQ(entry.type, 2u);
    EXPECT_EQ(entry.netProtocols, 4u);
    EXPECT_EQ(entry.framingProtocol, 1u);
    EXPECT_EQ(entry.encryptionType, 3u);
    EXPECT_EQ(entry.vpnStrategy, 2u);
    EXPECT_EQ(entry.redialCount, 3u);
    EXPECT_EQ(entry.redialPause, 60u);
    EXPECT_EQ(entry.deviceType, "vpn");
    EXPECT_EQ(entry.deviceName, "");
    EXPECT_EQ(entry.localPhoneNumber, "");
}

TEST_F(RasDialerTest, ExistingEntryIsNeverRewritten)
{
    service.validateResult = ERROR_ALREADY_EXISTS;
    EXPECT_EQ(WriteVpnEntry(kVpnEntryName, kVpnDeviceType, "", RASNP_Ip, RASFP_Ppp, "", ""), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(service.setCalls, 0);
}

// Only 183 stops the write; any other validation failure still tries to create the entry.
TEST_F(RasDialerTest, OtherValidationFailuresStillWrite)
{
    service.validateResult = ERROR_CANNOT_OPEN_PHONEBOOK;
    EXPECT_EQ(WriteVpnEntry(kVpnEntryName, kVpnDeviceType, "", RASNP_Ip, RASFP_Ppp, "", ""), 0u);
    EXPECT_EQ(service.setCalls, 1);
}

TEST_F(RasDialerTest, DifferentServersOnlyChangeThePhoneNumber)
{
    ASSERT_EQ(dial("vpn1.example"), 0u);
    ASSERT_EQ(dial("10.1.2.3"), 0u);

    ASSERT_EQ(service.dials.size(), 2u);
    const DialRequest& first = service.dials[0];
    const DialRequest& second = service.dials[1];
    EXPECT_EQ(first.phoneNumber, "vpn1.example");
    EXPECT_EQ(second.phoneNumber, "10.1.2.3");
    for (const DialRequest* request : {&first, &second}) {
        EXPECT_EQ(request->entryName, "Norvanta VPN Service");
        EXPECT_EQ(request->userName, "user");
        EXPECT_EQ(request->password, "pw");
        EXPECT_EQ(request->domain, "");
        EXPECT_EQ(request->phonebook, "");
    }
}

TEST_F(RasDialerTest, RefusedDialLeavesNoHandle)
{
    ASSERT_EQ(dial("vpn1.example"), 0u);
    ASSERT_NE(dialer.Handle(), nullptr);
    service.dialResult = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    EXPECT_EQ(dial("vpn1.example"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(dialer.Handle(), nullptr);
}

TEST_F(RasDialerTest, NeverDialedIsNotConnected)
{
    EXPECT_EQ(dialer.IsConnected(), 0);
    std::int32_t seconds = 77;
    EXPECT_EQ(dialer.GetConnectSeconds(seconds), -1);
    EXPECT_EQ(seconds, 77);
}

TEST_F(RasDialerTest, HangUpLeavesAStaleHandle)
{
    ASSERT_EQ(dial("vpn1.example"), 0u);
    service.upForMs[heldId()] = 5000;
    ASSERT_EQ(dialer.IsConnected(), 1);

    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 1);
    EXPECT_NE(dialer.Handle(), nullptr);
    EXPECT_EQ(dialer.IsConnected(), 0);
    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 0);
}

struct SecondsCase {
    std::uint32_t milliseconds;
    std::int32_t seconds;
};

class ConnectSecondsTest : public RasDialerTest, public ::testing::WithParamInterface<SecondsCase> {};

TEST_P(ConnectSecondsTest, MillisecondsAreCutToWholeSeconds)
{
    ASSERT_EQ(dial("vpn1.example"), 0u);
    service.upForMs[heldId()] = GetParam().milliseconds;
    std::int32_t seconds = -5;
    EXPECT_EQ(dialer.GetConnectSeconds(seconds), 0);
    EXPECT_EQ(seconds, GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Durations, ConnectSecondsTest,
                         ::testing::Values(SecondsCase{0, 0}, SecondsCase{999, 0}, SecondsCase{59'999, 59},
                                           SecondsCase{60'000, 60}, SecondsCase{3'725'000, 3725},
                                           SecondsCase{4'294'967'295u, 4'294'967}));

class HangUpByNameTest : public RasDialerTest {
protected:
    ConnectionId activate(const std::string& name)
    {
        const ConnectionId id = nextConnectionId();
        service.active.push_back(ActiveConnection{id, name, "", ""});
        return id;
    }
};

TEST_F(HangUpByNameTest, FindsTheEntryIgnoringLetterCase)
{
    activate("Other VPN");
    const ConnectionId ours = activate("NORVANTA vpn service");

    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 1);
    EXPECT_THAT(service.hungUp, ::testing::ElementsAre(ours));
    EXPECT_EQ(dialer.Handle(), nullptr);
}

TEST_F(HangUpByNameTest, LastMatchWins)
{
    activate("Norvanta VPN Service");
    const ConnectionId last = activate("norvanta vpn service");

    HRASCONN found = nullptr;
    ASSERT_EQ(FindConnectionByEntry(kVpnEntryName, found), 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(found), last);
}

TEST_F(HangUpByNameTest, NoMatchingConnectionHangsUpNothing)
{
    activate("Other VPN");
    EXPECT_EQ(HangUpConnection(dialer, kVpnEntryName), 0);
    EXPECT_TRUE(service.hungUp.empty());

    HRASCONN found = nullptr;
    EXPECT_EQ(FindConnectionByEntry(kVpnEntryName, found), 0);
    EXPECT_EQ(found, nullptr);
}

// In CP949 the trail byte of a Hangul character may be an ASCII letter; 0xB0 0x41 and
// 0xB0 0x61 are different characters and must not be folded into one.
TEST_F(HangUpByNameTest, HangulTrailBytesAreNotCaseFolded)
{
    activate("VPN \xB0\x61");
    HRASCONN found = nullptr;
    EXPECT_EQ(FindConnectionByEntry("vpn \xB0\x41", found), 0);
    EXPECT_EQ(FindConnectionByEntry("vpn \xB0\x61", found), 1);
}

// Every text goes into a fixed field; one byte more than the field holds is refused with
// 87 before the service is asked, and the width itself is accepted.
struct FieldCase {
    const char* field;
    std::size_t width;
};

class OverlongFieldTest : public RasDialerTest, public ::testing::WithParamInterface<FieldCase> {
protected:
    DWORD dialWith(std::size_t length)
    {
        std::string entry = kVpnEntryName;
        std::string server = "vpn1.example";
        std::string user = "user";
        std::string password = "pw";
        std::string domain;
        const std::string field = GetParam().field;
        std::string& text = field == "entry"      ? entry
                            : field == "phone"    ? server
                            : field == "user"     ? user
                            : field == "password" ? password
                                                  : domain;
        text.assign(length, 'x');
        return dialer.Dial(entry, EventLog::notifier, server, user, password, domain, "");
    }
};

TEST_P(OverlongFieldTest, DialRefusesTextsLongerThanTheirField)
{
    EXPECT_EQ(dialWith(GetParam().width + 1), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(service.dials.empty());
    EXPECT_EQ(dialer.Handle(), nullptr);

    EXPECT_EQ(dialWith(GetParam().width), 0u);
    ASSERT_EQ(service.dials.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Fields, OverlongFieldTest,
                         ::testing::Values(FieldCase{"entry", 256}, FieldCase{"phone", 128}, FieldCase{"user", 256},
                                           FieldCase{"password", 256}, FieldCase{"domain", 15}),
                         [](const auto& info) { return std::string(info.param.field); });

TEST_F(RasDialerTest, EntryRefusesTextsLongerThanTheirField)
{
    const std::string entry = kVpnEntryName;
    EXPECT_EQ(WriteVpnEntry(std::string(257, 'e'), "vpn", "", 4, 1, "", ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WriteVpnEntry(entry, std::string(17, 't'), "", 4, 1, "", ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WriteVpnEntry(entry, "vpn", std::string(129, 'n'), 4, 1, "", ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WriteVpnEntry(entry, "vpn", "", 4, 1, std::string(129, '1'), ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(service.setCalls, 0);

    EXPECT_EQ(WriteVpnEntry(entry, std::string(16, 't'), std::string(128, 'n'), 4, 1, std::string(128, '1'), ""), 0u);
    EXPECT_EQ(service.setCalls, 1);
}

// A NUL inside a text would silently cut it at the copy; it is refused like an over-long one.
TEST_F(RasDialerTest, EmbeddedNulIsRefused)
{
    EXPECT_EQ(dial("vpn1.example", "user", std::string("pass\0word", 9)), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(service.dials.empty());
}

} // namespace
