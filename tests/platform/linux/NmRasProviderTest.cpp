// The NetworkManager dialer against a fake NetworkManager on a private bus.

#include "platform/linux/ras/nm/InterfaceCounters.h"
#include "platform/linux/ras/nm/LinkRecord.h"
#include "platform/linux/ras/nm/Preflight.h"
#include "platform/linux/ras/NmRasProvider.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasErrorText.h"
#include "platform/ras/RasLayer.h"
#include "tests/platform/linux/NmFakeNetworkManager.h"
#include "tests/support/Patience.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <pwd.h>

namespace {

using namespace norvanta::platform::ras;
using norvanta::nmtest::NmFakeNetworkManager;
using norvanta::nmtest::PptpPort;
using norvanta::platform::LinkDetails;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const auto kPatience = norvanta::testsupport::scaled(std::chrono::seconds(30));
using norvanta::testsupport::eventually;
constexpr char kEntry[] = "Norvanta VPN Service";

// The dial events of one test.
class Events {
public:
    ProgressCallback callback()
    {
        return [this](RASCONNSTATE state, DWORD error) {
            {
                const std::lock_guard lock(m_mutex);
                m_events.emplace_back(static_cast<DWORD>(state), error);
            }
            m_changed.notify_all();
        };
    }

    // The events once the dial reached its outcome (or all there are after kPatience).
    std::vector<std::pair<DWORD, DWORD>> outcome()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [this] {
            return !m_events.empty() && (m_events.back().second != 0 || m_events.back().first == RASCS_Connected);
        });
        return m_events;
    }

    std::vector<std::pair<DWORD, DWORD>> all()
    {
        const std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::pair<DWORD, DWORD>> m_events;
};

class TempRoot {
public:
    TempRoot()
    {
        char pattern[] = "/tmp/norvanta-nm-root-XXXXXX";
        m_path = ::mkdtemp(pattern);
    }
    ~TempRoot()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }
    void add(const std::filesystem::path& relative, const std::string& content = "")
    {
        std::filesystem::create_directories((m_path / relative).parent_path());
        std::ofstream(m_path / relative) << content;
    }

private:
    std::filesystem::path m_path;
};

EntrySettings vpnEntry()
{
    EntrySettings settings;
    settings.options = 0x0F100510;
    settings.options2 = RASEO2_DontNegotiateMultilink;
    settings.type = RASET_Vpn;
    settings.netProtocols = RASNP_Ip;
    settings.framingProtocol = RASFP_Ppp;
    settings.encryptionType = ET_Optional;
    settings.vpnStrategy = VS_PptpFirst;
    settings.redialCount = 3;
    settings.redialPause = 60;
    settings.deviceType = "vpn";
    return settings;
}

std::string textOf(DWORD code)
{
    return knownErrorText(code).value_or("");
}

class NmRasProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root.add("sys/module/ppp_generic/refcnt");
        m_root.add("sys/module/ppp_mppe/refcnt");
        ASSERT_TRUE(m_fake.ready()) << m_fake.log();
        ASSERT_NE(m_listener.port(), 0);
        m_options.pptpPort = m_listener.port();
        m_options.systemRoot = m_root.path();
        m_options.linkRecord = m_root.path() / "link";
        // Sanitizer builds and a Python fake are slow; these only bound a failure.
        m_options.callTimeout = std::chrono::seconds(5);
        m_options.callerWait = std::chrono::seconds(10);
        m_provider = std::make_unique<NmRasProvider>(m_options);
    }

    void restart() { m_provider = std::make_unique<NmRasProvider>(m_options); }

    void writeEntry() { ASSERT_EQ(m_provider->setEntryProperties("", kEntry, vpnEntry()), 0u); }

    ConnectionId dial(Events& events, const std::string& server = "127.0.0.1", const std::string& user = "lee",
                      const std::string& password = "pw-of-lee")
    {
        const ConnectionId id = nextConnectionId();
        EXPECT_EQ(m_provider->dial(id, DialRequest{"", kEntry, server, user, password, ""}, events.callback()), 0u);
        return id;
    }

    ConnectionId connect(const std::string& password = "pw-of-lee")
    {
        Events& events = newEvents();
        const ConnectionId id = dial(events, "127.0.0.1", "lee", password);
        const auto outcome = events.outcome();
        EXPECT_FALSE(outcome.empty());
        EXPECT_EQ(outcome.back(), std::make_pair(static_cast<DWORD>(RASCS_Connected), DWORD{0}));
        return id;
    }

    DWORD statisticsOf(ConnectionId id, std::uint32_t* durationMs = nullptr)
    {
        LinkStatistics statistics;
        const DWORD result = m_provider->statistics(id, statistics);
        if (durationMs != nullptr) {
            *durationMs = statistics.connectDurationMs;
        }
        return result;
    }

    // A log for one dial's events. The provider keeps a dial's callback as long as its link
    // lives, so every log outlives the provider (declared before it), not the test's scope.
    Events& newEvents() { return m_eventLogs.emplace_back(); }

    TempRoot m_root;
    NmFakeNetworkManager m_fake;
    PptpPort m_listener;
    NmRasOptions m_options;
    std::list<Events> m_eventLogs;
    std::unique_ptr<NmRasProvider> m_provider;
};

