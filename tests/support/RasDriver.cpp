#include "tests/support/RasDriver.h"

#include "platform/ras/RasErrorText.h"
#include "tests/support/Patience.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace norvanta::rasdriver {
namespace {

using norvanta::platform::ras::knownErrorText;

int g_failures = 0;
std::chrono::milliseconds g_patience{20000};

// Korean in CP949: at least one Hangul syllable's two bytes.
bool hasCp949Korean(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead >= 0xB0 && lead <= 0xC8 && trail >= 0xA1 && trail <= 0xFE) {
            return true;
        }
    }
    return false;
}

} // namespace

const std::vector<Event> kConnected = {{RASCS_OpenPort, 0},     {RASCS_PortOpened, 0},    {RASCS_ConnectDevice, 0},
                                       {RASCS_Authenticate, 0}, {RASCS_Authenticated, 0}, {RASCS_Projected, 0},
                                       {RASCS_Connected, 0}};

void setPatience(std::chrono::milliseconds patience)
{
    g_patience = patience;
}

std::chrono::milliseconds patience()
{
    return g_patience;
}

void check(bool holds, const std::string& what)
{
    std::printf("  %s %s\n", holds ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!holds) {
        ++g_failures;
    }
}

int failures()
{
    return g_failures;
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

std::string hex(DWORD code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

EventLog& EventLog::instance()
{
    static EventLog log;
    return log;
}

void WINAPI EventLog::notifier(HRASCONN handle, UINT, RASCONNSTATE state, DWORD error, DWORD)
{
    auto& log = instance();
    {
        const std::lock_guard lock(log.m_mutex);
        log.m_events[handle].emplace_back(static_cast<DWORD>(state), error);
        log.m_times[handle].push_back(Clock::now());
    }
    log.m_changed.notify_all();
}

std::vector<Event> EventLog::of(HRASCONN handle)
{
    const std::lock_guard lock(m_mutex);
    return m_events[handle];
}

bool EventLog::timeOf(HRASCONN handle, DWORD state, Clock::time_point& at)
{
    const std::lock_guard lock(m_mutex);
    const auto& events = m_events[handle];
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].first == state) {
            at = m_times[handle][i];
            return true;
        }
    }
    return false;
}

Clock::time_point EventLog::lastTime(HRASCONN handle)
{
    const std::lock_guard lock(m_mutex);
    return m_times[handle].empty() ? Clock::time_point{} : m_times[handle].back();
}

std::vector<Event> EventLog::waitFor(HRASCONN handle, const std::function<bool(const std::vector<Event>&)>& done,
                                     std::optional<std::chrono::milliseconds> limit)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, testsupport::scaled(limit.value_or(g_patience)), [&] { return done(m_events[handle]); });
    return m_events[handle];
}

bool ended(const std::vector<Event>& events)
{
    return !events.empty() && (events.back().second != 0 || events.back().first == RASCS_Connected);
}

std::string hook(const char* variable, const std::string& arguments)
{
    const char* path = std::getenv(variable);
    std::string output;
    if (path == nullptr) {
        check(false, std::string(variable) + " is set (needed for '" + arguments + "')");
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

void checkOutcome(const std::vector<Event>& events, DWORD code)
{
    const DWORD last = events.empty() ? 0 : events.back().second;
    check(last == code, "final code " + hex(last) + " is " + hex(code) + " " + describe(events));
    const auto known = knownErrorText(code);
    const std::string text = errorText(code);
    check(known && text == *known, "code " + hex(code) + " has its own text");
    check(!text.empty() && hasCp949Korean(text), "the text of " + hex(code) + " is Korean");
}

void ensureEntry(const char* entryName)
{
    RASENTRYA entry{};
    entry.dwSize = norvanta::platform::kRasEntrySize;
    entry.dwType = RASET_Vpn;
    entry.dwEncryptionType = ET_Optional;
    std::strcpy(entry.szDeviceType, "vpn");
    const DWORD result = RasSetEntryPropertiesA(nullptr, entryName, &entry, entry.dwSize, nullptr, 0);
    check(result == 0 || result == ERROR_ALREADY_EXISTS, "entry saved (" + std::to_string(result) + ")");
}

HRASCONN dial(const char* entryName, const char* server, const char* user, const char* password)
{
    RASDIALPARAMSA params{};
    params.dwSize = norvanta::platform::kRasDialParamsSize;
    std::strcpy(params.szEntryName, entryName);
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

DWORD linkStatus(HRASCONN handle, DWORD* durationMs)
{
    RAS_STATS stats{};
    stats.dwSize = norvanta::platform::kRasStatsSize;
    const DWORD result = RasGetConnectionStatistics(handle, &stats);
    if (durationMs != nullptr) {
        *durationMs = stats.dwConnectDuration;
    }
    return result;
}

bool eventually(const std::function<bool()>& condition, std::optional<std::chrono::milliseconds> limit)
{
    return testsupport::eventually(condition, limit.value_or(g_patience));
}

void checkNeverConnected(const std::vector<Event>& events)
{
    bool connected = false;
    for (const auto& [state, error] : events) {
        connected = connected || state == RASCS_Authenticated || state == RASCS_Projected || state == RASCS_Connected;
    }
    check(!connected, "never reported as authenticated or connected " + describe(events));
}

int runScenario(int argc, char** argv, const char* program,
                const std::map<std::string, std::function<void()>>& scenarios, const std::function<void()>& before)
{
    const auto scenario = argc > 1 ? scenarios.find(argv[1]) : scenarios.end();
    if (scenario == scenarios.end()) {
        std::fprintf(stderr, "usage: %s <scenario>\n", program);
        return 2;
    }
    std::printf("scenario %s\n", argv[1]);
    std::fflush(stdout);
    if (before) {
        before();
    }
    scenario->second();
    std::printf("scenario %s: %s\n", argv[1], g_failures == 0 ? "passed" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}

} // namespace norvanta::rasdriver
