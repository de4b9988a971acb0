// The client's side of one scenario of the NetworkManager stand (tests/nm-real): it dials
// through the RAS-shaped functions, as the dialog does, against the real NetworkManager on
// the stand's private system bus, and checks the events, the final code and its text.
// Things that happen outside the client (NetworkManager told to take the VPN down, the
// uplink lost, the link dropped) are asked of the stand through $NM_STAND_HOOK.
//   nm_real_driver <scenario>      exit 0 when every check held

#include "platform/RasApi.h"
#include "platform/ras/RasErrorText.h"

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
using Clock = std::chrono::steady_clock;
using Event = std::pair<DWORD, DWORD>;  // RAS state, error code

constexpr char kEntry[] = "Norvanta VPN Service";
constexpr char kServer[] = "10.99.0.1";
constexpr char kOtherServer[] = "10.99.0.3";
constexpr char kUser[] = "norvanta";
constexpr char kPassword[] = "stand-secret-7f3a";
constexpr char kKoreanUser[] = "\xc8\xab\xb1\xe6\xb5\xbf";                    // 홍길동, CP949
constexpr char kKoreanPassword[] = "\xba\xf1\xb9\xd0\xb9\xf8\xc8\xa3-7f3a";  // 비밀번호-7f3a, CP949
constexpr auto kPatience = std::chrono::seconds(20);

const std::vector<Event> kConnected = {{RASCS_OpenPort, 0},       {RASCS_PortOpened, 0},    {RASCS_ConnectDevice, 0},
                                       {RASCS_Authenticate, 0},   {RASCS_Authenticated, 0}, {RASCS_Projected, 0},
                                       {RASCS_Connected, 0}};

int g_failures = 0;

void check(bool holds, const std::string& what)
{
    std::printf("  %s %s\n", holds ? "ok  " : "FAIL", what.c_str());
    if (!holds) {
        ++g_failures;
    }
}

std::string describe(const std::vector<Event>& events)
{
    std::string text;
    for (const auto& [state, error] : events) {
        char item[32];
        std::snprintf(item, sizeof item, "%s%u/%u", text.empty() ? "" : " ", state, error);
        text += item;
    }
    return "[" + text + "]";
}

// Every dial's events, by handle: the notifier runs on a thread of the layer.
class EventLog {
public:
    static EventLog& instance()
    {
        static EventLog log;
        return log;
    }
    static void WINAPI notifier(HRASCONN handle, UINT, RASCONNSTATE state, DWORD error, DWORD)
    {
        auto& log = instance();
        {
            const std::lock_guard lock(log.m_mutex);
            log.m_events[handle].emplace_back(static_cast<DWORD>(state), error);
        }
        log.m_changed.notify_all();
    }
    std::vector<Event> of(HRASCONN handle)
    {
        const std::lock_guard lock(m_mutex);
        return m_events[handle];
    }
    // The events once `done` holds for them, or all there are after kPatience.
    std::vector<Event> waitFor(HRASCONN handle, const std::function<bool(const std::vector<Event>&)>& done)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [&] { return done(m_events[handle]); });
        return m_events[handle];
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<HRASCONN, std::vector<Event>> m_events;
};

bool ended(const std::vector<Event>& events)
{
    return !events.empty() && (events.back().second != 0 || events.back().first == RASCS_Connected);
}

std::function<bool(const std::vector<Event>&)> reached(DWORD state)
{
    return [state](const std::vector<Event>& events) {
        return ended(events) || (!events.empty() && events.back().first == state);
    };
}

std::string hook(const std::string& arguments)
{
    const char* path = std::getenv("NM_STAND_HOOK");
    std::string output;
    if (path == nullptr) {
        return output;
    }
    FILE* pipe = ::popen((std::string(path) + " " + arguments).c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ::pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) {
        output.pop_back();
    }
    return output;
}

std::string errorText(DWORD code)
{
    char text[512];
    return RasGetErrorStringA(code, text, sizeof text) == 0 ? text : "";
}

// The final code is `code`, and the text the user reads is this layer's own text for it.
void checkOutcome(const std::vector<Event>& events, DWORD code)
{
    const DWORD last = events.empty() ? 0 : events.back().second;
    check(last == code, "final code " + std::to_string(last) + " is " + std::to_string(code) + " " + describe(events));
    const auto known = knownErrorText(code);
    check(known && errorText(code) == *known, "code " + std::to_string(code) + " has its own Korean text");
}

