// How NetworkManager's failure reasons and the kernel's module lists are read.

#include "platform/linux/ras/nm/Preflight.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace norvanta::platform::ras;
using namespace std::chrono_literals;

constexpr auto kNoConnect = nm::ConnectSeen::Never;
constexpr auto kBrief = nm::ConnectSeen::Briefly;
constexpr auto kStalled = nm::ConnectSeen::Stalled;

struct ReasonCase {
    std::uint32_t reason;
    nm::ConnectSeen connect;
    DWORD code;
};

void PrintTo(const ReasonCase& c, std::ostream* out)
{
    *out << "reason " << c.reason;
}

class NmFailureCodeTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(NmFailureCodeTest, MapsTheReason)
{
    EXPECT_EQ(nm::failureCode(GetParam().reason, GetParam().connect), GetParam().code);
    // Every code the dialer produces has a text of its own.
    EXPECT_TRUE(knownErrorText(GetParam().code).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, NmFailureCodeTest,
    // "real": what NetworkManager 1.42 gave with the real pppd and pptpd in a guest.
    ::testing::Values(ReasonCase{0, kBrief, kErrorNmLinkFailed}, // real: password refused, or no MPPE at the server
                      ReasonCase{0, kStalled, ERROR_VPN_GRE_BLOCKED}, // real: GRE dropped, LCP timed out at +32 s
                      ReasonCase{4, kStalled, ERROR_VPN_GRE_BLOCKED}, // real: the (7,4) after that (6,0)
                      ReasonCase{4, kBrief, kErrorNmLinkFailed}, ReasonCase{0, kNoConnect, ERROR_AUTOMATIC_VPN_FAILED},
                      ReasonCase{4, kNoConnect, kErrorNmPluginStopped},
                      ReasonCase{2, kBrief, ERROR_USER_DISCONNECTION}, // real: taken down from outside
                      ReasonCase{2, kStalled, ERROR_USER_DISCONNECTION}, ReasonCase{3, kBrief, kErrorNmUplinkLost},
                      ReasonCase{14, kBrief, kErrorNmUplinkLost},
                      ReasonCase{5, kBrief, ERROR_PPP_NO_PROTOCOLS_CONFIGURED},
                      ReasonCase{6, kBrief, ERROR_PPP_TIMEOUT}, ReasonCase{8, kNoConnect, kErrorNmPluginMissing},
                      ReasonCase{9, kBrief, ERROR_AUTHENTICATION_FAILURE},
                      ReasonCase{10, kBrief, ERROR_AUTHENTICATION_FAILURE},
                      ReasonCase{11, kNoConnect, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
                      ReasonCase{99, kBrief, ERROR_AUTOMATIC_VPN_FAILED}));

// The texts of the failures a user can do something about name what to check.
TEST(NmFailureTextTest, SaysWhatToCheck)
{
    const std::pair<DWORD, const char*> texts[] = {
        {kErrorNmLinkFailed, "MPPE"},
        {ERROR_VPN_GRE_BLOCKED, "GRE"},
        {ERROR_PPP_TIMEOUT, "VPN"},
        {kErrorNmPluginStopped, "pptp-linux"},
        {kErrorNmPermissionDenied, "polkit"},
        // "네트워크 연결이 끊어졌습니다" in CP949: the uplink went away.
        {kErrorNmUplinkLost, "\263\327\306\256\277\366\305\251 \277\254\260\341\300\314 "
                             "\262\367\276\356\301\263\275\300\264\317\264\331"},
    };
    for (const auto& [code, part] : texts) {
        EXPECT_NE(knownErrorText(code).value_or("").find(part), std::string::npos) << code;
    }
}

TEST(NmCallErrorTest, NamesMapToTheirCodes)
{
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.DBus.Error.ServiceUnknown", 1), kErrorNmUnavailable);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.Settings.PermissionDenied", 1),
              kErrorNmPermissionDenied);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.ConnectionNotAvailable", 1), kErrorNmPluginMissing);
    EXPECT_EQ(nm::callErrorCode("org.freedesktop.NetworkManager.UnknownConnection", 1),
              ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(nm::callErrorCode("org.example.Other", 1), 1u);
}

TEST(NmCallErrorTest, ActivationWithoutANetworkIsNotAMissingEntry)
{
    // What NetworkManager 1.42 answers on the stand when nothing is activated beneath the VPN.
    EXPECT_EQ(nm::activationErrorCode("org.freedesktop.NetworkManager.UnknownConnection",
                                      "Could not find source connection."),
              kErrorNmNoNetwork);
    EXPECT_EQ(nm::activationErrorCode("org.freedesktop.NetworkManager.UnknownDevice",
                                      "The base device for the VPN connection was not active."),
              kErrorNmNoNetwork);
    EXPECT_EQ(
        nm::activationErrorCode("org.freedesktop.NetworkManager.UnknownConnection", "Connection could not be found."),
        ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(nm::activationErrorCode("org.freedesktop.NetworkManager.ConnectionNotAvailable", ""),
              kErrorNmPluginMissing);
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
    EXPECT_EQ(support("ppp_mppe"), nm::KernelSupport::Unknown); // nothing readable: let NetworkManager try

    write("lib/modules/6.1.0-9/modules.dep", "kernel/drivers/net/ppp/ppp_generic.ko.xz: kernel/lib/crc-ccitt.ko.xz\n"
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

// A kernel with no module lists and no ppp_generic in /sys/module, like this machine's:
// its build configuration, /dev/ppp and /proc/devices decide.
struct KernelCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    nm::KernelSupport expected;
};

void PrintTo(const KernelCase& c, std::ostream* out)
{
    *out << c.name;
}

class NmPppKernelTest : public NmKernelSupportTest, public ::testing::WithParamInterface<KernelCase> {};

TEST_P(NmPppKernelTest, ReadsWhatTheKernelShows)
{
    for (const auto& [path, content] : GetParam().files) {
        write(path, content);
    }
    EXPECT_EQ(nm::pppKernelSupport(m_root, "6.1.0-9"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, NmPppKernelTest,
    ::testing::Values(KernelCase{"nothing readable", {}, nm::KernelSupport::Unknown},
                      KernelCase{"boot config without PPP",
                                 {{"boot/config-6.1.0-9", "CONFIG_TUN=y\n# CONFIG_PPP is not set\n"}},
                                 nm::KernelSupport::Missing},
                      KernelCase{"boot config with PPP, no MPPE",
                                 {{"boot/config-6.1.0-9", "CONFIG_PPP=m\n# CONFIG_PPP_MPPE is not set\n"}},
                                 nm::KernelSupport::Missing},
                      KernelCase{"boot config with both",
                                 {{"boot/config-6.1.0-9", "CONFIG_PPP=m\nCONFIG_PPP_MPPE=m\n"}},
                                 nm::KernelSupport::Present},
                      KernelCase{"other release's config ignored",
                                 {{"boot/config-5.10.0-1", "# CONFIG_PPP is not set\n"}},
                                 nm::KernelSupport::Unknown},
                      KernelCase{"PPP in /proc/devices, config without MPPE",
                                 {{"proc/devices", "Character devices:\n108 ppp\n"},
                                  {"boot/config-6.1.0-9", "CONFIG_PPP=y\n"}},
                                 nm::KernelSupport::Missing},
                      KernelCase{"running ppp_generic and ppp_mppe",
                                 {{"sys/module/ppp_generic/refcnt", "1"}, {"sys/module/ppp_mppe/refcnt", "0"}},
                                 nm::KernelSupport::Present}));

TEST_F(NmKernelSupportTest, ReadsTheCompressedRunningConfig)
{
    // /proc/config.gz outranks /boot: it is the running kernel's own.
    write("boot/config-6.1.0-9", "CONFIG_PPP=y\nCONFIG_PPP_MPPE=y\n");
    const auto packed = m_root / "proc/config.gz";
    std::filesystem::create_directories(packed.parent_path());
    const std::string command = "printf '# CONFIG_PPP is not set\\n' | gzip > '" + packed.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(nm::pppKernelMissing(m_root, "6.1.0-9"));
}

TEST(NmGatewayTest, PluginSafeNamesAreKeptOthersResolved)
{
    EXPECT_EQ(nm::gatewayFor("vpn-1.example.net", "10.0.0.1"), "vpn-1.example.net");
    EXPECT_EQ(nm::gatewayFor("vpn_1.example.net", "10.0.0.1"), "10.0.0.1");
}

} // namespace
