// The client's side of one scenario of the NetworkManager stand (tests/nm-real): it dials
// through the RAS-shaped functions, as the dialog does, against the real NetworkManager on
// the stand's private system bus, and checks the events, the final code and its text.
// Things that happen outside the client (NetworkManager told to take the VPN down, the
// uplink lost, the link dropped) are asked of the stand through $NM_STAND_HOOK.
//   nm_real_driver <scenario>      exit 0 when every check held

#include "platform/RasApi.h"
#include "platform/ras/RasErrorText.h"
#include "tests/support/RasDriver.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace norvanta::platform::ras;
using namespace norvanta::rasdriver;

constexpr char kEntry[] = "Norvanta VPN Service";
constexpr char kServer[] = "10.99.0.1";
constexpr char kOtherServer[] = "10.99.0.3";
constexpr char kUser[] = "norvanta";
constexpr char kPassword[] = "stand-secret-7f3a";
constexpr char kKoreanUser[] = "\xc8\xab\xb1\xe6\xb5\xbf";                  // 홍길동, CP949
constexpr char kKoreanPassword[] = "\xba\xf1\xb9\xd0\xb9\xf8\xc8\xa3-7f3a"; // 비밀번호-7f3a, CP949
constexpr auto kPatience = std::chrono::seconds(20);

std::string hook(const std::string& arguments)
{
    return norvanta::rasdriver::hook("NM_STAND_HOOK", arguments);
}

HRASCONN dial(const char* server = kServer, const char* user = kUser, const char* password = kPassword)
{
    return norvanta::rasdriver::dial(kEntry, server, user, password);
}

std::function<bool(const std::vector<Event>&)> reached(DWORD state)
{
    return [state](const std::vector<Event>& events) {
        return ended(events) || (!events.empty() && events.back().first == state);
    };
}

// After the client hung up: no event of that dial arrives any more, and NetworkManager
// has no VPN left.
void checkQuietAfterHangUp(HRASCONN handle)
{
    const auto before = EventLog::instance().of(handle).size();
    check(RasHangUpA(handle) == 0, "hang-up accepted");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    check(EventLog::instance().of(handle).size() == before, "no event after the hang-up");
    check(eventually([] { return connectionCount() == 0; }), "NetworkManager lists no VPN afterwards");
}

HRASCONN connectAndCheck(const char* server = kServer, const char* user = kUser, const char* password = kPassword)
{
    const HRASCONN handle = dial(server, user, password);
    const auto events = EventLog::instance().waitFor(handle, ended);
    check(events == kConnected, "connected with every step in order " + describe(events));
    DWORD duration = 0;
    check(linkStatus(handle, &duration) == 0, "statistics answer while up");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const DWORD status = linkStatus(handle, &duration);
    check(status == 0 && duration >= 1000, "connected time runs (" + std::to_string(duration) + " ms)");
    check(connectionCount() == 1, "the link is listed");
    return handle;
}

void checkDropped(HRASCONN handle)
{
    const auto before = EventLog::instance().of(handle).size();
    check(eventually([handle] { return linkStatus(handle) == ERROR_NO_CONNECTION; }), "the link reads as down (668)");
    check(EventLog::instance().of(handle).size() == before, "no event after connected");
    check(eventually([] { return connectionCount() == 0; }), "no VPN listed");
    RasHangUpA(handle);
}

HRASCONN stallAtAuthenticate()
{
    hook("mode stall");
    const HRASCONN handle = dial();
    const auto events = EventLog::instance().waitFor(handle, reached(RASCS_Authenticate));
    check(!events.empty() && events.back() == Event{RASCS_Authenticate, 0}, "connecting " + describe(events));
    hook("wait-pppd"); // pppd has started and been given the password
    return handle;
}

void failsWith(const char* mode, DWORD code)
{
    hook(std::string("mode ") + mode);
    const HRASCONN handle = dial();
    const auto events = EventLog::instance().waitFor(handle, ended);
    checkNeverConnected(events);
    checkOutcome(events, code);
    RasHangUpA(handle);
}

