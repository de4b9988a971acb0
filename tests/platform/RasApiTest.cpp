// The remote-access layer as a caller sees it: argument checks, enumeration sizes,
// error texts, and the choice and configuration of the provider through the environment.

#include "platform/RasApi.h"

#include "platform/CodePage.h"
#include "platform/ras/RasErrorText.h"
#include "platform/ras/RasLayerTesting.h"
#include "tests/ras/RasTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include "tests/support/TempSettingsHome.h"

namespace {

using namespace norvanta::ras::testing;
using norvanta::testsupport::TempSettingsHome;
using ::testing::HasSubstr;

std::string cp949ToUtf8(const std::string& text)
{
    return norvanta::platform::exactUtf8FromCp949(text).value_or("(invalid CP949)");
}

std::string errorText(DWORD code)
{
    char text[256];
    return RasGetErrorStringA(code, text, sizeof text) == 0 ? cp949ToUtf8(text) : "(no text)";
}

class RasApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EventLog::instance().clear();
        norvanta::platform::ras::resetRasLayerForTesting();
    }
    void TearDown() override { norvanta::platform::ras::resetRasLayerForTesting(); }

    // Writes the entry and starts a dial with `params` (a valid one unless changed).
    DWORD dialWith(RASDIALPARAMSA& params, HRASCONN& handle)
    {
        RASENTRYA entry{};
        entry.dwSize = sizeof entry;
        std::strcpy(entry.szDeviceType, "vpn");
        EXPECT_EQ(RasSetEntryPropertiesA(nullptr, "Norvanta VPN Service", &entry, sizeof entry, nullptr, 0), 0u);
        return RasDialA(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&EventLog::notifier), &handle);
    }

    static RASDIALPARAMSA validParams()
    {
        RASDIALPARAMSA params{};
        params.dwSize = sizeof params;
        std::strcpy(params.szEntryName, "Norvanta VPN Service");
        std::strcpy(params.szPhoneNumber, "127.0.0.1");
        std::strcpy(params.szUserName, "demo");
        std::strcpy(params.szPassword, "demo");
        return params;
    }

    TempSettingsHome home;
    ScopedEnv provider{"NORVANTA_VPN_RAS", "sim"};
    ScopedEnv step{"NORVANTA_VPN_SIM_STEP_MS", "0"};
    ScopedEnv simConfig{"NORVANTA_VPN_SIM_CONFIG", std::nullopt};
    ScopedEnv accounts{"NORVANTA_VPN_SIM_ACCOUNTS", std::nullopt};
};

TEST_F(RasApiTest, DialRefusesMalformedRequests)
{
    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = validParams();
    params.dwSize = 1060;
    EXPECT_EQ(dialWith(params, handle), ERROR_INVALID_SIZE);

    params = validParams();
    std::memset(params.szPassword, 'x', sizeof params.szPassword);
    EXPECT_EQ(dialWith(params, handle), ERROR_INVALID_PARAMETER);

    params = validParams();
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, reinterpret_cast<LPVOID>(&EventLog::notifier), &handle),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 1, nullptr, &handle), ERROR_INVALID_PARAMETER);
    HRASCONN busy = reinterpret_cast<HRASCONN>(1);
    EXPECT_EQ(dialWith(params, busy), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(EventLog::instance().events().empty());
}

