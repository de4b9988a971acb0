// How NetworkManager's failure reasons and the kernel's module lists are read.

#include "platform/linux/ras/NmPreflight.h"
#include "platform/linux/ras/NmStateMap.h"
#include "platform/ras/RasErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using namespace norvanta::platform::ras;
using namespace std::chrono_literals;

struct ReasonCase {
    std::uint32_t reason;
    std::optional<std::chrono::milliseconds> sinceConnect;
    DWORD code;
};

void PrintTo(const ReasonCase& c, std::ostream* out)
{
    *out << "reason " << c.reason;
}

class NmFailureCodeTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(NmFailureCodeTest, MapsTheReason)
{
    EXPECT_EQ(nm::failureCode(GetParam().reason, GetParam().sinceConnect, 15s), GetParam().code);
    // Every code the dialer produces has a text of its own.
    EXPECT_TRUE(knownErrorText(GetParam().code).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, NmFailureCodeTest,
    ::testing::Values(ReasonCase{0, 2s, ERROR_AUTHENTICATION_FAILURE},  // refused soon after CONNECT
                      ReasonCase{0, 40s, ERROR_VPN_GRE_BLOCKED},        // PPP gave up: GRE never came through
                      ReasonCase{0, std::nullopt, ERROR_AUTOMATIC_VPN_FAILED},
                      ReasonCase{4, std::nullopt, kErrorNmPluginStopped}, ReasonCase{4, 1s, ERROR_AUTHENTICATION_FAILURE},
                      ReasonCase{2, 1s, ERROR_USER_DISCONNECTION}, ReasonCase{3, 1s, ERROR_PORT_DISCONNECTED},
                      ReasonCase{5, 1s, ERROR_PPP_NO_PROTOCOLS_CONFIGURED}, ReasonCase{6, 1s, ERROR_PPP_TIMEOUT},
                      ReasonCase{8, std::nullopt, kErrorNmPluginMissing}, ReasonCase{9, 1s, ERROR_AUTHENTICATION_FAILURE},
                      ReasonCase{10, 40s, ERROR_AUTHENTICATION_FAILURE},
                      ReasonCase{11, std::nullopt, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
                      ReasonCase{99, 1s, ERROR_AUTOMATIC_VPN_FAILED}));

TEST(NmCallErrorTest, NamesMapToTheirCodes)
{
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.DBus.Error.ServiceUnknown", 1), kErrorNmUnavailable);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.Settings.PermissionDenied", 1), kErrorNmPermissionDenied);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.ConnectionNotAvailable", 1), kErrorNmPluginMissing);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.UnknownConnection", 1), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(nm::callErrorCode("org.example.Other", 1), 1u);
}

class NmKernelSupportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/norvanta-nm-kernel-XXXXXX";
        m_root = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }
    void write(const std::string& relative, const std::string& content)
    {
        std::filesystem::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative) << content;
    }
    nm::KernelSupport support(const char* module) { return nm::kernelModuleSupport(m_root, "6.1.0-9", module); }

    std::filesystem::path m_root;
};

TEST_F(NmKernelSupportTest, ModuleListsDecide)
{
    EXPECT_EQ(support("ppp_mppe"), nm::KernelSupport::Unknown);  // nothing readable: let NetworkManager try

    write("lib/modules/6.1.0-9/modules.dep",
          "kernel/drivers/net/ppp/ppp_generic.ko.xz: kernel/lib/crc-ccitt.ko.xz\n"
          "kernel/drivers/net/ppp/ppp_mppe_extra.ko:\n");
    EXPECT_EQ(support("ppp_generic"), nm::KernelSupport::Present);
    EXPECT_EQ(support("ppp_mppe"), nm::KernelSupport::Missing);
    EXPECT_TRUE(nm::pppKernelMissing(m_root, "6.1.0-9"));

    write("lib/modules/6.1.0-9/modules.builtin", "kernel/drivers/net/ppp/ppp_mppe.ko\n");
    EXPECT_EQ(support("ppp_mppe"), nm::KernelSupport::Present);
    EXPECT_FALSE(nm::pppKernelMissing(m_root, "6.1.0-9"));

    write("sys/module/slhc/refcnt", "1");
    EXPECT_EQ(support("slhc"), nm::KernelSupport::Present);
}

TEST(NmGatewayTest, PluginSafeNamesAreKeptOthersResolved)
{
    EXPECT_EQ(nm::gatewayFor("vpn-1.example.net", "10.0.0.1"), "vpn-1.example.net");
    EXPECT_EQ(nm::gatewayFor("vpn_1.example.net", "10.0.0.1"), "10.0.0.1");
}

} // namespace