const std::map<std::string, std::function<void()>> kScenarios = {
    {"success", [] { checkQuietAfterHangUp(connectAndCheck()); }},
    {"unprivileged", [] { checkQuietAfterHangUp(connectAndCheck()); }},
    {"profile-reuse",
     [] {
         checkQuietAfterHangUp(connectAndCheck());
         checkQuietAfterHangUp(connectAndCheck());
         check(hook("profiles") == "1", "one profile after two dials");
         checkQuietAfterHangUp(connectAndCheck(kOtherServer));
         check(hook("profiles") == "1", "still one profile after a new server");
         check(hook("profile gateway") == std::string("gateway=") + kOtherServer, "the profile has the new server");
         check(hook("pppd-log").find(std::string("pptp ") + kOtherServer) != std::string::npos,
               "the plugin dialed the new server");
         check(hook("calls Update2") == "2", "the profile was rewritten on the first dial and the new server only");
     }},
    {"korean",
     [] {
         // pppd cannot log in with a Korean ID or password as a Windows client does, and
         // bytes that are no CP949 text cannot be sent: each is refused before
         // NetworkManager is asked.
         const std::pair<std::string, std::string> refused[] = {
             {kKoreanUser, kPassword}, {kUser, kKoreanPassword}, {"\xff\xfe\xff", kPassword}};
         for (const auto& [user, password] : refused) {
             const HRASCONN handle = dial(kServer, user.c_str(), password.c_str());
             const auto events = EventLog::instance().waitFor(handle, ended);
             checkOutcome(events, user[0] == '\xff' ? kErrorNmBadText : kErrorNmNonAsciiLogin);
             RasHangUpA(handle);
         }
         check(hook("nm-asked") == "0", "NetworkManager was never asked to connect");
         // The same account in ASCII connects.
         checkQuietAfterHangUp(connectAndCheck());
     }},
    // pppd refusing the password ends, through the PPTP plugin, as a stopped service
    // (reason 4): NetworkManager does not tell a wrong password apart, so neither can we.
    {"auth-fail", [] { failsWith("auth-fail", kErrorNmLinkFailed); }},
    {"connect-fail", [] { failsWith("connect-fail", kErrorNmLinkFailed); }},
    {"plugin-fail", [] { failsWith("connect", kErrorNmLinkFailed); }},
    {"plugin-missing", [] { failsWith("connect", kErrorNmPluginMissing); }},
    {"no-primary", [] { failsWith("connect", kErrorNmNoNetwork); }},
    {"no-ppp-kernel",
     [] {
         failsWith("connect", kErrorNmNoPppKernel);
         check(hook("nm-asked") == "0", "NetworkManager was never asked to activate");
     }},
    {"down-connecting",
     [] {
         const HRASCONN handle = stallAtAuthenticate();
         hook(std::string("nm-down '") + kEntry + "'");
         const auto events = EventLog::instance().waitFor(handle, ended);
         checkNeverConnected(events);
         checkOutcome(events, ERROR_USER_DISCONNECTION);
         RasHangUpA(handle);
     }},
    {"down-connected",
     [] {
         const HRASCONN handle = connectAndCheck();
         hook(std::string("nm-down '") + kEntry + "'");
         checkDropped(handle);
     }},
    {"dropped",
     [] {
         const HRASCONN handle = connectAndCheck();
         hook("drop");
         checkDropped(handle);
     }},
    {"uplink-lost",
     [] {
         const HRASCONN handle = stallAtAuthenticate();
         hook("uplink-down");
         const auto events = EventLog::instance().waitFor(handle, ended);
         checkNeverConnected(events);
         checkOutcome(events, kErrorNmUplinkLost);
         RasHangUpA(handle);
     }},
    {"hangup-connecting",
     [] {
         checkQuietAfterHangUp(stallAtAuthenticate());
         check(hook("pppd-log").find("exit 5") != std::string::npos, "pppd was told to stop");
     }},
};

} // namespace

int main(int argc, char** argv)
{
    setPatience(kPatience);
    return runScenario(argc, argv, "nm_real_driver", kScenarios, [] {
        hook("mode connect");
        ensureEntry(kEntry);
    });
}