TEST_F(RasApiTest, EnumerationReportsTheSizeItNeeds)
{
    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = validParams();
    ASSERT_EQ(dialWith(params, handle), 0u);
    ASSERT_EQ(EventLog::instance().waitForOutcome().back().state, RASCS_Connected);

    RASCONNA connections[2]{};
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = 0;
    DWORD count = 0;
    EXPECT_EQ(RasEnumConnectionsA(connections, &bytes, &count), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(bytes, sizeof(RASCONNA));
    EXPECT_EQ(count, 1u);

    bytes = sizeof connections;
    EXPECT_EQ(RasEnumConnectionsA(connections, &bytes, &count), 0u);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(connections[0].hrasconn, handle);
    EXPECT_STREQ(connections[0].szEntryName, "Norvanta VPN Service");
    EXPECT_STREQ(connections[0].szDeviceType, "vpn");

    connections[0].dwSize = 704;
    EXPECT_EQ(RasEnumConnectionsA(connections, &bytes, &count), ERROR_INVALID_SIZE);
}

// A hang-up during the dial ends it: no event of that dial arrives afterwards.
TEST_F(RasApiTest, HangUpDuringTheDialSilencesIt)
{
    ScopedEnv slow{"NORVANTA_VPN_SIM_STEP_MS", "20"};
    norvanta::platform::ras::resetRasLayerForTesting();
    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = validParams();
    ASSERT_EQ(dialWith(params, handle), 0u);
    ASSERT_FALSE(EventLog::instance().waitForCount(1).empty());

    ASSERT_EQ(RasHangUpA(handle), 0u);
    const std::size_t seen = EventLog::instance().events().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(EventLog::instance().events().size(), seen);
    EXPECT_EQ(RasHangUpA(handle), ERROR_INVALID_HANDLE);
}

TEST_F(RasApiTest, StatisticsRefuseBadBlocksAndHandles)
{
    RAS_STATS stats{};
    stats.dwSize = 59;
    EXPECT_EQ(RasGetConnectionStatistics(reinterpret_cast<HRASCONN>(1), &stats), ERROR_INVALID_SIZE);
    stats.dwSize = sizeof stats;
    EXPECT_EQ(RasGetConnectionStatistics(nullptr, &stats), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RasGetConnectionStatistics(reinterpret_cast<HRASCONN>(0xFFFFFF), &stats), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RasGetConnectionStatistics(reinterpret_cast<HRASCONN>(1), nullptr), ERROR_INVALID_PARAMETER);
}

class ErrorTextTest : public RasApiTest, public ::testing::WithParamInterface<DWORD> {};

// Each text is valid CP949, fits the caller's 256 bytes and is the code's own, not the
// generic one.
TEST_P(ErrorTextTest, EveryCodeAProviderProducesHasItsOwnText)
{
    const std::string text = errorText(GetParam());
    EXPECT_NE(text, cp949ToUtf8(norvanta::platform::ras::genericErrorText(GetParam())));
    EXPECT_NE(text, "(no text)");
    EXPECT_NE(text, "(invalid CP949)");
}

INSTANTIATE_TEST_SUITE_P(Codes, ErrorTextTest,
                         ::testing::Values(5, 6, 8, 87, 122, 123, 183, 603, 608, 619, 621, 623, 624, 629, 631, 632, 668,
                                           691, 718, 720, 741, 800, 806, 809, 868, 0x20000002, 0x20000003, 0x20000010,
                                           0x20000011, 0x20000012, 0x20000013, 0x20000014));

TEST_F(RasApiTest, UnknownCodeGetsAGenericTextWithTheNumber)
{
    EXPECT_THAT(errorText(4321), HasSubstr("4321"));
    EXPECT_THAT(errorText(4321), HasSubstr("오류"));
}

TEST_F(RasApiTest, ErrorTextIsNeverCut)
{
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(RasGetErrorStringA(691, small, sizeof small), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(RasGetErrorStringA(691, nullptr, 256), ERROR_INVALID_PARAMETER);
}

// Whatever goes wrong with the choice of provider, a dial ends with an error event whose
// text says what to do; it never connects.
struct ChoiceCase {
    const char* name;
    const char* provider;
    const char* stepMs;
    const char* expected;
};

class ProviderChoiceTest : public RasApiTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ProviderChoiceTest, WrongChoiceFailsTheDialWithAClearText)
{
    ScopedEnv chosen{"NORVANTA_VPN_RAS", GetParam().provider};
    ScopedEnv stepping{"NORVANTA_VPN_SIM_STEP_MS", GetParam().stepMs};
    // No system bus: the NetworkManager choice must fail the same way on every machine.
    ScopedEnv noBus{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/norvanta-test-bus"};
    norvanta::platform::ras::resetRasLayerForTesting();
    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = validParams();
    ASSERT_EQ(RasDialA(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&EventLog::notifier), &handle), 0u);

    const auto events = EventLog::instance().waitForOutcome();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_THAT(errorText(events[0].error), HasSubstr(GetParam().expected));
    EXPECT_EQ(RasHangUpA(handle), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ProviderChoiceTest,
    ::testing::Values(ChoiceCase{"SystemDialer", "nm", "0", norvanta::testsupport::systemDialerFailureHint()},
                      ChoiceCase{"UnknownValue", "fancy", "0", "\"fancy\""},
                      ChoiceCase{"BadSimulationNumber", "sim", "fast", "NORVANTA_VPN_SIM_STEP_MS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RasApiTest, SimulationConfigFileIsReadAndItsErrorsLocated)
{
    const auto file = home.path() / "sim.conf";
    writeFile(file, "# accounts for the demo\naccount = park:pa ss\nstep_ms = 0\n");
    ScopedEnv named{"NORVANTA_VPN_SIM_CONFIG", file.string()};
    norvanta::platform::ras::resetRasLayerForTesting();
    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = validParams();
    std::strcpy(params.szUserName, "park");
    std::strcpy(params.szPassword, "pa ss");
    ASSERT_EQ(dialWith(params, handle), 0u);
    EXPECT_EQ(EventLog::instance().waitForOutcome().back().state, RASCS_Connected);
    RasHangUpA(handle);

    writeFile(file, "account = park:pw\nstep = 0\n");
    norvanta::platform::ras::resetRasLayerForTesting();
    EXPECT_THAT(errorText(norvanta::platform::ras::kErrorSimulationConfig), HasSubstr(file.string() + ":2"));
}

enum class PasswordOrigin { Assigned, Copied };

class DialRequestWipeTest : public ::testing::TestWithParam<PasswordOrigin> {};

// The dial request is the layer's own copy of the password; once it is gone (the provider
// took what it needs, the dial ended) its bytes must not linger in memory that a later
// read, a core file or a swap page could show. A short password sits in the string itself.
TEST_P(DialRequestWipeTest, PasswordBytesAreGoneWhenTheRequestIs)
{
    using norvanta::platform::ras::DialRequest;
    const std::string secret = "pw#4711";
    alignas(DialRequest) unsigned char storage[sizeof(DialRequest)];
    DialRequest* request = nullptr;
    if (GetParam() == PasswordOrigin::Assigned) {
        request = new (storage) DialRequest;
        request->password = secret;
    } else {
        DialRequest original;
        original.password = secret;
        request = new (storage) DialRequest(original);
    }
    request->~DialRequest();
    const std::string_view left(reinterpret_cast<const char*>(storage), sizeof storage);
    EXPECT_EQ(left.find(secret), std::string_view::npos);
}

INSTANTIATE_TEST_SUITE_P(Origins, DialRequestWipeTest,
                         ::testing::Values(PasswordOrigin::Assigned, PasswordOrigin::Copied), [](const auto& info) {
                             return std::string(info.param == PasswordOrigin::Assigned ? "Assigned" : "Copied");
                         });

} // namespace
