#pragma once

// Helpers shared by the dialing tests: a private directory, environment variables set for
// one test, and a log of dial events that a test can wait on without timing anything.

#include "platform/RasApi.h"
#include "tests/support/Patience.h"
#include "tests/support/TestSystem.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace norvanta::ras::testing {

// Long enough for a slow sanitizer build; a correct run never comes near it.
inline const std::chrono::milliseconds kPatience = norvanta::testsupport::scaled(std::chrono::seconds(30));

class TempDir {
public:
    TempDir() : m_path(norvanta::testsupport::makeTemporaryDirectory("norvanta-ras-")) {}
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Sets (or with nullopt unsets) a variable and puts the old value back at the end.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value) { norvanta::testsupport::setEnvironment(m_name, value); }

    std::string m_name;
    std::optional<std::string> m_old;
};

struct DialEvent {
    RASCONNSTATE state;
    DWORD error;
    std::thread::id thread;
};

// Collects the dial events of a test, whichever thread they arrive on.
class EventLog {
public:
    static EventLog& instance()
    {
        static EventLog log;
        return log;
    }

    void clear()
    {
        const std::lock_guard lock(m_mutex);
        m_events.clear();
    }

    void record(RASCONNSTATE state, DWORD error)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_events.push_back(DialEvent{state, error, std::this_thread::get_id()});
        }
        m_changed.notify_all();
    }

    // The events so far once the dial reached its outcome (an error or a RASCS_DONE
    // state), or all there are when it did not within kPatience.
    std::vector<DialEvent> waitForOutcome()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [this] {
            return !m_events.empty() && (m_events.back().error != 0 || (m_events.back().state & RASCS_DONE) != 0);
        });
        return m_events;
    }

    // The events so far once there are at least `count`, or all there are after kPatience.
    std::vector<DialEvent> waitForCount(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [this, count] { return m_events.size() >= count; });
        return m_events;
    }

    std::vector<DialEvent> events()
    {
        const std::lock_guard lock(m_mutex);
        return m_events;
    }

    static void WINAPI notifier(HRASCONN, UINT, RASCONNSTATE state, DWORD error, DWORD)
    {
        instance().record(state, error);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<DialEvent> m_events;
};

inline std::vector<DWORD> statesOf(const std::vector<DialEvent>& events)
{
    std::vector<DWORD> states;
    for (const auto& event : events) {
        states.push_back(static_cast<DWORD>(event.state));
    }
    return states;
}

using norvanta::testsupport::eventually;

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

} // namespace norvanta::ras::testing
