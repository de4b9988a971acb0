// The client's side of one scenario of the real PPTP tunnel (tests/pptp-real): inside a
// QEMU guest, it dials through the RAS-shaped functions, as the dialog does, against the
// guest's real NetworkManager, PPTP plugin and pppd, which talk to a real pptpd over a
// veth pair, and checks the events, the final code and its text. What happens outside
// the client (the server's pppd killed, NetworkManager told to take the VPN down, a ping
// through the tunnel, what pppd wrote to the system log) is asked of the guest's script
// through $PPTP_STAND_HOOK.
//   pptp_real_driver <scenario>      exit 0 when every check held
// NORVANTA_TIMEOUT_SCALE (default 1) stretches every time limit, for slower machines.

#include "platform/LinkDetails.h"
#include "platform/RasApi.h"
#include "platform/ras/RasErrorText.h"
#include "tests/support/Patience.h"
#include "tests/support/RasDriver.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace norvanta::platform::ras;
using namespace norvanta::rasdriver;
using std::chrono::milliseconds;

constexpr char kEntry[] = "Norvanta VPN Service";
constexpr char kServer[] = "10.99.0.1";
constexpr char kServerTunnelAddress[] = "192.168.77.1";
constexpr char kUser[] = "norvanta";
constexpr char kPassword[] = "stand-secret-7f3a";
constexpr char kWrongPassword[] = "stand-secret-0000";
constexpr char kKoreanUser[] = "\xc8\xab\xb1\xe6\xb5\xbf";                  // 홍길동, CP949
constexpr char kKoreanPassword[] = "\xba\xf1\xb9\xd0\xb9\xf8\xc8\xa3-7f3a"; // 비밀번호-7f3a, CP949

using norvanta::testsupport::scaled;
using norvanta::testsupport::timeoutScale;

// A dial under TCG takes 4-10 s, twice that while the host is busy; a GRE that never
// arrives takes pppd's ten LCP tries, 3 s apart, before it gives up.
// (The dialer's waits scale these by NORVANTA_TIMEOUT_SCALE.)
const milliseconds kPatience = std::chrono::seconds(60);
const milliseconds kGrePatience = std::chrono::seconds(90);

std::string hook(const std::string& arguments)
{
    return norvanta::rasdriver::hook("PPTP_STAND_HOOK", arguments);
}

HRASCONN dial(const char* user = kUser, const char* password = kPassword)
{
    return norvanta::rasdriver::dial(kEntry, kServer, user, password);
}

// A count the hook printed; -1 when it printed no number at all (a broken hook must not
// read as "none" or as "some").
long count(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stol(text);
}