TEST_F(NmRasProviderTest, ProfileIsCreatedOnceWithThePluginKeysAndLeftAlone)
{
    EXPECT_EQ(m_provider->validateEntryName("", kEntry), 0u);
    writeEntry();
    EXPECT_EQ(m_provider->validateEntryName("", kEntry), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(m_provider->validateEntryName("", "NORVANTA vpn service"), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(m_provider->setEntryProperties("", kEntry, vpnEntry()), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(m_fake.profileCount(kEntry), 1u);

    const auto profile = m_fake.profileSettings(kEntry);
    const passwd* me = ::getpwuid(::getuid());
    ASSERT_NE(me, nullptr);
    const std::map<std::string, std::string> expected = {
        {"connection.type", "vpn"},
        {"connection.autoconnect", "false"},
        {"connection.permissions", std::string("user:") + me->pw_name},
        {"vpn.service-type", "org.freedesktop.NetworkManager.pptp"},
        {"vpn.data.refuse-eap", "yes"},
        {"vpn.data.refuse-pap", "yes"},
        {"vpn.data.refuse-chap", "yes"},
        {"vpn.data.refuse-mschap", "yes"},
        {"vpn.data.password-flags", "2"},
        {"vpn.data.require-mppe", "yes"},
        {"ipv4.method", "auto"},
        {"ipv4.never-default", "false"},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(profile.count(key) ? profile.at(key) : "(missing)", value) << key;
    }
    // MS-CHAPv2 stays allowed. Optional encryption still demands MPPE, since pppd would
    // otherwise refuse the server's, but not 128 bits only. Nothing of a password is stored.
    for (const char* absent :
         {"vpn.data.refuse-mschapv2", "vpn.data.require-mppe-128", "vpn.data.gateway", "vpn.secrets.password"}) {
        EXPECT_EQ(profile.count(absent), 0u) << absent;
    }
}

TEST_F(NmRasProviderTest, SuccessfulDialReportsProgressThenConnectedAndTimeAdvances)
{
    writeEntry();
    Events& events = newEvents();
    const ConnectionId id = dial(events);
    EXPECT_EQ(statisticsOf(id), ERROR_NO_CONNECTION);
    const auto outcome = events.outcome();
    std::vector<DWORD> states;
    for (const auto& [state, error] : outcome) {
        EXPECT_EQ(error, 0u);
        states.push_back(state);
    }
    EXPECT_THAT(states, ElementsAre(RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice, RASCS_Authenticate,
                                    RASCS_Authenticated, RASCS_Projected, RASCS_Connected));

    std::uint32_t first = 0;
    ASSERT_EQ(statisticsOf(id, &first), 0u);
    EXPECT_TRUE(eventually([&] {
        std::uint32_t now = 0;
        return statisticsOf(id, &now) == 0 && now > first;
    }));

    const auto listed = m_provider->enumerate();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, id);
    EXPECT_EQ(listed[0].entryName, kEntry);

    // The VPN's own address; MPPE of whatever strength the server offers, which is what
    // the profile demands; no counters, as no interface here holds that address.
    LinkDetails expected;
    expected.localAddress = "10.99.0.11";
    expected.encryption = LinkDetails::Encryption::Mppe;
    EXPECT_TRUE(eventually([&] { return m_provider->details(id) == expected; }));

    const auto profile = m_fake.profileSettings(kEntry);
    EXPECT_EQ(profile.at("vpn.data.gateway"), "127.0.0.1");
    EXPECT_EQ(profile.at("vpn.data.user"), "lee");
    // The agent is there for the dial only.
    EXPECT_TRUE(eventually([&] { return m_fake.registeredAgents() == 0; }));
}

TEST_F(NmRasProviderTest, PasswordReachesNetworkManagerOnlyThroughTheAgent)
{
    const std::string password = "Zq7-unique-secret";
    writeEntry();
    const ConnectionId first = connect(password);
    EXPECT_EQ(m_provider->hangUp(first), 0u);
    ASSERT_TRUE(eventually([&] { return m_provider->enumerate().empty(); }));

    // Another server: the profile is updated, with the password still kept out of it.
    Events& events = newEvents();
    dial(events, "localhost", "lee", password);
    ASSERT_EQ(events.outcome().back().first, static_cast<DWORD>(RASCS_Connected));

    EXPECT_THAT(m_fake.receivedSecrets(), ElementsAre(password, password));
    const std::string calls = m_fake.clientCalls();
    EXPECT_THAT(calls, HasSubstr("AddConnection2"));
    EXPECT_THAT(calls, HasSubstr("Update2"));
    EXPECT_THAT(calls, Not(HasSubstr(password)));
    EXPECT_EQ(m_fake.profileSettings(kEntry).at("vpn.data.gateway"), "localhost");
}

TEST_F(NmRasProviderTest, UnchangedServerAndUserLeaveTheProfileUnwritten)
{
    writeEntry();
    m_provider->hangUp(connect());
    ASSERT_TRUE(eventually([&] { return m_provider->enumerate().empty(); }));
    m_provider->hangUp(connect());
    const std::string calls = m_fake.clientCalls();
    std::size_t updates = 0;
    for (auto at = calls.find("Update2"); at != std::string::npos; at = calls.find("Update2", at + 1)) {
        ++updates;
    }
    EXPECT_EQ(updates, 1u);
}

struct FailureCase {
    const char* name;
    const char* scenario;
    const char* acceptedPassword;
    DWORD code;
    const char* textPart;
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class NmDialFailureTest : public NmRasProviderTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(NmDialFailureTest, EndsWithTheMappedCodeAndText)
{
    writeEntry();
    m_fake.setScenario(GetParam().scenario, GetParam().acceptedPassword);
    Events& events = newEvents();
    const ConnectionId id = dial(events);
    const auto outcome = events.outcome();
    ASSERT_FALSE(outcome.empty());
    EXPECT_EQ(outcome.back().second, GetParam().code);
    for (std::size_t i = 0; i + 1 < outcome.size(); ++i) {
        EXPECT_EQ(outcome[i].second, 0u);
    }
    EXPECT_THAT(textOf(GetParam().code), HasSubstr(GetParam().textPart));
    EXPECT_EQ(statisticsOf(id), ERROR_NO_CONNECTION);
    EXPECT_EQ(m_provider->hangUp(id), 0u);
    EXPECT_EQ(m_provider->hangUp(id), ERROR_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(
    NetworkManagerWays, NmDialFailureTest,
    ::testing::Values(FailureCase{"LoginFailed", "login-failed", "", ERROR_AUTHENTICATION_FAILURE, "\276\317\310\243"},
                      FailureCase{"WrongPassword", "success", "other", kErrorNmLinkFailed, "journalctl"},
                      FailureCase{"NoNetworkBeneath", "no-network", "", kErrorNmNoNetwork,
                                  "\310\260\274\272\310\255\265\310 \263\327\306\256\277\366\305\251 "
                                  "\277\254\260\341\300\314 \276\370\275\300\264\317\264\331"},
                      FailureCase{"PluginMissing", "plugin-missing", "", kErrorNmPluginMissing,
                                  "network-manager-pptp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NmRasProviderTest, LinkEndedFromOutsideReadsAsLost)
{
    writeEntry();
    const ConnectionId id = connect();
    m_fake.endAll(7, 2);
    EXPECT_TRUE(eventually([&] { return statisticsOf(id) == ERROR_NO_CONNECTION; }));
    EXPECT_TRUE(m_provider->enumerate().empty());
    EXPECT_EQ(m_provider->hangUp(id), 0u);
}

// pppd cannot log in with a Korean ID or password the way a Windows client does, and text
// that is not CP949 cannot be sent at all: both are told before NetworkManager is asked.
TEST_F(NmRasProviderTest, LoginsPppdCannotSendAreRefusedBeforeDialing)
{
    const std::string koreanUser = "\310\253\261\346\265\277";               // 홍길동 in CP949
    const std::string koreanPassword = "\272\361\271\320\271\370\310\243-7"; // 비밀번호-7 in CP949
    writeEntry();
    const struct {
        std::string user;
        std::string password;
        DWORD code;
    } refusals[] = {
        {koreanUser, "secret", kErrorNmNonAsciiLogin},
        {"lee", koreanPassword, kErrorNmNonAsciiLogin},
        {"lee", "\377\377", kErrorNmBadText},
    };
    for (const auto& refusal : refusals) {
        Events& refused = newEvents();
        dial(refused, "127.0.0.1", refusal.user, refusal.password);
        const auto outcome = refused.outcome();
        ASSERT_EQ(outcome.size(), 1u);
        EXPECT_EQ(outcome[0], std::make_pair(static_cast<DWORD>(RASCS_OpenPort), refusal.code));
        EXPECT_TRUE(knownErrorText(refusal.code).has_value());
    }
    EXPECT_TRUE(m_fake.receivedSecrets().empty());
    EXPECT_EQ(m_fake.clientCalls().find("ActivateConnection"), std::string::npos);
}

TEST_F(NmRasProviderTest, HangUpDeactivatesAndEndsTheEvents)
{
    writeEntry();
    const ConnectionId id = connect();
    EXPECT_EQ(m_provider->hangUp(id), 0u);
    EXPECT_EQ(statisticsOf(id), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(m_provider->enumerate().empty());
    EXPECT_TRUE(eventually([&] { return m_fake.clientCalls().find("DeactivateConnection") != std::string::npos; }));

    // A dial hung up while NetworkManager is still connecting leaves nothing behind.
    m_fake.setScenario("silent");
    Events& events = newEvents();
    const ConnectionId dialing = dial(events);
    ASSERT_TRUE(eventually([&] { return events.all().size() >= 2; }));
    EXPECT_EQ(m_provider->hangUp(dialing), 0u);
    const auto seen = events.all().size();
    EXPECT_TRUE(eventually([&] { return m_provider->enumerate().empty(); }));
    EXPECT_EQ(events.all().size(), seen);
}

TEST_F(NmRasProviderTest, DialThatNeverCompletesGivesUpAtTheLimit)
{
    m_options.dialLimit = std::chrono::milliseconds(300);
    restart();
    writeEntry();
    m_fake.setScenario("silent");
    Events& events = newEvents();
    dial(events);
    EXPECT_EQ(events.outcome().back().second, ERROR_PPP_TIMEOUT);
    EXPECT_TRUE(eventually([&] { return m_provider->enumerate().empty(); }));
}

TEST_F(NmRasProviderTest, RestartedClientFindsTheLinkAndKeepsCounting)
{
    writeEntry();
    const ConnectionId id = connect();
    std::uint32_t before = 0;
    ASSERT_TRUE(eventually([&] { return statisticsOf(id, &before) == 0 && before > 0; }));
    restart();

    const auto listed = m_provider->enumerate();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].entryName, kEntry);
    std::uint32_t after = 0;
    ASSERT_EQ(statisticsOf(listed[0].id, &after), 0u);
    EXPECT_GE(after, before);
    // Found, not dialed: the address is NetworkManager's to tell, the profile's demands not.
    EXPECT_TRUE(eventually([&] { return m_provider->details(listed[0].id).localAddress == "10.99.0.11"; }));
    EXPECT_FALSE(m_provider->details(listed[0].id).encryption);
    EXPECT_EQ(m_provider->hangUp(listed[0].id), 0u);
    EXPECT_TRUE(eventually([&] { return m_provider->enumerate().empty(); }));
}

struct CheckCase {
    const char* name;
    const char* server;
    PptpPort::Answer port;
    bool pppMissing;
    DWORD code;
};

void PrintTo(const CheckCase& c, std::ostream* out)
{
    *out << c.name;
}

class NmDialCheckTest : public NmRasProviderTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(NmDialCheckTest, FailsBeforeNetworkManagerIsAsked)
{
    const PptpPort port(GetParam().port);
    ASSERT_NE(port.port(), 0);
    m_options.pptpPort = port.port();
    m_options.probeTimeout = std::chrono::milliseconds(300);
    if (GetParam().pppMissing) {
        m_options.kernelRelease = "6.1.0-test";
        std::filesystem::remove_all(m_root.path() / "sys");
        m_root.add("lib/modules/6.1.0-test/modules.dep", "kernel/drivers/net/ppp/ppp_generic.ko.xz:\n");
    }
    restart();
    writeEntry();
    Events& events = newEvents();
    dial(events, GetParam().server);
    const auto outcome = events.outcome();
    ASSERT_EQ(outcome.size(), 1u);
    EXPECT_EQ(outcome[0], std::make_pair(static_cast<DWORD>(RASCS_OpenPort), GetParam().code));
    EXPECT_THAT(m_fake.clientCalls(), Not(HasSubstr("ActivateConnection")));
}

INSTANTIATE_TEST_SUITE_P(
    Checks, NmDialCheckTest,
    ::testing::Values(CheckCase{"PortRefused", "127.0.0.1", PptpPort::Answer::Refuses, false,
                                ERROR_AUTOMATIC_VPN_FAILED},
                      CheckCase{"PortSilent", "127.0.0.1", PptpPort::Answer::NeverAnswers, false, ERROR_VPN_TIMEOUT},
                      CheckCase{"NameUnknown", "no-such-host.invalid", PptpPort::Answer::Accepts, false,
                                ERROR_DNSNAME_NOT_RESOLVABLE},
                      CheckCase{"NoMppeInKernel", "127.0.0.1", PptpPort::Answer::Accepts, true, kErrorNmNoPppKernel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NmRasProviderTest, DialWithoutTheProfileIsRefused)
{
    Events& events = newEvents();
    dial(events);
    const auto outcome = events.outcome();
    ASSERT_EQ(outcome.size(), 1u);
    EXPECT_EQ(outcome[0].second, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST_F(NmRasProviderTest, WithoutNetworkManagerEveryCallSaysSoAtOnce)
{
    writeEntry();
    const ConnectionId id = connect();
    m_fake.stopNetworkManager();
    EXPECT_TRUE(eventually([&] { return statisticsOf(id) == ERROR_NO_CONNECTION; }));

    EXPECT_EQ(m_provider->validateEntryName("", kEntry), kErrorNmUnavailable);
    Events& events = newEvents();
    dial(events);
    const auto outcome = events.outcome();
    ASSERT_EQ(outcome.size(), 1u);
    EXPECT_EQ(outcome[0].second, kErrorNmUnavailable);
    EXPECT_THAT(textOf(kErrorNmUnavailable), HasSubstr("network-manager"));
}

// The traffic of a tunnel is that of the interface holding its address; the loopback
// interface stands in for ppp0, its counters written under a throwaway root.
TEST(InterfaceCountersTest, AreReadFromTheInterfaceHoldingTheAddress)
{
    TempRoot root;
    root.add("sys/class/net/lo/statistics/tx_bytes", "1234\n");
    root.add("sys/class/net/lo/statistics/rx_bytes", "98765432109\n");
    const auto counters = nm::countersOfAddress("127.0.0.1", root.path());
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->sent, 1234u);
    EXPECT_EQ(counters->received, 98765432109u);

    EXPECT_FALSE(nm::countersOfAddress("192.0.2.77", root.path())) << "no interface holds it";
    EXPECT_FALSE(nm::countersOfAddress("not an address", root.path()));
    root.add("sys/class/net/lo/statistics/rx_bytes", "");
    EXPECT_FALSE(nm::countersOfAddress("127.0.0.1", root.path())) << "a counter the kernel does not give";
}

TEST(NmRasProviderWithoutBusTest, NoSystemBusIsAClearDialError)
{
    const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/norvanta-test-bus", 1);
    ::unsetenv("NORVANTA_VPN_RAS");
    {
        Events events; // outlives the provider, which keeps the dial's callback
        const auto chosen = makeProviderFromEnvironment();
        ASSERT_NE(dynamic_cast<NmRasProvider*>(chosen.get()), nullptr);
        const ConnectionId id = nextConnectionId();
        ASSERT_EQ(chosen->dial(id, DialRequest{"", kEntry, "127.0.0.1", "lee", "pw", ""}, events.callback()), 0u);
        const auto outcome = events.outcome();
        ASSERT_EQ(outcome.size(), 1u);
        EXPECT_EQ(outcome[0].second, kErrorNmUnavailable);
        EXPECT_EQ(chosen->validateEntryName("", kEntry), kErrorNmUnavailable);
        EXPECT_TRUE(chosen->enumerate().empty());
        EXPECT_EQ(chosen->hangUp(id), 0u);
    }
    if (saved) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", saved->c_str(), 1);
    } else {
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
}

} // namespace
