#pragma once

// What the drivers of the real-daemon stands (tests/nm-real, tests/pptp-real) share: they
// dial through the RAS-shaped functions, as the dialog does, record every event, and
// print one line per check.

#include "platform/RasApi.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvanta::rasdriver {

using Clock = std::chrono::steady_clock;
using Event = std::pair<DWORD, DWORD>; // RAS state, error code

// Every progress step of a successful dial, in order, without an error.
extern const std::vector<Event> kConnected;

// How long a wait lasts when the caller names no limit (the stand sets it once).
void setPatience(std::chrono::milliseconds patience);
std::chrono::milliseconds patience();

// Prints the check's line; a check that does not hold fails the scenario.
void check(bool holds, const std::string& what);
int failures();

std::string describe(const std::vector<Event>& events);
std::string hex(DWORD code);

// Every dial's events by handle, with when each arrived: the notifier runs on a thread
// of the layer.
class EventLog {
public:
    static EventLog& instance();
    static void WINAPI notifier(HRASCONN handle, UINT, RASCONNSTATE state, DWORD error, DWORD);

    std::vector<Event> of(HRASCONN handle);
    // When the first event in `state` arrived, if one did.
    bool timeOf(HRASCONN handle, DWORD state, Clock::time_point& at);
    Clock::time_point lastTime(HRASCONN handle);
    // The events once `done` holds for them, or all there are after the limit.
    std::vector<Event> waitFor(HRASCONN handle, const std::function<bool(const std::vector<Event>&)>& done,
                               std::optional<std::chrono::milliseconds> limit = std::nullopt);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<HRASCONN, std::vector<Event>> m_events;
    std::map<HRASCONN, std::vector<Clock::time_point>> m_times;
};

// The dial ended: an error, or connected.
bool ended(const std::vector<Event>& events);

// What the stand's hook (the program named by the environment variable `variable`)
// printed for `arguments`, trailing blanks cut; a missing hook fails a check.
std::string hook(const char* variable, const std::string& arguments);

std::string errorText(DWORD code);

// The final code is `code`, and the text the user reads is this layer's own Korean text
// for it (not the text for a code nobody knows).
void checkOutcome(const std::vector<Event>& events, DWORD code);

// The client's phonebook entry, as the dialog writes it.
void ensureEntry(const char* entryName);
// Starts a dial whose events go to the EventLog.
HRASCONN dial(const char* entryName, const char* server, const char* user, const char* password);
DWORD connectionCount();
// RasGetConnectionStatistics's answer, and the connected time it gives.
DWORD linkStatus(HRASCONN handle, DWORD* durationMs = nullptr);
// Whether the condition came true within the limit (the patience without one).
bool eventually(const std::function<bool()>& condition, std::optional<std::chrono::milliseconds> limit = std::nullopt);
// Ended while connecting: the dial must not have read as connected on the way.
void checkNeverConnected(const std::vector<Event>& events);

// main() of a driver: runs the scenario argv[1] names; 0 when every check held.
// `before` runs ahead of the scenario.
int runScenario(int argc, char** argv, const char* program,
                const std::map<std::string, std::function<void()>>& scenarios,
                const std::function<void()>& before = {});

} // namespace norvanta::rasdriver