void ensureEntry()
{
    RASENTRYA entry{};
    entry.dwSize = norvanta::platform::kRasEntrySize;
    entry.dwType = RASET_Vpn;
    entry.dwEncryptionType = ET_Optional;
    std::strcpy(entry.szDeviceType, "vpn");
    const DWORD result = RasSetEntryPropertiesA(nullptr, kEntry, &entry, entry.dwSize, nullptr, 0);
    check(result == 0 || result == ERROR_ALREADY_EXISTS, "entry saved (" + std::to_string(result) + ")");
}

HRASCONN dial(const char* server = kServer, const char* user = kUser, const char* password = kPassword)
{
    RASDIALPARAMSA params{};
    params.dwSize = norvanta::platform::kRasDialParamsSize;
    std::strcpy(params.szEntryName, kEntry);
    std::strcpy(params.szPhoneNumber, server);
    std::strcpy(params.szUserName, user);
    std::strcpy(params.szPassword, password);
    HRASCONN handle = nullptr;
    const DWORD result = RasDialA(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&EventLog::notifier), &handle);
    check(result == 0 && handle != nullptr, "dial started (" + std::to_string(result) + ")");
    return handle;
}

DWORD connectionCount()
{
    RASCONNA connections[4]{};
    connections[0].dwSize = norvanta::platform::kRasConnSize;
    DWORD size = sizeof connections;
    DWORD count = 0;
    return RasEnumConnectionsA(connections, &size, &count) == 0 ? count : 99;
}

DWORD linkStatus(HRASCONN handle, DWORD* durationMs = nullptr)
{
    RAS_STATS stats{};
    stats.dwSize = norvanta::platform::kRasStatsSize;
    const DWORD result = RasGetConnectionStatistics(handle, &stats);
    if (durationMs != nullptr) {
        *durationMs = stats.dwConnectDuration;
    }
    return result;
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = kPatience)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
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

// Ends while connecting: the dial must not have read as connected on the way.
void checkNeverConnected(const std::vector<Event>& events)
{
    bool connected = false;
    for (const auto& [state, error] : events) {
        connected = connected || state == RASCS_Authenticated || state == RASCS_Projected || state == RASCS_Connected;
    }
    check(!connected, "never reported as authenticated or connected " + describe(events));
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
    hook("wait-pppd");  // pppd has started and been given the password
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
    {"profile-reuse", [] {
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
    {"korean", [] {
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
    {"no-ppp-kernel", [] {
         failsWith("connect", kErrorNmNoPppKernel);
         check(hook("nm-asked") == "0", "NetworkManager was never asked to activate");
     }},
    {"down-connecting", [] {
         const HRASCONN handle = stallAtAuthenticate();
         hook(std::string("nm-down '") + kEntry + "'");
         const auto events = EventLog::instance().waitFor(handle, ended);
         checkNeverConnected(events);
         checkOutcome(events, ERROR_USER_DISCONNECTION);
         RasHangUpA(handle);
     }},
    {"down-connected", [] {
         const HRASCONN handle = connectAndCheck();
         hook(std::string("nm-down '") + kEntry + "'");
         checkDropped(handle);
     }},
    {"dropped", [] {
         const HRASCONN handle = connectAndCheck();
         hook("drop");
         checkDropped(handle);
     }},
    {"uplink-lost", [] {
         const HRASCONN handle = stallAtAuthenticate();
         hook("uplink-down");
         const auto events = EventLog::instance().waitFor(handle, ended);
         checkNeverConnected(events);
         checkOutcome(events, kErrorNmUplinkLost);
         RasHangUpA(handle);
     }},
    {"hangup-connecting", [] {
         checkQuietAfterHangUp(stallAtAuthenticate());
         check(hook("pppd-log").find("exit 5") != std::string::npos, "pppd was told to stop");
     }},
};

} // namespace

int main(int argc, char** argv)
{
    const auto scenario = argc > 1 ? kScenarios.find(argv[1]) : kScenarios.end();
    if (scenario == kScenarios.end()) {
        std::fprintf(stderr, "usage: nm_real_driver <scenario>\n");
        return 2;
    }
    std::printf("scenario %s\n", argv[1]);
    hook("mode connect");
    ensureEntry();
    scenario->second();
    std::printf("scenario %s: %s\n", argv[1], g_failures == 0 ? "passed" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}