// No event of this dial for `quiet`: whatever the dialer still had to say has been said.
bool staysQuiet(HRASCONN handle, milliseconds quiet)
{
    const auto before = EventLog::instance().of(handle).size();
    const auto until = Clock::now() + quiet;
    while (Clock::now() < until) {
        if (EventLog::instance().of(handle).size() != before) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    return true;
}

bool hookSays(const std::string& arguments, const std::string& answer, milliseconds limit = kPatience)
{
    return eventually([&] { return hook(arguments) == answer; }, limit);
}

// After the client hung up: no event of that dial arrives any more, NetworkManager has no
// VPN left and no pppd of the client runs.
void checkQuietAfterHangUp(HRASCONN handle)
{
    check(RasHangUpA(handle) == 0, "hang-up accepted");
    check(staysQuiet(handle, scaled(milliseconds(3000))), "no event after the hang-up");
    check(eventually([] { return connectionCount() == 0; }), "the dialer lists no link afterwards");
    check(hookSays("nm-vpns", "0"), "NetworkManager has no active VPN afterwards");
    check(hookSays("client-pppd", "0"), "the client's pppd has ended");
}

// What the link is, as the user is told it: the tunnel's own address as the kernel has it
// on ppp0, MPPE (the profile requires it, the strength is the server's choice), and the
// ping that went through counted both ways.
void checkLinkDetails(HRASCONN handle)
{
    using norvanta::platform::LinkDetails;
    const std::string address = hook("ppp0-address");
    LinkDetails details;
    const bool read = eventually([&] {
        details = norvanta::platform::readLinkDetails(handle);
        return details.localAddress.has_value();
    });
    check(read && !address.empty() && details.localAddress == address,
          "the link's address is ppp0's (" + details.localAddress.value_or("none") + ", ppp0 " + address + ")");
    check(details.encryption == LinkDetails::Encryption::Mppe, "the link reads as MPPE-encrypted");
    check(details.bytesSent.value_or(0) > 0 && details.bytesReceived.value_or(0) > 0,
          "ppp0's traffic is counted (" + std::to_string(details.bytesSent.value_or(0)) + " sent, "
              + std::to_string(details.bytesReceived.value_or(0)) + " received)");
}

HRASCONN connectAndCheck()
{
    const HRASCONN handle = dial();
    const auto events = EventLog::instance().waitFor(handle, ended);
    check(events == kConnected, "connected with every step in order " + describe(events));
    DWORD duration = 0;
    check(linkStatus(handle, &duration) == 0, "statistics answer while up");
    const bool runs =
        eventually([&] { return linkStatus(handle, &duration) == 0 && duration >= 1000; }, milliseconds(5000));
    check(runs, "connected time runs (" + std::to_string(duration) + " ms)");
    check(connectionCount() == 1, "the link is listed");
    return handle;
}

// Ended from outside the client once connected: the link reads as down without an event,
// as RAS does.
void checkDropped(HRASCONN handle)
{
    const auto before = EventLog::instance().of(handle).size();
    const auto started = Clock::now();
    check(eventually([handle] { return linkStatus(handle) == ERROR_NO_CONNECTION; }), "the link reads as down (668)");
    std::printf("  .... read as down after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<milliseconds>(Clock::now() - started).count()));
    check(EventLog::instance().of(handle).size() == before, "no event after connected");
    check(eventually([] { return connectionCount() == 0; }), "the dialer lists no link");
    check(hookSays("nm-vpns", "0"), "NetworkManager has no active VPN");
    RasHangUpA(handle);
}

std::vector<Event> dialToEnd(const char* user, const char* password, milliseconds limit = kPatience,
                             HRASCONN* out = nullptr)
{
    const HRASCONN handle = dial(user, password);
    const auto events = EventLog::instance().waitFor(handle, ended, limit);
    if (out != nullptr) {
        *out = handle;
    }
    return events;
}

void failsWith(DWORD code, const char* user = kUser, const char* password = kPassword)
{
    HRASCONN handle = nullptr;
    const auto events = dialToEnd(user, password, kPatience, &handle);
    checkNeverConnected(events);
    checkOutcome(events, code);
    RasHangUpA(handle);
    check(eventually([] { return connectionCount() == 0; }), "the dialer lists no link afterwards");
}

const std::map<std::string, std::function<void()>> kScenarios = {
    {"success",
     [] {
         const HRASCONN handle = connectAndCheck();
         check(hook("profile require-mppe") == "require-mppe=yes", "the profile requires MPPE");
         check(hook("ping") == "answered", "a ping through ppp0 to the server's tunnel address is answered");
         check(hook("client-mppe") == "128", "the client's pppd logged MPPE 128-bit");
         check(count(hook("nm-asked")) > 0, "NetworkManager logged the activation");
         checkLinkDetails(handle);
         checkQuietAfterHangUp(handle);
     }},
    // Wrong password: the server refuses MS-CHAPv2, which reaches NetworkManager only as a
    // failed link (reason 0), never as a refused login.
    {"auth-fail",
     [] {
         failsWith(kErrorNmLinkFailed, kUser, kWrongPassword);
         check(count(hook("log-count 'MS-CHAP authentication failed'")) > 0, "the server refused the password");
     }},
    // A server that will not do MPPE, while the client requires it.
    {"no-mppe",
     [] {
         failsWith(kErrorNmLinkFailed);
         check(count(hook("log-count 'MPPE required but peer refused'")) > 0, "the client's pppd refused the link");
     }},
    // Nothing listens on 1723: the dialer's own check answers before NetworkManager is asked.
    {"port-closed",
     [] {
         failsWith(ERROR_AUTOMATIC_VPN_FAILED);
         check(hook("nm-asked") == "0", "NetworkManager was never asked to activate");
     }},
    // The server's firewall drops GRE: the control connection works, LCP never gets an
    // answer, pppd gives up after its ten tries.
    {"gre-blocked",
     [] {
         HRASCONN handle = nullptr;
         const auto events = dialToEnd(kUser, kPassword, kGrePatience, &handle);
         checkNeverConnected(events);
         checkOutcome(events, ERROR_VPN_GRE_BLOCKED);
         Clock::time_point connect{};
         const bool sawConnect = EventLog::instance().timeOf(handle, RASCS_ConnectDevice, connect);
         const auto seconds =
             std::chrono::duration_cast<milliseconds>(EventLog::instance().lastTime(handle) - connect).count() / 1000.0;
         char text[96];
         std::snprintf(text, sizeof text, "ended %.1f s after CONNECT (pppd's LCP tries take about 30 s)", seconds);
         check(sawConnect && seconds >= 20.0 && seconds <= 60.0 * timeoutScale(), text);
         check(count(hook("gre-dropped")) > 0, "the server's firewall dropped GRE packets");
         RasHangUpA(handle);
     }},
    {"server-ends",
     [] {
         const HRASCONN handle = connectAndCheck();
         check(hook("kill-server-pppd") == "killed", "the server's pppd was killed");
         checkDropped(handle);
     }},
    {"hangup", [] { checkQuietAfterHangUp(connectAndCheck()); }},
    {"nm-down",
     [] {
         const HRASCONN handle = connectAndCheck();
         hook(std::string("nm-down '") + kEntry + "'");
         checkDropped(handle);
     }},
    // pppd hashes a password by widening each byte, Windows hashes its UTF-16; and the name
    // reaches the server in UTF-8 where Windows sends its code page. A Korean ID or
    // password cannot log in as it would from Windows, so the dialer refuses it before
    // NetworkManager is asked.
    {"korean",
     [] {
         failsWith(kErrorNmNonAsciiLogin, kKoreanUser, kKoreanPassword);
         failsWith(kErrorNmNonAsciiLogin, kKoreanUser, kPassword);
         failsWith(kErrorNmNonAsciiLogin, kUser, kKoreanPassword);
         check(hook("nm-asked") == "0", "NetworkManager was never asked to activate");
         check(hook("pppd-started") == "0", "no pppd was started on either side");
     }},
};

} // namespace

int main(int argc, char** argv)
{
    setPatience(kPatience);
    return runScenario(argc, argv, "pptp_real_driver", kScenarios, [] { ensureEntry(kEntry); });
}
